#include "core/TextLines.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pelorin {
namespace {

TEST(TextLines, SplitAtCrLfLoneCrAndLoneLfWithTheRestAsTheLastLine) {
    const struct {
        std::string_view text;
        std::vector<std::string_view> lines;
    } cases[] = {
        {"", {""}},
        {"abc", {"abc"}},
        {"a\r\nb", {"a", "b"}},
        {"a\rb\nc", {"a", "b", "c"}},
        {"a\n\rb", {"a", "", "b"}},
        {"a\r\r\nb", {"a", "", "b"}},
        {"ends\r\n", {"ends", ""}},
        {"\r\n\r\n", {"", "", ""}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SplitLines(c.text), c.lines) << c.text;
}

} // namespace
} // namespace pelorin
