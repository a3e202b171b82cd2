#include "core/HexCoding.h"

#include <gtest/gtest.h>

using namespace bildertafel::core;

namespace {

// Decoding takes either case and refuses what is no escape; "%00" only where it is allowed.
TEST(HexCoding, PercentDecoding) {
    const struct {
        const char* text;
        PercentNul nul;
        std::optional<std::string> decoded;
    } rows[] = {
        {"a%2fb%2FC", PercentNul::Refused, "a/b/C"},
        {"%e4%C3%a4", PercentNul::Refused, "\xE4\xC3\xA4"},
        {"ende%", PercentNul::Refused, std::nullopt},
        {"ende%4", PercentNul::Refused, std::nullopt},
        {"%4g", PercentNul::Refused, std::nullopt},
        {"%+1", PercentNul::Refused, std::nullopt},
        {"a%00b", PercentNul::Refused, std::nullopt},
        {"a%00b", PercentNul::Allowed, std::string("a\0b", 3)},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(percentDecoded(row.text, row.nul), row.decoded) << row.text;
    }
}

// What an address keeps; every other byte, ASCII or not, in upper-case escapes.
TEST(HexCoding, AddressEncoding) {
    const struct {
        std::string text;
        const char* keep;
        const char* encoded;
    } rows[] = {
        {"Az09-._~", "", "Az09-._~"},
        {"a/b c", "", "a%2Fb%20c"},
        {"a/b c", "/", "a/b%20c"},
        {"\xC3\xA4\x7F", "/", "%C3%A4%7F"},
        {std::string("\0%", 2), "", "%00%25"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(addressEncoded(row.text, row.keep), row.encoded) << row.encoded;
    }
}

} // namespace
