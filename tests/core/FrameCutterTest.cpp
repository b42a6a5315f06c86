#include "link/FrameCutter.h"
#include "link/ClientProcs.h"
#include "link/Protocol.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace pelorin {
namespace {

struct Frame {
    uint8_t code;
    std::string payload;
    bool operator==(const Frame&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Frame& frame) {
    return out << "{" << int(frame.code) << ", " << frame.payload.size() << " bytes}";
}

// Receives the way the control does: every arrival cut into the same buffer, frames collected in order.
class Receiver {
public:
    CutResult arrive(std::string_view bytes) {
        return CutFrames(buffer, bytes, [this](uint8_t code, const std::string& payload) {
            frames.push_back({code, payload});
        });
    }
    std::string buffer;
    std::vector<Frame> frames;
};

std::string Encode(const std::vector<Frame>& frames) {
    std::string stream;
    for (const Frame& frame : frames)
        stream += EncodeFrame(frame.code, frame.payload);
    return stream;
}

std::string AllBytes() {
    std::string bytes;
    for (int c = 0; c < 256; ++c)
        bytes += static_cast<char>(c);
    return bytes;
}

const std::vector<Frame> kSample = {
    {MSG_VALUE, std::string("\x00\x03", 2) + "21.5"},
    {MSG_LOGOUT, ""},
    {MSG_FUNCTION_TEXT, "V\xE4rmev\xE4xlare \xC5ter \xD6st"},
    {MSG_PICTURE_LOG, AllBytes()},
    {MSG_NO_PICTURE, ""},
};

TEST(FrameCutter, EncodeFrameWritesCodeLengthAndPayload) {
    EXPECT_EQ(EncodeFrame(MSG_LOGOUT, ""), std::string("\x04\x00\x00\x00\x00", 5));
    EXPECT_EQ(EncodeFrame(CMD_GET_PICTURE, "12"), std::string("\x01\x00\x00\x00\x02"
                                                              "12",
                                                              7));
}

TEST(FrameCutter, OneArrivalDeliversEveryFrameInOrder) {
    Receiver receiver;
    EXPECT_EQ(receiver.arrive(Encode(kSample)), CutResult::Ok);
    EXPECT_EQ(receiver.frames, kSample);
    EXPECT_TRUE(receiver.buffer.empty());
}

TEST(FrameCutter, FramesSplitAtEveryByteAreDeliveredOnceWhenComplete) {
    const std::string stream = Encode(kSample);
    for (size_t split = 0; split <= stream.size(); ++split) {
        Receiver receiver;
        ASSERT_EQ(receiver.arrive(std::string_view(stream).substr(0, split)), CutResult::Ok);
        ASSERT_EQ(receiver.arrive(std::string_view(stream).substr(split)), CutResult::Ok);
        ASSERT_EQ(receiver.frames, kSample) << "split at " << split;
        ASSERT_TRUE(receiver.buffer.empty());
    }
}

TEST(FrameCutter, ByteByByteArrivalDeliversEachFrameWithItsLastByte) {
    const std::string stream = Encode(kSample);
    std::vector<size_t> frameEnds;
    size_t end = 0;
    for (const Frame& frame : kSample)
        frameEnds.push_back(end += kFrameHeadSize + frame.payload.size());

    Receiver receiver;
    size_t expected = 0;
    for (size_t i = 0; i < stream.size(); ++i) {
        receiver.arrive(stream.substr(i, 1));
        while (expected < frameEnds.size() && frameEnds[expected] <= i + 1)
            ++expected;
        ASSERT_EQ(receiver.frames.size(), expected) << "after byte " << i;
    }
    EXPECT_EQ(receiver.frames, kSample);
}

TEST(FrameCutter, OnlyTheListedMessageCodesAreHandled) {
    const std::set<int> handled = {0, 1, 2, 3, 4, 5, 6, 11, 12, 15};
    for (int code = 0; code < 256; ++code)
        EXPECT_EQ(IsHandledMessageCode(static_cast<uint8_t>(code)), handled.count(code) == 1) << code;
}

TEST(FrameCutter, UnhandledCodesAreConsumedAndTheFollowingFramesStillArrive) {
    const std::vector<Frame> stream = {{9, "watch"},
                                       {MSG_VALUE, "\x00\x01"
                                                   "1"},
                                       {200, std::string(70000, 'x')},
                                       {13, ""},
                                       {MSG_SYSDIAL_INFO, "i"}};
    std::string buffer;
    std::vector<Frame> dispatched;
    const auto dispatch = [&](uint8_t code, const std::string& payload) {
        if (IsHandledMessageCode(code))
            dispatched.push_back({code, payload});
    };
    ASSERT_EQ(CutFrames(buffer, Encode(stream), dispatch), CutResult::Ok);
    EXPECT_EQ(dispatched, (std::vector<Frame>{stream[1], stream[4]}));
    EXPECT_TRUE(buffer.empty());
}

TEST(FrameCutter, ImpossibleLengthIsAProtocolErrorAndNothingFollows) {
    struct Case {
        std::string head;
        const char* why;
    };
    const Case cases[] = {
        {std::string("\x06\x80\x00\x00\x00", 5), "top bit set"},
        {std::string("\x06\xFF\xFF\xFF\xFF", 5), "all ones"},
        {Byte2String(MSG_VALUE) + Long2String(kMaxPayloadLength + 1), "one above the limit"},
    };
    for (const Case& c : cases) {
        Receiver receiver;
        const std::string stream = EncodeFrame(MSG_LOGOUT, "") + c.head + EncodeFrame(MSG_LOGOUT, "");
        EXPECT_EQ(receiver.arrive(stream), CutResult::ProtocolError) << c.why;
        EXPECT_EQ(receiver.frames.size(), 1u) << c.why;
        EXPECT_TRUE(receiver.buffer.empty()) << c.why;
        EXPECT_LT(receiver.buffer.capacity(), 1024u) << c.why;
    }
}

TEST(FrameCutter, ImpossibleLengthInASplitHeadIsFoundWhenTheHeadCompletes) {
    Receiver receiver;
    EXPECT_EQ(receiver.arrive(std::string("\x01\x80\x00", 3)), CutResult::Ok);
    EXPECT_EQ(receiver.arrive(std::string("\x00\x00", 2)), CutResult::ProtocolError);
    EXPECT_TRUE(receiver.frames.empty());
}

TEST(FrameCutter, LargestPayloadWaitsWithoutReservingIt) {
    Receiver receiver;
    const std::string head = Byte2String(MSG_GLOBAL_LOG) + Long2String(kMaxPayloadLength);
    EXPECT_EQ(receiver.arrive(head + "start"), CutResult::Ok);
    EXPECT_TRUE(receiver.frames.empty());
    EXPECT_EQ(receiver.buffer, head + "start");
    EXPECT_LT(receiver.buffer.capacity(), 1024u);
}

TEST(FrameCutter, HandlerThatEmptiesTheBufferDoesNotDisturbTheWalk) {
    std::string buffer;
    std::vector<Frame> frames;
    const std::string tail = EncodeFrame(MSG_VALUE, "partial").substr(0, 8);
    const auto closeOnLogout = [&](uint8_t code, const std::string& payload) {
        frames.push_back({code, payload});
        if (code == MSG_LOGOUT)
            buffer.clear();
    };
    ASSERT_EQ(CutFrames(buffer, Encode(kSample) + tail, closeOnLogout), CutResult::Ok);
    EXPECT_EQ(frames, kSample);
    EXPECT_EQ(buffer, tail);
}

TEST(FrameCutter, BytesAHandlerAddsFollowTheUnfinishedTail) {
    std::string buffer;
    const std::string tail = EncodeFrame(MSG_VALUE, "partial").substr(0, 3);
    const auto appendOnLogout = [&](uint8_t code, const std::string&) {
        if (code == MSG_LOGOUT)
            buffer += "added";
    };
    ASSERT_EQ(CutFrames(buffer, Encode(kSample) + tail, appendOnLogout), CutResult::Ok);
    EXPECT_EQ(buffer, tail + "added");
}

} // namespace
} // namespace pelorin
