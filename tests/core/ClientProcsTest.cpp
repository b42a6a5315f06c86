// Fields, numbers and texts as the wire and the user see them.

#include "core/ClientProcs.h"
#include "core/Access.h"
#include "core/NumberText.h"
#include "core/RegionalTime.h"

#include <QLocale>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>

namespace pelorin {
namespace {

using namespace std::string_literals;

TEST(ClientProcs, FieldsAreBigEndianAndAreNeverReadPastTheEnd) {
    EXPECT_EQ(Long2String(300), "\x00\x00\x01\x2C"s);
    EXPECT_EQ(Short2String(0x1234) + Short2String(65535), "\x12\x34\xFF\xFF"s);
    EXPECT_EQ(String2Long("xx" + Long2String(INT32_MAX), 2), INT32_MAX);
    const std::string data = "\x12\x34\x56"s;
    EXPECT_EQ(
        std::tuple(String2Long(data, 0), String2Long(data, 2), String2Long(data, 3), String2Long(data, -2)),
        std::tuple(0x12345600, 0x56000000, 0, 0x1234));
    EXPECT_EQ(std::tuple(String2Short(data, 2), String2Short(data, 1000000), String2Short("\xFF\xFF"s, 0)),
              std::tuple(0x5600, 0, 65535));
}

// A parameter is writable when it stands between the first and second point and is listed.
TEST(ClientProcs, GetFieldAndWritableAddresses) {
    const struct {
        std::string_view text;
        int index;
        std::string_view delimiter;
        std::string expected;
    } fields[] = {
        {"a:b", 1, ":", "b"}, {"a:b", 2, ":", ""},       {"a::b", 1, ":", ""},          {"a::b", 2, ":", "b"},
        {"a:b", -1, ":", ""}, {"x;;y;;z", 2, ";;", "z"}, {"\xE5:\xF6", 1, ":", "\xF6"}, {":lead", 0, ":", ""},
    };
    for (const auto& c : fields)
        EXPECT_EQ(GetField(c.text, c.index, c.delimiter), c.expected) << c.text << " #" << c.index;
    const std::pair<const char*, bool> addresses[] = {
        {"PG01.PAR2.X", true}, {"PG01.PAR2", true},   {"PG01.BV.X", true},    {"PG01.PAR", false},
        {"PAR2", false},       {"PG01..PAR2", false}, {"PG01.ARR2.X", false}, {"", false}};
    for (const auto& [address, writable] : addresses)
        EXPECT_EQ(IsWritableAddress(address, ",PAR2,BV,"), writable) << address;
    EXPECT_FALSE(IsWritableAddress("PG01..X", ",,"));
}

// The first byte is drawn afresh for each login: 64 equal draws from 256 values would happen once in
// 2^504 runs.
TEST(ClientProcs, ScrambleChainsEachByteToThePreviousOutputFromAFreshFirstByteAndRoundTrips) {
    EXPECT_EQ(ScrambleLogin("AB\xFF", 0x5A),
              (std::string{0x5A, 0x5A ^ 'A', 0x5A ^ 'A' ^ 'B', static_cast<char>(0x5A ^ 'A' ^ 'B' ^ 0xFF)}));
    const std::string login = "VISA\xFFl\xF6senord\0\x80"s;
    std::set<char> firstBytes;
    for (int i = 0; i < 64; ++i) {
        const std::string scrambled = ScrambleLogin(login);
        ASSERT_EQ(UnscrambleLogin(scrambled), login);
        firstBytes.insert(scrambled[0]);
    }
    EXPECT_GT(firstBytes.size(), 1u);
    EXPECT_EQ(std::tuple(ScrambleLogin("", 7), UnscrambleLogin(""), UnscrambleLogin("\x07")),
              std::tuple("\x07", "", ""));
}

// A text without a number is told apart from one that reads 0, so that it can be refused; a number
// beyond double's range is none. Rounding sends ties to the even neighbour and clamps to the type.
TEST(ClientProcs, NumbersAreReadWithoutInfinitiesAndRoundedHalfToEven) {
    const std::string huge = "1" + std::string(400, '0'), long1 = "0." + std::string(400, '0') + "1e401";
    const std::pair<std::string_view, std::optional<double>> texts[] = {
        {"", {}},          {"abc", {}},     {"-", {}},       {"- 5", {}},     {".", {}},       {"\r5", {}},
        {"1e999999", {}},  {huge, {}},      {"1e-9999", {}}, {"0", 0},        {"-0.0", 0},     {"21.5", 21.5},
        {"  12.5x", 12.5}, {"\t\n -3", -3}, {"+4", 4},       {".5", 0.5},     {"-.25", -0.25}, {"5.", 5},
        {"1,5", 1},        {"1.2.3", 1.2},  {"1E-2", 0.01},  {"2.5e+2", 250}, {"2e", 2},       {"2e+x", 2},
        {"0e9999999", 0},  {long1, 1},
    };
    for (const auto& [text, expected] : texts) {
        EXPECT_EQ(ReadLeadingNumber(text), expected) << '"' << text << '"';
        EXPECT_EQ(ReadNumber(text), expected.value_or(0)) << '"' << text << '"';
    }
    const std::pair<double, double> ties[] = {{0.5, 0},   {1.5, 2},  {2.5, 2},  {-0.5, 0},  {-1.5, -2},
                                              {-2.5, -2}, {2.49, 2}, {2.51, 3}, {-2.51, -3}};
    for (const auto& [value, expected] : ties)
        EXPECT_EQ(RoundHalfEven(value), expected) << value;
    EXPECT_EQ(std::tuple(RoundHalfEven(4503599627370495.5), RoundHalfEven(HUGE_VAL)),
              std::tuple(4503599627370496.0, HUGE_VAL));
    EXPECT_TRUE(std::isnan(RoundHalfEven(std::nan(""))));
    EXPECT_EQ(std::tuple(RoundTo<int16_t>(40000.0), RoundTo<int16_t>(-40000.0), RoundTo<int32_t>(HUGE_VAL),
                         RoundTo<int32_t>(std::nan(""))),
              std::tuple(32767, -32768, std::numeric_limits<int32_t>::max(), 0));
}

// Wire texts are plain decimals that read back as the same number: never an exponent, never an infinity.
TEST(NumberText, ShortestPlainDecimalsReadBackAsTheSameNumberAndNoNumberHasNoText) {
    const std::pair<double, const char*> cases[] = {
        {100000, "100000"}, {0.0001, "0.0001"}, {-2.5, "-2.5"}, {1e21, "1000000000000000000000"},
        {0.1, "0.1"},       {21.55, "21.55"},   {0, "0"},       {-0.9, "-0.9"}};
    for (const auto& [value, text] : cases) {
        EXPECT_EQ(DecimalText(value), text);
        EXPECT_EQ(ReadNumber(DecimalText(value)), value) << text;
    }
    EXPECT_EQ(SingleText(0.1f) + " " + FixedText(21.549, 1), "0.1 21.5");
    EXPECT_EQ(FixedText(1e20, 2), "100000000000000000000.00");
    for (double value : {std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                         std::numeric_limits<double>::quiet_NaN()})
        EXPECT_EQ(DecimalText(value) + FixedText(value, 2) + RegionalNumber(value), "");
}

// On screen the user's separator with an ASCII minus, dates in the user's short form in plain Latin-1:
// a no-break space becomes a space, direction marks go, and digits beyond Latin-1 give way to the
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

// A logbook stamp tells the second: the regional time with seconds, without the time zone that the
// long format adds.
TEST(RegionalTime, StampTimeHasSecondsAndNoTimeZone) {
    const QDateTime moment(QDate(2026, 12, 6), QTime(14, 3, 7));
    const std::pair<QLocale, const char*> cases[] = {
        {QLocale(QLocale::Swedish, QLocale::Sweden), "2026-12-06 14:03:07"},
        {QLocale(QLocale::English, QLocale::UnitedStates), "12/6/26 2:03:07 PM"},
        {QLocale(QLocale::Arabic, QLocale::Egypt), "2026-12-06 14:03:07"}};
    for (const auto& [locale, expected] : cases) {
        QLocale::setDefault(locale);
        EXPECT_EQ(RegionalDateTimeWithSeconds(moment), expected) << locale.name().toStdString();
    }
    QLocale::setDefault(QLocale(QLocale::C));
}

// Fixed decimals round a half away from zero, as a format mask does; a Single goes out with at most the
// 7 digits it holds for certain.
TEST(NumberText, FixedDecimalsRoundHalvesAwayFromZeroAndSinglesKeepSevenDigits) {
    const std::tuple<double, int, const char*> fixed[] = {
        {20.25, 1, "20.3"},  {-20.25, 1, "-20.3"}, {0.0005, 3, "0.001"}, {9.95, 1, "10.0"},
        {99.5, 0, "100"},    {0.15, 1, "0.2"},     {2.5, 0, "3"},        {-0.04, 1, "-0.0"},
        {21.549, 1, "21.5"}, {1e-7, 3, "0.000"}};
    for (const auto& [value, decimals, text] : fixed)
        EXPECT_EQ(FixedText(value, decimals), text) << value;
    const std::pair<float, const char*> singles[] = {
        {0.0055555557f, "0.005555556"}, {8.5f, "8.5"},           {-0.9f, "-0.9"}, {1.0e-7f, "0.0000001"},
        {123456789.0f, "123456800"},    {42.123456f, "42.12346"}};
    for (const auto& [value, text] : singles)
        EXPECT_EQ(SingleText(value), text);
}

} // namespace
} // namespace pelorin
