#include "words/WordsFile.h"
#include "TempDir.h"
#include "words/WordsTexts.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace bildertafel::test {
namespace {

using words::PictureWords;
using words::ShowWords;

ShowWords showOf(std::initializer_list<std::pair<std::string, PictureWords>> entries) {
    ShowWords show;
    for (const auto& [name, words] : entries) {
        show.set(name, words);
    }
    return show;
}

TEST(WordsFile, WhatIsWrittenReadsBackAsItWas) {
    const ShowWords show = showOf({
        {"IMG_0001.jpg", {"Großmutter am See", "Juli – <Sommer> & Sonne\n\nzweiter Absatz", "Alt"}},
        {"[klammer].jpg", {"", " eingerückt?", ""}},
        {"leer.jpg", {}},
        {"nur alt.jpg", {"", "", "Eine Frau: \"hier\" #1"}},
    });
    const ShowWords back = words::parseWords(words::formatWords(show));
    ASSERT_EQ(back.entries().size(), show.entries().size());
    for (std::size_t i = 0; i < show.entries().size(); ++i) {
        EXPECT_EQ(back.entries()[i].name, show.entries()[i].name);
        EXPECT_EQ(back.entries()[i].words, show.entries()[i].words) << show.entries()[i].name;
    }
    EXPECT_TRUE(back.hasEntry("leer.jpg"));
    EXPECT_EQ(back.find("leer.jpg"), nullptr);
}

TEST(WordsFile, AHandWrittenFileIsReadAsMeant) {
    struct Case {
        const char* what;
        std::string text;
        std::string name;
        PictureWords expected;
    };
    const Case cases[] = {
        {"CR LF, a byte-order mark, keys in any case",
         "\xEF\xBB\xBF[a.jpg]\r\ntitel:Tag\r\nBILDTEXT:   eins\r\n zwei\r\n",
         "a.jpg",
         {"Tag", "eins\nzwei", ""}},
        {"comments and unknown lines are passed over",
         "# x\nTitel: vor dem Abschnitt\n[a.jpg]\n"
         "# Titel: nein\nOrt: Berlin\nTitel: ja\n",
         "a.jpg",
         {"ja", "", ""}},
        {"a title's second line joins it",
         "[a.jpg]\nTitel: eins\n zwei\n",
         "a.jpg",
         {"eins zwei", "", ""}},
        {"a picture's second section replaces its first",
         "[a.jpg]\nTitel: alt\n[a.jpg]\n"
         "Bildtext: neu\n",
         "a.jpg",
         {"", "neu", ""}},
        {"control characters go, blanks at line ends too",
         "[a.jpg]\nBildtext: a\x01\x7F\xC2\x85 b  \n c\t\n \n",
         "a.jpg",
         {"", "a b\nc", ""}},
        {"bytes that are not UTF-8 become U+FFFD",
         "[a.jpg]\nTitel: Gr\xF6\xDF"
         "e\n",
         "a.jpg",
         {"Gr\xEF\xBF\xBD\xEF\xBF\xBD"
          "e",
          "", ""}},
    };
    for (const Case& c : cases) {
        const ShowWords show = words::parseWords(c.text);
        ASSERT_TRUE(show.hasEntry(c.name)) << c.what;
        EXPECT_EQ(show.entries().size(), 1U) << c.what;
        const PictureWords* found = show.find(c.name);
        EXPECT_EQ(found != nullptr ? *found : PictureWords{}, c.expected) << c.what;
    }
}

TEST(WordsFile, FillingInNeverTouchesAnEntryThereAlready) {
    TempDir dir;
    const std::string path = words::wordsFilePath(dir.folder());
    ASSERT_TRUE(
        words::writeWordsFile(path, showOf({{"eigen.jpg", {"Meiner", "", ""}}, {"leer.jpg", {}}})));

    std::size_t added = 0;
    const words::WordsOutcome filled =
        words::fillWordsFile(path,
                             {{"eigen.jpg", {"Aus dem Bild", "", ""}},
                              {"leer.jpg", {"Aus dem Bild", "", ""}},
                              {"neu.jpg", {"", "Aus dem Bild", ""}},
                              {"stumm.jpg", {}}},
                             added);
    ASSERT_TRUE(filled) << words::texts::wordsNotWritten(path, filled.failure());
    EXPECT_EQ(added, 1U);
    ShowWords back;
    ASSERT_TRUE(words::readWordsFile(path, back));
    EXPECT_EQ(back.find("eigen.jpg")->title, "Meiner");
    EXPECT_EQ(back.find("leer.jpg"), nullptr);
    EXPECT_EQ(back.find("neu.jpg")->caption, "Aus dem Bild");
    EXPECT_FALSE(back.hasEntry("stumm.jpg"));

    // Nothing new: the file is not written again.
    struct stat before {};
    ASSERT_EQ(::stat(path.c_str(), &before), 0);
    ASSERT_TRUE(words::fillWordsFile(path, {{"neu.jpg", {"x", "", ""}}}, added));
    struct stat after {};
    ASSERT_EQ(::stat(path.c_str(), &after), 0);
    EXPECT_EQ(added, 0U);
    EXPECT_EQ(after.st_ino, before.st_ino);
}

TEST(WordsFile, AFileThatCannotBeReadIsNamedNeverTakenForEmpty) {
    TempDir dir;
    ShowWords words;
    EXPECT_TRUE(words::readWordsFile(dir.folder() + "fehlt.txt", words));
    EXPECT_TRUE(words.empty());

    std::filesystem::create_directory(dir / "ordner.txt");
    const words::WordsOutcome folder = words::readWordsFile(dir.folder() + "ordner.txt", words);
    ASSERT_FALSE(folder);
    EXPECT_EQ(folder.failure().kind, words::WordsFailure::Kind::NotAFile);

    const std::string big = dir.folder() + "gross.txt";
    writeFile(big, "");
    std::filesystem::resize_file(big, words::LargestWordsFile + 1);
    const words::WordsOutcome large = words::readWordsFile(big, words);
    ASSERT_FALSE(large);
    EXPECT_NE(words::texts::wordsNotRead(big, large.failure()).find("16 MiB"), std::string::npos);

    std::size_t added = 0;
    EXPECT_FALSE(words::fillWordsFile(dir.folder() + "fehlt/bildtexte.txt",
                                      {{"a.jpg", {"t", "", ""}}}, added));
}

} // namespace
} // namespace bildertafel::test
