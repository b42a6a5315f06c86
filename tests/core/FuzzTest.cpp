// Random and mutated input through the frame cutter and the picture parser, with fixed seeds so that
// a failure can be replayed. The properties checked hold for any bytes whatsoever.

#include "link/FrameCutter.h"
#include "link/Protocol.h"
#include "picture/PictureParser.h"
#include "picture/PictureWriter.h"

#include <gtest/gtest.h>

#include <random>

namespace pelorin {
namespace {

using Random = std::mt19937;

int Uniform(Random& random, int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(random);
}

std::string RandomBytes(Random& random, int count) {
    std::string bytes(static_cast<size_t>(count), '\0');
    for (char& c : bytes)
        c = static_cast<char>(Uniform(random, 0, 255));
    return bytes;
}

// Flips, overwrites, inserts, deletes or truncates a few bytes.
std::string Mutate(Random& random, std::string data) {
    const int edits = Uniform(random, 1, 4);
    for (int i = 0; i < edits && !data.empty(); ++i) {
        const auto at = static_cast<size_t>(Uniform(random, 0, static_cast<int>(data.size()) - 1));
        switch (Uniform(random, 0, 4)) {
        case 0:
            data[at] = static_cast<char>(data[at] ^ (1 << Uniform(random, 0, 7)));
            break;
        case 1:
            data[at] = static_cast<char>(Uniform(random, 0, 255));
            break;
        case 2:
            data.insert(at, RandomBytes(random, Uniform(random, 1, 8)));
            break;
        case 3:
            data.erase(at, static_cast<size_t>(Uniform(random, 1, 8)));
            break;
        default:
            data.resize(at);
        }
    }
    return data;
}

struct Frame {
    uint8_t code;
    std::string payload;
    bool operator==(const Frame&) const = default;
};

struct CutOutcome {
    std::vector<Frame> frames;
    CutResult result = CutResult::Ok;
    std::string left;
};

// Feeds `stream` in the given pieces and stops at the first protocol error, as the control does.
CutOutcome CutInPieces(std::string_view stream, const std::vector<size_t>& pieces) {
    CutOutcome outcome;
    std::string buffer;
    size_t at = 0;
    for (size_t piece : pieces) {
        outcome.result =
            CutFrames(buffer, stream.substr(at, piece), [&](uint8_t code, const std::string& payload) {
                outcome.frames.push_back({code, payload});
            });
        at += piece;
        if (outcome.result == CutResult::ProtocolError)
            break;
    }
    outcome.left = buffer;
    return outcome;
}

std::vector<size_t> RandomPieces(Random& random, size_t total) {
    std::vector<size_t> pieces;
    while (total > 0) {
        const auto piece =
            std::min(total, static_cast<size_t>(Uniform(random, 0, 3) == 0 ? Uniform(random, 1, 4)
                                                                           : Uniform(random, 1, 600)));
        pieces.push_back(piece);
        total -= piece;
    }
    return pieces;
}

std::vector<Frame> RandomFrames(Random& random) {
    std::vector<Frame> frames(static_cast<size_t>(Uniform(random, 1, 12)));
    for (Frame& frame : frames) {
        frame.code = static_cast<uint8_t>(Uniform(random, 0, 255));
        frame.payload = RandomBytes(random, Uniform(random, 0, 3) == 0 ? 0 : Uniform(random, 1, 300));
    }
    return frames;
}

TEST(Fuzz, RandomSplitsOfValidStreamsDeliverEveryFrameOnceInOrder) {
    Random random(20240601);
    for (int round = 0; round < 3000; ++round) {
        const std::vector<Frame> frames = RandomFrames(random);
        std::string stream;
        for (const Frame& frame : frames)
            stream += EncodeFrame(frame.code, frame.payload);
        const CutOutcome outcome = CutInPieces(stream, RandomPieces(random, stream.size()));
        ASSERT_EQ(outcome.result, CutResult::Ok) << "round " << round;
        ASSERT_EQ(outcome.frames, frames) << "round " << round;
        ASSERT_TRUE(outcome.left.empty()) << "round " << round;
    }
}

// Whatever the bytes, splitting them differently never changes what is delivered.
TEST(Fuzz, MutatedStreamsCutTheSameWhateverTheSplits) {
    Random random(7);
    for (int round = 0; round < 3000; ++round) {
        std::string stream;
        for (const Frame& frame : RandomFrames(random))
            stream += EncodeFrame(frame.code, frame.payload);
        stream =
            Uniform(random, 0, 9) == 0 ? RandomBytes(random, Uniform(random, 0, 64)) : Mutate(random, stream);
        const CutOutcome whole = CutInPieces(stream, {stream.size()});
        const CutOutcome pieces = CutInPieces(stream, RandomPieces(random, stream.size()));
        ASSERT_EQ(pieces.frames, whole.frames) << "round " << round;
        ASSERT_EQ(pieces.result, whole.result) << "round " << round;
        if (whole.result == CutResult::Ok) {
            ASSERT_EQ(pieces.left, whole.left) << "round " << round;
            ASSERT_LT(whole.left.size(), stream.size() + 1);
        }
        for (const Frame& frame : whole.frames)
            ASSERT_LE(frame.payload.size(), kMaxPayloadLength);
    }
}

// Element-model invariants that must hold for any element data.
void ExpectChildInvariants(const ElementList& children, int depth) {
    ASSERT_LE(depth, PictureParser::kMaxNesting);
    for (const auto& child : children) {
        const int32_t type = child->m_ElementType;
        ASSERT_TRUE((type >= ET_TEXT && type <= ET_PICTURELINK) || type == ET_EMPTY) << type;
        ASSERT_EQ(child->m_DynamicArrayPointer, -1);
        ASSERT_TRUE(child->m_DynamicElements.empty());
        ExpectChildInvariants(child->m_SymbolElements, depth + 1);
    }
}

void ExpectModelInvariants(const ElementList& elements, int32_t dynamicPointers) {
    int32_t nextIndex = 0;
    for (const auto& element : elements) {
        const int32_t type = element->m_ElementType;
        ASSERT_GT(type, 0);
        const bool dynamic = type == ET_DYNVALUE || type == ET_DYNGROUP || type == ET_SETPOINT;
        ASSERT_EQ(element->m_DynamicArrayPointer, dynamic ? nextIndex++ : -1);
        ExpectChildInvariants(element->m_SymbolElements, 2);
        ExpectChildInvariants(element->m_DynamicElements, 2);
    }
    ASSERT_EQ(dynamicPointers, nextIndex);
}

std::string RandomText(Random& random) {
    return RandomBytes(random, Uniform(random, 0, 12));
}

int16_t Coordinate(Random& random) {
    return static_cast<int16_t>(Uniform(random, -40, 700));
}

uint8_t Colour(Random& random) {
    return static_cast<uint8_t>(Uniform(random, 0, 9));
}

// Appends one random record of a type that may stand at `depth` (1 = top level) to `writer`.
void AddRandomRecord(Random& random, PictureWriter& writer, int depth) {
    switch (Uniform(random, 0, depth == 1 ? 13 : 9)) {
    case 0:
        writer.text(Colour(random), Colour(random), Coordinate(random), Coordinate(random),
                    RandomText(random));
        break;
    case 1: {
        PictureWriter children;
        if (depth < 4)
            for (int i = Uniform(random, 0, 3); i > 0; --i)
                AddRandomRecord(random, children, depth + 1);
        writer.symbol(Colour(random), children);
        break;
    }
    case 2:
        writer.line(Colour(random), 1, Uniform(random, 0, 1), Coordinate(random), Coordinate(random),
                    Coordinate(random), Coordinate(random));
        break;
    case 3:
        writer.box(Colour(random), true, false, 2, Coordinate(random), Coordinate(random), Coordinate(random),
                   Coordinate(random));
        break;
    case 4:
        writer.circle(Colour(random), Colour(random), 1, Coordinate(random), Coordinate(random),
                      Coordinate(random), Coordinate(random), -180, 180);
        break;
    case 5:
        writer.fill(Colour(random), Colour(random), Coordinate(random), Coordinate(random));
        break;
    case 6:
        writer.pictureLink(Colour(random), Colour(random), Coordinate(random), Coordinate(random), 3);
        break;
    case 7:
        writer.empty();
        break;
    case 8:
        // Inside a symbol or group every code from 8 up is dropped unread; at top level only unknown
        // codes are read nothing of.
        writer.raw(static_cast<uint8_t>(depth == 1 ? Uniform(random, 201, 255) : Uniform(random, 8, 255)),
                   RandomText(random));
        break;
    case 9:
        writer.raw(0, RandomText(random));
        break;
    case 10:
        writer.dynValue(Colour(random), Colour(random), static_cast<uint8_t>(Uniform(random, 0, 4)),
                        Coordinate(random), Coordinate(random), RandomText(random));
        break;
    case 11: {
        std::vector<PictureGroupChild> children;
        for (int i = Uniform(random, 0, 4); i > 0; --i) {
            PictureGroupChild child{static_cast<uint8_t>(Uniform(random, 0, 3)), {}};
            AddRandomRecord(random, child.record, depth + 1);
            children.push_back(child);
        }
        writer.dynGroup(Colour(random), Colour(random), Coordinate(random), Coordinate(random), 0,
                        RandomText(random), children);
        break;
    }
    case 12:
        writer.setpoint(RandomText(random), RandomText(random), RandomText(random), "", "");
        break;
    default:
        writer.raw(static_cast<uint8_t>(Uniform(random, 10, 199)), RandomText(random));
    }
}

std::string RandomPicture(Random& random, size_t approximateSize) {
    PictureWriter picture;
    while (picture.size() < approximateSize)
        AddRandomRecord(random, picture, 1);
    return picture.data();
}

const Palette kPalette = {1, 2, 3, 4, 5, 6, 7, 8, 0};

TEST(Fuzz, ValidPicturesParseCompletely) {
    Random random(99);
    PictureParser parser(kPalette, 7, 13);
    for (int round = 0; round < 1500; ++round) {
        PictureWriter picture;
        size_t kept = 0;
        while (picture.size() < 400) {
            const size_t before = picture.size();
            AddRandomRecord(random, picture, 1);
            kept += picture.data()[before] != '\0';
        }
        ElementList elements;
        const int32_t dynamicPointers = parser.ExtractAllElements(picture.data(), elements);
        ASSERT_EQ(elements.size(), kept) << "round " << round;
        ExpectModelInvariants(elements, dynamicPointers);
    }
}

TEST(Fuzz, MutatedAndRandomPicturesKeepTheModelInvariants) {
    Random random(31337);
    PictureParser parser(kPalette, 7, 13);
    for (int round = 0; round < 4000; ++round) {
        const size_t size = Uniform(random, 0, 19) == 0 ? PictureParser::kBufferSize + 200 : 600;
        std::string data;
        switch (Uniform(random, 0, 3)) {
        case 0:
            data = RandomBytes(random, Uniform(random, 0, 600));
            break;
        default:
            data = Mutate(random, RandomPicture(random, size));
        }
        ElementList elements;
        const int32_t dynamicPointers = parser.ExtractAllElements(data, elements);
        ExpectModelInvariants(elements, dynamicPointers);
        if (HasFatalFailure())
            FAIL() << "round " << round;
    }
}

// Garbage after a valid picture never costs the elements before it.
TEST(Fuzz, GarbageAfterAValidPictureKeepsItsElements) {
    Random random(4242);
    PictureParser parser(kPalette, 7, 13);
    for (int round = 0; round < 1000; ++round) {
        const std::string valid = RandomPicture(random, 300);
        ElementList reference;
        parser.ExtractAllElements(valid, reference);
        ElementList elements;
        parser.ExtractAllElements(valid + RandomBytes(random, Uniform(random, 1, 50)), elements);
        ASSERT_GE(elements.size(), reference.size()) << "round " << round;
        for (size_t i = 0; i < reference.size(); ++i)
            ASSERT_EQ(elements[i]->m_ElementType, reference[i]->m_ElementType) << "round " << round;
    }
}

} // namespace
} // namespace pelorin
