// Numbers as text: plain decimals for the wire, the user's separator on screen, never an exponent,
// never an infinity.

#include "core/NumberText.h"
#include "core/ClientProcs.h"

#include <QLocale>
#include <gtest/gtest.h>
#include <limits>

namespace pelorin {
namespace {

TEST(NumberText, ShortestPlainDecimalsReadBackAsTheSameNumberAndNoNumberHasNoText) {
    const std::pair<double, const char*> cases[] = {
        {100000, "100000"}, {0.0001, "0.0001"}, {-2.5, "-2.5"}, {1e21, "1000000000000000000000"},
        {0.1, "0.1"},       {21.55, "21.55"},   {0, "0"},       {-0.9, "-0.9"}};
    for (const auto& [value, text] : cases) {
        EXPECT_EQ(DecimalText(value), text);
        EXPECT_EQ(ReadNumber(DecimalText(value)), value) << text;
    }
    EXPECT_EQ(SingleText(0.1f), "0.1");
    EXPECT_EQ(FixedText(21.549, 1), "21.5");
    EXPECT_EQ(FixedText(1e20, 2), "100000000000000000000.00");
    for (double value : {std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                         std::numeric_limits<double>::quiet_NaN()})
        EXPECT_EQ(DecimalText(value) + FixedText(value, 2) + RegionalNumber(value), "");
}

TEST(NumberText, RegionalTextKeepsAnAsciiMinusAndNoGroupingWhileWireTextsKeepThePoint) {
    QLocale::setDefault(QLocale(QLocale::Swedish, QLocale::Sweden));
    EXPECT_EQ(RegionalNumber(-0.9), "-0,9");
    EXPECT_EQ(RegionalNumber(1234567.25), "1234567,25");
    EXPECT_EQ(RegionalFixed(-3, 1), "-3,0");
    EXPECT_EQ(FixedText(-4.126, 2) + " " + DecimalText(2.5), "-4.13 2.5");
    QLocale::setDefault(QLocale(QLocale::C));
}

} // namespace
} // namespace pelorin
