#include "selection/SelectionAnswer.h"
#include "selection/MailAddress.h"
#include "selection/SelectionAddress.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace bildertafel::selection {
namespace {

using namespace std::string_literals;

const std::vector<std::string> Show{"IMG_1234",       "IMG_1235",       "IMG_1240",
                                    "Anna am Strand", "Jürgen & Co #1", "a,b"};

struct AnswerCase {
    const char* name;
    std::string pasted;
    std::string chosen;  // the show's names, "|" between them
    std::string unknown; // likewise
    std::string chooser;
    bool fromAddress;
};

std::string joined(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) {
        text += (text.empty() ? "" : "|") + name;
    }
    return text;
}

class AnswerTest : public testing::TestWithParam<AnswerCase> {};

TEST_P(AnswerTest, FindsTheChosenPictures) {
    const AnswerCase& row = GetParam();
    const SelectionAnswer answer = readSelectionAnswer(row.pasted, Show);
    std::vector<std::string> chosen;
    for (const std::size_t at : answer.chosen) {
        chosen.push_back(Show.at(at));
    }
    EXPECT_EQ(joined(chosen), row.chosen);
    EXPECT_EQ(joined(answer.unknown), row.unknown);
    EXPECT_EQ(answer.chooser, row.chooser);
    EXPECT_EQ(answer.fromAddress, row.fromAddress);
}

INSTANTIATE_TEST_SUITE_P(
    Pasted, AnswerTest,
    testing::Values(
        AnswerCase{"QuotedMailWithWrappedAddress",
                   "Am 3.5. schrieb Oma:\r\n"
                   "> Meine Auswahl aus „Hochzeit“ (3 Bilder):\r\n"
                   "> IMG_1234\r\n> IMG_1240\r\n> Jürgen & Co #1\r\n>\r\n"
                   "> Gewählt von: Oma\r\n"
                   "> Auswahl wieder öffnen: https://x.de/s/bilder01.html#auswahl=0IMG_1234,6\r\n"
                   "> 40,0J%C3%BCrgen%20%26%20Co%20%231!\r\n",
                   "IMG_1234|IMG_1240|Jürgen & Co #1", "", "Oma", true},
        AnswerCase{"AddressLineAlone", "https://x.de/s/bilder01.html#auswahl=0IMG_1234,75!",
                   "IMG_1234|IMG_1235", "", "", true},
        AnswerCase{"AddressWithoutItsEndAndTextAfterIt",
                   "<https://x.de/#auswahl=0a%2Cb>\nDanke!\nIMG_1240", "a,b", "", "", true},
        AnswerCase{"ForwardedListWithUnknownAndDuplicateNames",
                   "---------- Weitergeleitete Nachricht ----------\n"
                   "Von: Anna <anna@example.org>\n\n"
                   ">> Meine Auswahl aus „Ostsee“ (4 Bilder):\n"
                   ">> IMG_1235\n>> IMG_9999\n>> Anna am Strand\n>> IMG_1235\n"
                   ">> Gewählt von: Anna\n",
                   "IMG_1235|Anna am Strand", "IMG_9999", "Anna", false},
        AnswerCase{"CopiedListCommasAndLines",
                   "IMG_1240, IMG_1234, IMG_7777\n\nIMG_1240\nIMG_1234\n", "IMG_1234|IMG_1240",
                   "IMG_7777", "", false},
        AnswerCase{"ExtensionAndLetterCase", "img_1235.JPG\nANNA AM STRAND.jpeg",
                   "IMG_1235|Anna am Strand", "", "", false},
        AnswerCase{"FreeTextNamesNoUnknown",
                   "Hallo, die Bilder gefallen uns, danke!\nIMG_1235\nViele Grüße", "IMG_1235", "",
                   "", false},
        AnswerCase{"HostileAddress",
                   "#auswahl=0..%2F..%2Fetc%2Fpasswd,z,0%1B%5B31m,0%00,0%zz,0IMG_1234!", "IMG_1234",
                   "../../etc/passwd|?[31m", "", true},
        AnswerCase{"HostileChooserAndBrokenText", "Gewählt von: \x1b[2J\xff\n\0IMG_1240\n"s, "", "",
                   "?[2J?", false},
        AnswerCase{"Nothing", "", "", "", "", false}),
    [](const testing::TestParamInfo<AnswerCase>& info) { return info.param.name; });

TEST(SelectionAddressTest, CameraNamesShareTheirStartAndComeBack) {
    const std::vector<std::string> names{"IMG_1234", "IMG_1235", "IMG_1240", "Jürgen & Co #1",
                                         "a,b"};
    const std::string encoded = encodeSelection(names);
    EXPECT_EQ(encoded, "0IMG_1234,75,640,0J%C3%BCrgen%20%26%20Co%20%231,0a%2Cb!");
    EXPECT_EQ(decodeSelection(encoded), names);
    std::vector<std::string> many;
    for (int n = 1; n <= 200; ++n) {
        many.push_back("IMG_" + std::to_string(4000 + n));
    }
    EXPECT_LT(encodeSelection(many).size(), 700U);
}

TEST(MailAddressTest, TakesOnlyWhatAMailLinkCarriesAsItIs) {
    for (const auto& [address, taken] :
         std::initializer_list<std::pair<const char*, bool>>{{"foto@example.org", true},
                                                             {"anna.m-k+show@sub.example.de", true},
                                                             {"", false},
                                                             {"foto@example", false},
                                                             {"@example.org", false},
                                                             {"foto@@example.org", false},
                                                             {"fo to@example.org", false},
                                                             {"foto@example.org?cc=x@y.de", false},
                                                             {"foto@example.org&body=x", false},
                                                             {"foto@example.org.", false},
                                                             {"f\xc3\xb6to@example.org", false}}) {
        EXPECT_EQ(isMailAddress(address), taken) << address;
    }
}

} // namespace
} // namespace bildertafel::selection
