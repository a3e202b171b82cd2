#include "core/TimeLeft.h"

#include <gtest/gtest.h>

using namespace bildertafel::core;

namespace {

TEST(CoreTexts, TimeLeft) {
    const struct {
        double seconds;
        const char* text;
    } cases[] = {{0, "0:00"},     {42, "0:42"},      {59.6, "1:00"}, {725, "12:05"},
                 {3599, "59:59"}, {3723, "1:02:03"}, {-1, ""},       {100 * 3600, "100:00:00"}};
    for (const auto& c : cases) {
        EXPECT_EQ(timeLeftText(c.seconds), c.text) << c.seconds;
    }
}

} // namespace
