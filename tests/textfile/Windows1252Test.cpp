#include "textfile/Windows1252.h"

#include <gtest/gtest.h>

#include <string>

using namespace bildertafel::textfile;

namespace {

std::string encoded(std::string_view utf8) {
    std::string bytes;
    appendWindows1252(bytes, utf8);
    return bytes;
}

struct EncodeCase {
    const char* utf8;
    std::string bytes;
};

class EncodeTest : public ::testing::TestWithParam<EncodeCase> {};

TEST_P(EncodeTest, WritesOneBytePerCharacterOrAReference) {
    EXPECT_EQ(encoded(GetParam().utf8), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Characters, EncodeTest,
    ::testing::Values(EncodeCase{"HTML-Fuß", "HTML-Fu\xDF"},
                      EncodeCase{"Größe €", "Gr\xF6\xDF"
                                            "e \x80"},
                      EncodeCase{"„Zitat“ – ok…", "\x84Zitat\x93 \x96 ok\x85"},
                      EncodeCase{"Œœ Šš Žž Ÿ ƒ ˆ ˜ ™",
                                 "\x8C\x9C \x8A\x9A \x8E\x9E \x9F \x83 \x88 \x98 \x99"},
                      EncodeCase{"日本", "&#26085;&#26412;"}, EncodeCase{"a😀b", "a&#128512;b"},
                      // U+0080 has no byte of its own: the byte 0x80 is the euro sign.
                      EncodeCase{"\xC2\x80", "&#128;"},
                      EncodeCase{"bad \xFF byte", "bad &#65533; byte"},
                      EncodeCase{"cut \xE2\x82", "cut &#65533;&#65533;"},
                      EncodeCase{"overlong \xC0\xAF", "overlong &#65533;&#65533;"}));

TEST(Utf8, OnlyAWhollyValidTextCounts) {
    const struct {
        const char* what;
        std::string text;
        bool valid;
    } cases[] = {
        {"empty", "", true},
        {"mixed", "Fu\xC3\x9F \xE2\x82\xAC \xF0\x9F\x98\x80", true},
        {"zeroByte", std::string("a\0b", 3), true},
        {"latin1", "Fu\xDF", false},
        {"cutAtTheEnd", "ok \xE2\x82", false},
        {"overlong", "\xC0\xAF", false},
        {"surrogate", "\xED\xA0\x80", false},
        {"beyondUnicode", "\xF4\x90\x80\x80", false},
        {"loneContinuation", "\x80", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(isUtf8(c.text), c.valid) << c.what;
    }
}

TEST(Windows1252, EveryByteSurvivesADecodeAndAnEncode) {
    std::string all;
    for (int b = 0; b < 256; ++b) {
        all += static_cast<char>(b);
    }
    const std::string text = fromWindows1252(all);
    EXPECT_EQ(encoded(text), all);
}

TEST(Windows1252, UndefinedBytesDecodeToTheirControlCharacters) {
    EXPECT_EQ(fromWindows1252("\x81\x8D\x8F\x90\x9D"), "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D");
    EXPECT_EQ(fromWindows1252("\x80\x9F"), "€Ÿ");
}

} // namespace
