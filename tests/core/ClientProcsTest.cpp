#include "core/ClientProcs.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>

namespace pelorin {
namespace {

TEST(ClientProcs, LongFieldsAreBigEndianRoundTripAndAreNeverReadPastTheEnd) {
    EXPECT_EQ(Long2String(300), std::string("\x00\x00\x01\x2C", 4));
    for (int32_t value : {0, 1, 255, 256, 300, 65535, 16777216, std::numeric_limits<int32_t>::max()})
        EXPECT_EQ(String2Long("xx" + Long2String(value), 2), value) << value;

    const std::string data("\x12\x34\x56", 3);
    EXPECT_EQ(String2Long(data, 0), 0x12345600);
    EXPECT_EQ(String2Long(data, 2), 0x56000000);
    EXPECT_EQ(String2Long(data, 3), 0);
    EXPECT_EQ(String2Long(data, -2), 0x1234);
    EXPECT_EQ(String2Long({}, 0), 0);
    EXPECT_EQ(String2Short(data, 2), 0x5600);
    EXPECT_EQ(String2Short(data, 1000000), 0);
    EXPECT_EQ(String2Short(std::string("\xFF\xFF", 2), 0), 65535);
    EXPECT_EQ(String2Short(std::string("\x01\x00", 2), 0), 256);
}

TEST(ClientProcs, GetField) {
    const struct {
        std::string_view text;
        int index;
        std::string_view delimiter;
        std::string expected;
    } cases[] = {
        {"a:b", 0, ":", "a"},      {"a:b", 1, ":", "b"},          {"a:b", 2, ":", ""},   {"ab", 1, ":", ""},
        {"", 0, ":", ""},          {"a::b", 1, ":", ""},          {"a::b", 2, ":", "b"}, {"a:b", -1, ":", ""},
        {"x;;y;;z", 2, ";;", "z"}, {"\xE5:\xF6", 1, ":", "\xF6"}, {":lead", 0, ":", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GetField(c.text, c.index, c.delimiter), c.expected) << c.text << " #" << c.index;
}

TEST(ClientProcs, ScrambleChainsEachByteToThePreviousOutputAndRoundTrips) {
    const std::string scrambled = ScrambleLogin(std::string("AB") + '\xFF', 0x5A);
    EXPECT_EQ(scrambled,
              (std::string{0x5A, 0x5A ^ 'A', 0x5A ^ 'A' ^ 'B', static_cast<char>(0x5A ^ 'A' ^ 'B' ^ 0xFF)}));
    std::string login = "VISA" + std::string(1, '\xFF') + "l\xF6senord";
    for (int c = 0; c < 256; ++c)
        login += static_cast<char>(c);
    for (int seed : {0, 1, 0x5A, 0x80, 0xFF})
        EXPECT_EQ(UnscrambleLogin(ScrambleLogin(login, static_cast<uint8_t>(seed))), login) << seed;
    EXPECT_EQ(ScrambleLogin("", 7), "\x07");
    EXPECT_EQ(UnscrambleLogin(""), "");
    EXPECT_EQ(UnscrambleLogin("\x07"), "");
}

TEST(ClientProcs, ScrambleDrawsItsFirstByteAfreshForEachLogin) {
    const std::string login = "VISA" + std::string(1, '\xFF') + "pw";
    std::set<char> firstBytes;
    for (int i = 0; i < 64; ++i) {
        const std::string scrambled = ScrambleLogin(login);
        ASSERT_EQ(scrambled, ScrambleLogin(login, static_cast<uint8_t>(scrambled[0])));
        firstBytes.insert(scrambled[0]);
    }
    // 64 equal draws from 256 values would happen once in 2^504 runs.
    EXPECT_GT(firstBytes.size(), 1u);
}

TEST(ClientProcs, ReadNumberTakesTheLeadingNumberAndNeverAnInfinity) {
    const std::pair<const char*, double> cases[] = {
        {"", 0},        {"abc", 0},      {"21.5", 21.5}, {"  12.5xyz", 12.5}, {"\t\n -3", -3},
        {"+4", 4},      {"-", 0},        {"- 5", 0},     {".5", 0.5},         {"-.25", -0.25},
        {"5.", 5},      {".", 0},        {"1,5", 1},     {"1.2.3", 1.2},      {"1e3", 1000},
        {"1E-2", 0.01}, {"2.5e+2", 250}, {"2e", 2},      {"2e+", 2},          {"2ex", 2},
        {"007", 7},     {"0.1", 0.1},    {"\r5", 0},     {"1e-999999", 0},    {"1e999999", 0},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(ReadNumber(text), expected) << '"' << text << '"';
    const std::pair<std::string, double> extremes[] = {
        {"0e999999999999999999999", 0},
        {"0.0000000000000000000000000000000000000000001e-300", 0},
        {"12345678901234567890", 12345678901234567890.0},
        {"-1e999999999999999999999999", 0},
        {"1" + std::string(400, '0'), 0},
        {"0.00" + std::string(400, '9') + "e312", 0},
        {"0." + std::string(400, '0') + "1e401", 1.0},
    };
    for (const auto& [text, expected] : extremes)
        EXPECT_EQ(ReadNumber(text), expected) << '"' << text << '"';
}

// A text without a number is told apart from one that reads 0, so that it can be refused.
TEST(ClientProcs, ReadLeadingNumberHasNoneForATextWithoutANumber) {
    for (const char* text : {"", "  ", "abc", "-", ".", "-.", "x5", "1e999999"})
        EXPECT_EQ(ReadLeadingNumber(text), std::nullopt) << '"' << text << '"';
    const std::pair<const char*, double> numbers[] = {{"0", 0}, {"-0.0", 0}, {"21.5abc", 21.5}, {" 1,5", 1}};
    for (const auto& [text, expected] : numbers)
        EXPECT_EQ(ReadLeadingNumber(text), expected) << '"' << text << '"';
}

TEST(ClientProcs, RoundHalfEvenSendsTiesToTheEvenNeighbourAndRoundToClamps) {
    const std::pair<double, double> cases[] = {
        {0.5, 0},
        {1.5, 2},
        {2.5, 2},
        {3.5, 4},
        {-0.5, 0},
        {-1.5, -2},
        {-2.5, -2},
        {2.49, 2},
        {2.51, 3},
        {-2.51, -3},
        {7, 7},
        {-7, -7},
        {1e300, 1e300},
        {HUGE_VAL, HUGE_VAL},
        {4503599627370495.5, 4503599627370496},
    };
    for (const auto& [value, expected] : cases)
        EXPECT_EQ(RoundHalfEven(value), expected) << value;
    EXPECT_TRUE(std::isnan(RoundHalfEven(std::nan(""))));

    EXPECT_EQ(RoundTo<int16_t>(2.5), 2);
    EXPECT_EQ(RoundTo<int16_t>(40000.0), 32767);
    EXPECT_EQ(RoundTo<int16_t>(-40000.0), -32768);
    EXPECT_EQ(RoundTo<int32_t>(HUGE_VAL), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(RoundTo<int32_t>(std::nan("")), 0);
}

} // namespace
} // namespace pelorin
