#include "publish/Record.h"

#include <gtest/gtest.h>

namespace bildertafel::publish {
namespace {

TEST(Record, KeepsAnyNameAndRefusesWhatItDidNotWrite) {
    const Record record = {
        {"index.html", {"ab12", 120, "20261208173000"}},
        {"bilder/100%\tneu\n.jpg", {"", 5, ""}},
        {"minis/caf\xE9 #1.jpg", {"cd34", 0, "1765215000"}},
    };
    EXPECT_EQ(parseRecord(recordText(record)), record);
    EXPECT_EQ(parseRecord(recordText({})), Record());
    const std::string text = recordText(record);
    for (const std::string& damaged :
         {std::string(), std::string("index.html\n"), text.substr(0, text.find('\t', 40)),
          text + "x\t1\t-\t\n", text + "x\tgross\t-\ta\n", text + "x\t1\t-\ta%2\n",
          text + "x\t1\t-\t../a\n", text + "x\t1\t-\t/etc/a\n", text + "x\t1\t-\ta//b\n"}) {
        EXPECT_EQ(parseRecord(damaged), std::nullopt) << damaged;
    }
}

TEST(Record, OnlyItsOwnTemporaryNamesCountAsLeftovers) {
    EXPECT_TRUE(isTemporaryName(temporaryName(0)));
    EXPECT_TRUE(isTemporaryName(temporaryName(1234)));
    for (const char* name : {".bildertafel-.part", ".bildertafel-1.part.jpg", "bildertafel-1.part",
                             ".bildertafel-x.part", ".bildertafel-veroeffentlicht"}) {
        EXPECT_FALSE(isTemporaryName(name)) << name;
    }
}

} // namespace
} // namespace bildertafel::publish
