#include "settings/TemplateSets.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace bildertafel::test {
namespace {

using settings::TemplateSet;

struct SetCase {
    const char* name;
    const char* description; // the .txt beside the .cfg; nullptr: none
    bool picture;
    const char* title;
    const char* line;
    int previewSize;
};

// A set is its configuration file; the description and the picture beside it are optional.
TEST(TemplateSets, AreTheConfigurationFilesWithWhatStandsBesideThem) {
    const SetCase cases[] = {
        {"dunkel",
         "\xEF\xBB\xBF"
         "Dunkle Galerie\r\nF\xC3\xBCr Fotos\r\n320\r\n",
         true, "Dunkle Galerie", "F\xC3\xBCr Fotos", 320},
        {"hell", "Helle Galerie\nHell und ruhig\n 240 \n", false, "Helle Galerie", "Hell und ruhig",
         240},
        {"kein-text", nullptr, false, "kein-text", "", 0},
        {"schief",
         "Schief\nGr\xC3\xB6\xC3\x9F"
         "e fehlt\nzwei\n",
         false, "Schief",
         "Gr\xC3\xB6\xC3\x9F"
         "e fehlt",
         0},
    };
    TempDir dir;
    for (const SetCase& c : cases) {
        writeFile(dir / (std::string(c.name) + ".cfg"), "[0] HTML-Kopf\r\n");
        if (c.description != nullptr) {
            writeFile(dir / (std::string(c.name) + ".txt"), c.description);
        }
        if (c.picture) {
            writeFile(dir / (std::string(c.name) + ".png"), "");
        }
    }
    // Neither a description without a configuration nor a folder named like one is a set.
    writeFile(dir / "allein.txt", "Allein\n");
    std::filesystem::create_directory(dir / "ordner.cfg");

    const std::vector<TemplateSet> sets = settings::listTemplateSets(dir.folder());

    ASSERT_EQ(sets.size(), std::size(cases));
    for (std::size_t i = 0; i < sets.size(); ++i) {
        const SetCase& c = cases[i];
        EXPECT_EQ(sets[i].name, c.name);
        EXPECT_EQ(sets[i].title, c.title) << c.name;
        EXPECT_EQ(sets[i].description, c.line) << c.name;
        EXPECT_EQ(sets[i].previewSize, c.previewSize) << c.name;
        EXPECT_EQ(sets[i].configPath, dir.folder() + c.name + ".cfg");
        EXPECT_EQ(sets[i].picturePath.empty(), !c.picture) << c.name;
    }
}

TEST(TemplateSets, AMissingFolderHasNoneAndTheMessagesNameWhatThereIs) {
    TempDir dir;
    EXPECT_TRUE(settings::listTemplateSets(dir.folder() + "fehlt/").empty());

    std::vector<TemplateSet> sets(2);
    sets[0].name = "dunkel";
    sets[1].name = "hell";
    EXPECT_EQ(settings::unknownTemplateSetMessage("grau", sets, "/v/"),
              "Die Vorlage \"grau\" gibt es nicht. Vorhanden: dunkel, hell.");
    EXPECT_EQ(settings::unknownTemplateSetMessage("grau", {}, "/v/"),
              "Die Vorlage \"grau\" gibt es nicht. Es wurden keine Vorlagen gefunden. Sie werden "
              "im Ordner /v/ erwartet.");
}

TEST(TemplateSets, TheEnvironmentNamesAnotherFolder) {
    TempDir dir;
    EXPECT_EQ(settings::templateSetFolder(dir.path().string()), dir.folder());
    // Without it: a folder beside the program or in the source tree, never this one.
    EXPECT_NE(settings::templateSetFolder(""), dir.folder());
    EXPECT_TRUE(settings::templateSetFolder("").ends_with("/vorlagen/"));
}

} // namespace
} // namespace bildertafel::test
