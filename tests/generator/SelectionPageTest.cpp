#include "GeneratorTestSupport.h"
#include "generator/SelectionBlock.h"

#include <gtest/gtest.h>

namespace bildertafel::test {
namespace {

// A show's choice changes the start page by its block below the table and nothing else; the
// other pages stay as they are without it.
struct SelectionPageCase {
    const char* name;
    std::optional<generator::SelectionChoice> choice;
    std::string opening; // the block's first line, "" for none
};

class SelectionPage : public testing::TestWithParam<SelectionPageCase> {};

TEST_P(SelectionPage, AddsOnlyItsBlockBelowTheTable) {
    const SelectionPageCase& row = GetParam();
    settings::ShowSettings settings = settings::DefaultShowSettings();
    settings.setOption(settings::ShowOption::OwnPagePerPicture, 1);
    Show without({"a.jpg", "Jürgen.jpg"}, settings);
    ASSERT_EQ(without.run(), generator::RunOutcome::Written);
    Show with({"a.jpg", "Jürgen.jpg"}, settings);
    with.input.selection = row.choice;
    ASSERT_EQ(with.run(), generator::RunOutcome::Written);

    std::string expected = readFile(without.show() / "bilder01.html");
    if (!row.opening.empty()) {
        std::string block = row.opening + "\r\n";
        for (const char c : generator::selectionBlockText()) {
            block += c == '\n' ? std::string("\r\n") : std::string(1, c);
        }
        const std::string tableEnd = "</tr></table>\r\n";
        expected.insert(expected.find(tableEnd) + tableEnd.size(), block + "</div>\r\n");
    }
    EXPECT_EQ(readFile(with.show() / "bilder01.html"), expected);
    for (const char* page : {"a.html", "Jürgen.html", "bilder01_all.html"}) {
        EXPECT_EQ(readFile(with.pictures() / page), readFile(without.pictures() / page)) << page;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Choices, SelectionPage,
    testing::Values(
        SelectionPageCase{"Without", std::nullopt, ""},
        SelectionPageCase{
            "AddressAndNote",
            generator::SelectionChoice{
                "foto@example.org", "Bitte bis Freitag, \"höchstens\" 20 <Bilder> & mehr\nDanke"},
            "<div class=\"auswahl\" role=\"region\" aria-label=\"Auswahl\" "
            "data-an=\"foto@example.org\" data-hinweis=\"Bitte bis Freitag, "
            "&quot;h&#246;chstens&quot; 20 &lt;Bilder&gt; &amp; mehr&#10;Danke\">"},
        SelectionPageCase{"NoNote", generator::SelectionChoice{"a@b.de", ""},
                          "<div class=\"auswahl\" role=\"region\" aria-label=\"Auswahl\" "
                          "data-an=\"a@b.de\" data-hinweis=\"\">"}),
    [](const testing::TestParamInfo<SelectionPageCase>& info) { return info.param.name; });

} // namespace
} // namespace bildertafel::test
