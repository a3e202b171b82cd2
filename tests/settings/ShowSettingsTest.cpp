#include "settings/ShowSettings.h"

#include <gtest/gtest.h>

using namespace bildertafel::settings;

namespace {

TEST(DefaultShowSettings, HoldTheStartTemplatesAndChoices) {
    const ShowSettings s = DefaultShowSettings();
    EXPECT_EQ(s.Template(TemplateId::PageHead), "<html><body><center>");
    EXPECT_EQ(s.Template(TemplateId::PageFoot), "</center></body></html>");
    EXPECT_EQ(s.Template(TemplateId::CellBefore), "<td align=\"center\" valign=\"center\">");
    EXPECT_EQ(s.Template(TemplateId::CellBefore).size(), 35U);
    EXPECT_EQ(s.Template(TemplateId::CellAfter), "</td>");
    EXPECT_EQ(s.Template(TemplateId::ImagePageBefore), "<html><body><center>");
    EXPECT_EQ(s.Template(TemplateId::ImagePageAfter), "</center></body></html>");
    EXPECT_EQ(s.TableWidthIndex(), 2);
    EXPECT_EQ(s.TableWidthText(), "4 Bilder breit");
    EXPECT_EQ(s.PicturesPerRow(), 4);
    EXPECT_EQ(s.OwnPagePerPicture(), 0);
    EXPECT_EQ(s.NewBrowserWindow(), 0);
    EXPECT_EQ(s.AllPicturesPage(), 1);
}

TEST(DefaultShowSettings, PairedTemplatesAreSeparateCopies) {
    ShowSettings s = DefaultShowSettings();
    s.setTemplate(TemplateId::PageHead, "<html>");
    EXPECT_EQ(s.Template(TemplateId::ImagePageBefore), "<html><body><center>");
    s.setTemplate(TemplateId::ImagePageAfter, "x");
    EXPECT_EQ(s.Template(TemplateId::PageFoot), "</center></body></html>");
}

TEST(ShowSettings, IndexSetsTheEntryTextAndPicturesPerRow) {
    ShowSettings s;
    for (int k = 0; k < 8; ++k) {
        ASSERT_TRUE(s.setTableWidthIndex(k));
        EXPECT_EQ(s.TableWidthText(), TableWidthEntries[static_cast<std::size_t>(k)]);
        EXPECT_EQ(s.PicturesPerRow(), k + 2);
    }
    EXPECT_EQ(TableWidthEntries[0], "2  Bilder breit");
    ASSERT_TRUE(s.setTableWidthIndex(-1));
    EXPECT_EQ(s.TableWidthText(), "");
    EXPECT_EQ(s.PicturesPerRow(), 0);
}

TEST(ShowSettings, RefusesIndicesOutsideTheChoice) {
    ShowSettings s = DefaultShowSettings();
    for (int k : {-2, 8, 100, -32768}) {
        EXPECT_FALSE(s.setTableWidthIndex(k)) << k;
        EXPECT_EQ(s.TableWidthIndex(), 2);
        EXPECT_EQ(s.TableWidthText(), "4 Bilder breit");
    }
}

TEST(ShowSettings, TypedTextSelectsNoEntry) {
    ShowSettings s = DefaultShowSettings();
    s.setTypedTableWidthText("12 nebeneinander");
    EXPECT_EQ(s.TableWidthIndex(), -1);
    EXPECT_EQ(s.PicturesPerRow(), 12);
    s.setTypedTableWidthText("viele");
    EXPECT_EQ(s.PicturesPerRow(), 0);
}

TEST(ShowSettings, AnOptionIsOnOnlyAtOne) {
    ShowSettings s;
    for (std::int16_t v : {0, 1, 2, -1}) {
        s.setOption(ShowOption::NewBrowserWindow, v);
        EXPECT_EQ(s.isOn(ShowOption::NewBrowserWindow), v == 1) << v;
        EXPECT_EQ(s.NewBrowserWindow(), v);
    }
}

TEST(TemplateCaption, NamesEveryTemplate) {
    const char* expected[] = {"HTML-Kopf",
                              "HTML-Fuß",
                              "HTML-Tabellenzelle vor dem Bild",
                              "HTML-Tabellenzelle nach dem Bild",
                              "HTML-Datei vor dem Bild",
                              "HTML-Datei nach dem Bild"};
    for (int t = 0; t < TemplateCount; ++t) {
        EXPECT_EQ(TemplateCaption(static_cast<TemplateId>(t)), expected[t]);
    }
}

} // namespace
