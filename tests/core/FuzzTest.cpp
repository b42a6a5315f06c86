// Random and mutated input through the frame cutter and the picture parser, with fixed seeds so that
// a failure can be replayed. The properties checked hold for any bytes whatsoever.

#include "ElementModelCheck.h"
#include "FrameSupport.h"
#include "core/PictureParser.h"
#include "core/PictureWriter.h"

#include <gtest/gtest.h>

#include <random>

namespace pelorin::test {
namespace {

class Random {
public:
    explicit Random(unsigned seed) : m_Engine(seed) {}
    int operator()(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_Engine); }
    std::string bytes(int count) {
        std::string out(static_cast<size_t>(count), '\0');
        for (char& c : out)
            c = static_cast<char>((*this)(0, 255));
        return out;
    }

private:
    std::mt19937 m_Engine;
};

// Flips, overwrites, inserts, deletes or truncates a few bytes.
std::string Mutate(Random& r, std::string data) {
    for (int edits = r(1, 4); edits > 0 && !data.empty(); --edits) {
        const auto at = static_cast<size_t>(r(0, static_cast<int>(data.size()) - 1));
        const int edit = r(0, 4);
        if (edit == 0)
            data[at] = static_cast<char>(data[at] ^ (1 << r(0, 7)));
        else if (edit == 1)
            data[at] = static_cast<char>(r(0, 255));
        else if (edit == 2)
            data.insert(at, r.bytes(r(1, 8)));
        else if (edit == 3)
            data.erase(at, static_cast<size_t>(r(1, 8)));
        else
            data.resize(at);
    }
    return data;
}

// Feeds `stream` in random pieces, often tiny; cutting stops at the first protocol error.
Receiver CutInRandomPieces(Random& r, std::string_view stream) {
    Receiver receiver;
    for (size_t at = 0; at < stream.size();) {
        const auto piece = static_cast<size_t>(r(0, 3) == 0 ? r(1, 4) : r(1, 600));
        receiver.arrive(stream.substr(at, piece));
        at += piece;
    }
    return receiver;
}

TEST(Fuzz, RandomSplitsDeliverValidStreamsAndCutMutatedOnesAsWhole) {
    Random r(20240601);
    for (int round = 0; round < 5000; ++round) {
        std::vector<Frame> frames(static_cast<size_t>(r(1, 12)));
        for (Frame& frame : frames)
            frame = {static_cast<uint8_t>(r(0, 255)), r.bytes(r(0, 3) == 0 ? 0 : r(1, 300))};
        const Receiver valid = CutInRandomPieces(r, Encode(frames));
        ASSERT_EQ(valid.result, CutResult::Ok) << "round " << round;
        ASSERT_EQ(valid.frames, frames) << "round " << round;
        ASSERT_TRUE(valid.buffer.empty()) << "round " << round;

        // Whatever the bytes, splitting them differently never changes what is delivered.
        const std::string stream = r(0, 9) == 0 ? r.bytes(r(0, 64)) : Mutate(r, Encode(frames));
        Receiver whole;
        whole.arrive(stream);
        const Receiver pieces = CutInRandomPieces(r, stream);
        ASSERT_EQ(pieces.frames, whole.frames) << "round " << round;
        ASSERT_EQ(pieces.result, whole.result) << "round " << round;
        ASSERT_LE(whole.buffer.size(), stream.size());
        if (whole.result == CutResult::Ok) {
            ASSERT_EQ(pieces.buffer, whole.buffer) << "round " << round;
        }
        for (const Frame& frame : whole.frames)
            ASSERT_LE(frame.payload.size(), kMaxPayloadLength);
    }
}

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
        [&] { w.circle(c(), c(), 1, x(), x(), x(), x(), -180, 180); },
        [&] { w.fill(c(), c(), x(), x()); },
        [&] { w.pictureLink(c(), c(), x(), x(), 3); },
        [&] { w.empty(); },
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
        [&] { w.setpoint(t(), t(), t(), "", ""); },
        [&] { w.raw(static_cast<uint8_t>(r(10, 199)), t()); },
    };
    records[r(0, depth == 1 ? 13 : 9)]();
}

std::string RandomPicture(Random& r, size_t approximateSize) {
    PictureWriter picture;
    while (picture.size() < approximateSize)
        AddRandomRecord(r, picture, 1);
    return picture.data();
}

const Palette kPalette = {1, 2, 3, 4, 5, 6, 7, 8, 0};

// Valid pictures parse completely, and garbage after one never costs the elements before it.
TEST(Fuzz, ValidPicturesParseCompletelyWhateverFollows) {
    Random r(99);
    PictureParser parser(kPalette, 7, 13);
    for (int round = 0; round < 1500; ++round) {
        PictureWriter picture;
        size_t kept = 0;
        while (picture.size() < 400) {
            const size_t before = picture.size();
            AddRandomRecord(r, picture, 1);
            kept += picture.data()[before] != '\0';
        }
        ElementList elements;
        const int32_t dynamicPointers = parser.ExtractAllElements(picture.data(), elements);
        ASSERT_EQ(elements.size(), kept) << "round " << round;
        ASSERT_EQ(ElementModelViolation(elements, dynamicPointers), "") << "round " << round;

        ElementList followed;
        parser.ExtractAllElements(picture.data() + r.bytes(r(1, 50)), followed);
        ASSERT_GE(followed.size(), elements.size()) << "round " << round;
        for (size_t i = 0; i < elements.size(); ++i)
            ASSERT_EQ(followed[i]->m_ElementType, elements[i]->m_ElementType) << "round " << round;
    }
}

TEST(Fuzz, MutatedAndRandomPicturesKeepTheModelInvariants) {
    Random r(31337);
    PictureParser parser(kPalette, 7, 13);
    for (int round = 0; round < 4000; ++round) {
        const size_t size = r(0, 19) == 0 ? PictureParser::kBufferSize + 200 : 600;
        const std::string data = r(0, 3) == 0 ? r.bytes(r(0, 600)) : Mutate(r, RandomPicture(r, size));
        ElementList elements;
        const int32_t dynamicPointers = parser.ExtractAllElements(data, elements);
        ASSERT_EQ(ElementModelViolation(elements, dynamicPointers), "") << "round " << round;
    }
}

} // namespace
} // namespace pelorin::test
