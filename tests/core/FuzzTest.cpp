// Random valid pictures, whole, followed by garbage and cut short, with a fixed seed so that a failure
// replays. Arbitrary bytes are the fuzz targets' (fuzz/), coverage-guided with sanitizers.

#include "ElementModelCheck.h"
#include "core/PictureParser.h"
#include "core/PictureWriter.h"

#include <gtest/gtest.h>

#include <random>

namespace pelorin::test {
namespace {

struct Random {
    std::mt19937 engine;
    int operator()(int low, int high) { return std::uniform_int_distribution<int>(low, high)(engine); }
    std::string bytes(int count) {
        std::string out(static_cast<size_t>(count), '\0');
        for (char& c : out)
            c = static_cast<char>((*this)(0, 255));
        return out;
    }
};

// Appends one random record of a type that may stand at `depth` (1 = top level) to `w`.
void AddRandomRecord(Random& r, PictureWriter& w, int depth) {
    const auto c = [&] { return static_cast<uint8_t>(r(0, 9)); }; // colour indexes, some past the palette
    const auto x = [&] { return static_cast<int16_t>(r(-40, 700)); };
    const auto t = [&] { return r.bytes(r(0, 12)); };
    const std::function<void()> records[] = {
        [&] { w.text(c(), c(), x(), x(), t()); },
        [&] {
            PictureWriter children;
            for (int i = depth < 4 ? r(0, 3) : 0; i > 0; --i)
                AddRandomRecord(r, children, depth + 1);
            w.symbol(c(), children);
        },
        [&] { w.line(c(), 1, r(0, 1), x(), x(), x(), x()); },
        [&] { w.box(c(), true, false, 2, x(), x(), x(), x()); },
        [&] { w.circle(c(), c(), 1, x(), x(), x(), x(), -180, 180); }, [&] { w.fill(c(), c(), x(), x()); },
        [&] { w.pictureLink(c(), c(), x(), x(), 3); }, [&] { w.empty(); },
        // Inside a symbol or group every code from 8 up is dropped unread; at top level only unknown
        // codes are read nothing of.
        [&] { w.raw(static_cast<uint8_t>(depth == 1 ? r(201, 255) : r(8, 255)), t()); },
        [&] { w.raw(0, t()); },
        // Top level only from here on.
        [&] { w.dynValue(c(), c(), static_cast<uint8_t>(r(0, 4)), x(), x(), t()); },
        [&] {
            std::vector<PictureGroupChild> children(static_cast<size_t>(r(0, 4)));
            for (PictureGroupChild& child : children) {
                child.position = static_cast<uint8_t>(r(0, 3));
                AddRandomRecord(r, child.record, depth + 1);
            }
            w.dynGroup(c(), c(), x(), x(), 0, t(), children);
        },
        [&] { w.setpoint(t(), t(), t(), "", ""); }, [&] { w.raw(static_cast<uint8_t>(r(10, 199)), t()); }};
    records[r(0, depth == 1 ? 13 : 9)]();
}

const Palette kPalette = {1, 2, 3, 4, 5, 6, 7, 8, 0};

// Valid pictures parse completely, garbage after one never costs the elements before it, and cut
// pictures keep the element model's invariants.
TEST(Fuzz, ValidPicturesParseCompletelyWhateverFollowsAndCutOnesKeepTheModelInvariants) {
    Random r{std::mt19937(99)};
    PictureParser parser(kPalette, 7, 13);
    for (int round = 0; round < 2000; ++round) {
        SCOPED_TRACE(round);
        // Now and then a picture larger than the parser's buffer.
        const size_t size = round % 20 == 0 ? PictureParser::kBufferSize + 200 : 400;
        PictureWriter picture;
        size_t kept = 0;
        while (picture.size() < size) {
            const size_t before = picture.size();
            AddRandomRecord(r, picture, 1);
            kept += picture.data()[before] != '\0';
        }
        ElementList elements;
        int32_t dynamicPointers = parser.ExtractAllElements(picture.data(), elements);
        ASSERT_EQ(ElementModelViolation(elements, dynamicPointers), "");
        if (size < PictureParser::kBufferSize) {
            ASSERT_EQ(elements.size(), kept);
            ElementList followed;
            parser.ExtractAllElements(picture.data() + r.bytes(r(1, 50)), followed);
            ASSERT_GE(followed.size(), elements.size());
            for (size_t i = 0; i < elements.size(); ++i)
                ASSERT_EQ(followed[i]->m_ElementType, elements[i]->m_ElementType);
        }
        const std::string damaged =
            picture.data().substr(0, static_cast<size_t>(r(0, 600))) + r.bytes(r(0, 40));
        dynamicPointers = parser.ExtractAllElements(damaged, elements);
        ASSERT_EQ(ElementModelViolation(elements, dynamicPointers), "");
    }
}

} // namespace
} // namespace pelorin::test
