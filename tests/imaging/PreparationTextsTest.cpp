#include "imaging/Preparation.h"

#include <gtest/gtest.h>

using namespace bildertafel::imaging;

namespace {

TEST(PreparationTexts, OriginalsAndTheirTargetNames) {
    const struct {
        const char* name;
        bool original;
        const char* target;
    } cases[] = {
        {"IMG_0001.JPG", true, "IMG_0001.JPG"},
        {"a.Jpg", true, "a.Jpg"},
        {"a.jpeg", true, "a.jpg"},
        {"Scan.TIFF", true, "Scan.jpg"},
        {"b.tif", true, "b.jpg"},
        {"c.png", true, "c.jpg"},
        {"d.WebP", true, "d.jpg"},
        {"e.heic", true, "e.jpg"},
        {"f.HEIF", true, "f.jpg"},
        {"x.y.png", true, "x.y.jpg"},
        {".versteckt.jpg", false, nullptr},
        {"a.gif", false, nullptr},
        {"jpg", false, nullptr},
        {"a.jpg.txt", false, nullptr},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(isOriginalName(c.name), c.original) << c.name;
        if (c.target != nullptr) {
            EXPECT_EQ(targetNameFor(c.name), c.target);
        }
    }
}

PreparationResult resultWith(PreparationOutcome outcome, std::size_t skipped,
                             std::size_t failures) {
    PreparationResult result;
    result.outcome = outcome;
    result.originals = 15;
    result.finished = outcome == PreparationOutcome::Cancelled ? 4 : 15;
    result.picturesMade = 12;
    result.largeMade = 2;
    result.minisMade = 1;
    result.upToDate = 3;
    for (std::size_t i = 0; i < skipped; ++i) {
        result.skipped.push_back({"s" + std::to_string(i) + ".jpg", "Die Datei ist leer."});
    }
    for (std::size_t i = 0; i < failures; ++i) {
        result.failures.push_back({"/b/f" + std::to_string(i) + ".jpg", "voll"});
    }
    return result;
}

TEST(PreparationTexts, Summary) {
    const struct {
        PreparationResult result;
        const char* text;
    } cases[] = {
        {resultWith(PreparationOutcome::Done, 0, 0),
         "Fertig: 12 Bilder im Großformat und 1 Mini-Bild erstellt (2 Bilder auch in groß), 3 "
         "Originale waren schon aktuell."},
        {resultWith(PreparationOutcome::Cancelled, 1, 1),
         "Abgebrochen nach 4 von 15 Originalen. 12 Bilder im Großformat und 1 Mini-Bild erstellt "
         "(2 Bilder auch in groß), 3 Originale waren schon aktuell.\nÜbersprungen:\ns0.jpg: Die "
         "Datei ist leer.\n"
         "Nicht geschrieben:\n/b/f0.jpg: voll"},
        {PreparationResult{PreparationOutcome::Refused, "Nein.", 0, 0, 0, 0, 0, {}, {}, {}, 0, {}},
         "Nein."},
        {PreparationResult{
             PreparationOutcome::Done, {}, 1, 1, 0, 1, 0, {}, {}, {{"a.jpg", "Grund."}}, 0, {}},
         "Fertig: 1 Bild im Großformat und 0 Mini-Bilder erstellt.\nNicht übernommene Angaben:\n"
         "a.jpg: Grund."},
        {PreparationResult{PreparationOutcome::Done, {}, 1, 1, 1, 0, 0, {}, {}, {}, 0, {}},
         "Fertig: 0 Bilder im Großformat und 0 Mini-Bilder erstellt, 1 Original war schon "
         "aktuell."},
        {PreparationResult{}, "Fertig: Im Ordner der Originale sind keine Bilder."},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(preparationSummary(c.result), c.text);
    }
}

TEST(PreparationTexts, SummaryNamesTheFirstTwentyOnly) {
    const std::string text = preparationSummary(resultWith(PreparationOutcome::Done, 23, 21));
    EXPECT_NE(text.find("s19.jpg: "), std::string::npos);
    EXPECT_EQ(text.find("s20.jpg"), std::string::npos);
    EXPECT_NE(text.find("s19.jpg: Die Datei ist leer.\n… und 3 weitere\nNicht geschrieben:"),
              std::string::npos);
    EXPECT_TRUE(text.ends_with("/b/f19.jpg: voll\n… und 1 weitere")) << text;
}

} // namespace
