// Numbers as text: plain decimals for the wire, the user's separator on screen, never an exponent,
// never an infinity; dates in the user's short form, in plain Latin-1.

#include "core/NumberText.h"
#include "core/ClientProcs.h"
#include "core/RegionalTime.h"

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

// A no-break space becomes a space and direction marks go; digits beyond Latin-1 give way to the
// international form.
TEST(NumberText, RegionalTextsKeepAnAsciiMinusAndNoGroupingAndDatesArePlainLatin1) {
    QLocale::setDefault(QLocale(QLocale::Swedish, QLocale::Sweden));
    EXPECT_EQ(RegionalNumber(1234567.25) + " " + RegionalFixed(-3, 1), "1234567,25 -3,0");
    EXPECT_EQ(FixedText(-4.126, 2) + " " + DecimalText(2.5), "-4.13 2.5");
    const QDateTime moment(QDate(2024, 3, 5), QTime(7, 8, 9));
    const std::pair<QLocale, const char*> dates[] = {
        {QLocale(QLocale::Swedish, QLocale::Sweden), "2024-03-05 07:08"},
        {QLocale(QLocale::Spanish, QLocale::Colombia), "5/03/24 7:08 A. M."},
        {QLocale(QLocale::Arabic, QLocale::Morocco), "5/3/2024 07:08"},
        {QLocale(QLocale::Arabic, QLocale::Egypt), "2024-03-05 07:08"}};
    for (const auto& [locale, expected] : dates) {
        QLocale::setDefault(locale);
        EXPECT_EQ(RegionalDateTime(moment), expected) << locale.name().toStdString();
    }
    QLocale::setDefault(QLocale(QLocale::C));
}

} // namespace
} // namespace pelorin
