#include "FrameSupport.h"
#include "core/ClientProcs.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace pelorin::test {
namespace {

const std::vector<Frame> kSample = {{MSG_VALUE, std::string("\x00\x03", 2) + "21.5"},
                                    {MSG_LOGOUT, ""},
                                    {MSG_FUNCTION_TEXT, "V\xE4rmev\xE4xlare \xC5ter \xD6st"},
                                    {MSG_PICTURE_LOG, std::string(300, '\x80')},
                                    {MSG_NO_PICTURE, ""}};

// Split once at every byte (heads included), and byte by byte: every frame is delivered once, in order,
// as soon as its last byte is in and not before.
TEST(FrameCutter, FramesSplitAtEveryByteAreDeliveredOnceInOrderWhenComplete) {
    EXPECT_EQ(EncodeFrame(CMD_GET_PICTURE, "12"), std::string("\x01\x00\x00\x00\x02", 5) + "12");
    const std::string stream = Encode(kSample);
    std::vector<size_t> ends;
    for (const Frame& frame : kSample)
        ends.push_back((ends.empty() ? 0 : ends.back()) + kFrameHeadSize + frame.payload.size());
    Receiver bytewise;
    for (size_t split = 0; split <= stream.size(); ++split) {
        const auto complete =
            kSample.begin() + (std::upper_bound(ends.begin(), ends.end(), split) - ends.begin());
        Receiver receiver;
        ASSERT_EQ(receiver.arrive(std::string_view(stream).substr(0, split)), CutResult::Ok);
        ASSERT_EQ(receiver.frames, std::vector<Frame>(kSample.begin(), complete)) << "split at " << split;
        ASSERT_EQ(receiver.arrive(std::string_view(stream).substr(split)), CutResult::Ok);
        ASSERT_EQ(receiver.frames, kSample) << "split at " << split;
        ASSERT_TRUE(receiver.buffer.empty());
        if (split > 0)
            bytewise.arrive(stream.substr(split - 1, 1));
        ASSERT_EQ(bytewise.frames, std::vector<Frame>(kSample.begin(), complete))
            << "byte by byte to " << split;
    }
}

TEST(FrameCutter, OnlyTheMessageCodesTheClientHandlesAreHandled) {
    std::vector<int> handled;
    for (int code = 0; code <= UINT8_MAX; ++code)
        if (IsHandledMessageCode(static_cast<uint8_t>(code)))
            handled.push_back(code);
    EXPECT_EQ(handled, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 11, 12, 15}));
}

// A negative or over-limit length ends the stream; the largest allowed one waits without being reserved.
TEST(FrameCutter, ImpossibleLengthIsAProtocolErrorEvenInASplitHeadAndNothingFollows) {
    const std::string heads[] = {
        std::string("\x06\xFF\xFF\xFF\xFF", 5),                      // all ones
        Byte2String(MSG_VALUE) + Long2String(kMaxPayloadLength + 1), // one above the limit
    };
    for (const std::string& head : heads) {
        Receiver receiver;
        EXPECT_EQ(receiver.arrive(EncodeFrame(MSG_LOGOUT, "") + head + EncodeFrame(MSG_LOGOUT, "")),
                  CutResult::ProtocolError);
        EXPECT_EQ(receiver.frames.size(), 1u);
        EXPECT_TRUE(receiver.buffer.empty());
        EXPECT_LT(receiver.buffer.capacity(), 1024u);
        Receiver split;
        EXPECT_EQ(split.arrive(head.substr(0, 3)), CutResult::Ok);
        EXPECT_EQ(split.arrive(head.substr(3)), CutResult::ProtocolError);
        EXPECT_TRUE(split.frames.empty());
    }
    Receiver receiver;
    const std::string head = Byte2String(MSG_GLOBAL_LOG) + Long2String(kMaxPayloadLength);
    EXPECT_EQ(receiver.arrive(head + "start"), CutResult::Ok);
    EXPECT_EQ(std::tuple(receiver.frames.size(), receiver.buffer), std::tuple(0u, head + "start"));
    EXPECT_LT(receiver.buffer.capacity(), 1024u);
}

// A handler that adds to the buffer disturbs neither the walk nor the unfinished tail; one that
// empties it (the link closed) is checked through the server link.
TEST(FrameCutter, HandlerAddingToTheBufferDisturbsNothing) {
    const std::string tail = EncodeFrame(MSG_VALUE, "partial").substr(0, 3);
    std::string buffer;
    std::vector<Frame> frames;
    const auto onFrame = [&](uint8_t code, const std::string& payload) {
        frames.push_back({code, payload});
        if (code == MSG_LOGOUT)
            buffer += "added";
    };
    ASSERT_EQ(CutFrames(buffer, Encode(kSample) + tail, onFrame), CutResult::Ok);
    EXPECT_EQ(frames, kSample);
    EXPECT_EQ(buffer, tail + "added");
}

} // namespace
} // namespace pelorin::test
