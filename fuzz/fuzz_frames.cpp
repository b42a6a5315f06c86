// The receive step on arbitrary bytes arriving in fuzzer-chosen pieces: however the stream is
// split, the same frames come out; the frames and the kept tail are exactly the stream; and a
// handler that empties the buffer, as a handler that closes the link does, changes nothing.
// Options (head byte): 0x20 makes every handler empty the buffer.

#include "FrameSupport.h"
#include "FuzzSupport.h"
#include "core/ClientProcs.h"

namespace {

using namespace pelorin;
using namespace pelorin::test;

constexpr uint8_t kHandlerEmptiesBuffer = 0x20;

Receiver ReceiveEmptyingTheBuffer(const std::vector<fuzz::Piece>& pieces) {
    Receiver receiver;
    for (const fuzz::Piece& piece : pieces) {
        if (receiver.result != CutResult::Ok)
            break;
        receiver.result =
            CutFrames(receiver.buffer, piece.bytes, [&](uint8_t code, const std::string& payload) {
                receiver.frames.push_back({code, payload});
                receiver.buffer.clear();
            });
    }
    return receiver;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const fuzz::Arrivals arrivals = fuzz::SplitArrivals(data, size);
    Receiver whole;
    whole.arrive(arrivals.stream);

    Receiver pieces;
    if (arrivals.options & kHandlerEmptiesBuffer) {
        pieces = ReceiveEmptyingTheBuffer(arrivals.pieces);
    } else {
        for (const fuzz::Piece& piece : arrivals.pieces)
            pieces.arrive(piece.bytes);
    }
    fuzz::Check(pieces.result == whole.result, "the split does not change the outcome");
    fuzz::Check(pieces.frames == whole.frames, "the split does not change the frames");

    const std::string delivered = Encode(whole.frames);
    const std::string_view stream = arrivals.stream;
    if (whole.result == CutResult::Ok) {
        fuzz::Check(delivered + whole.buffer == stream, "frames and the kept tail are the stream");
        fuzz::Check(pieces.buffer == whole.buffer, "the split does not change the kept tail");
        fuzz::Check(whole.buffer.size() < kFrameHeadSize ||
                        whole.buffer.size() <
                            kFrameHeadSize + static_cast<size_t>(String2Long(whole.buffer, 1)),
                    "only an incomplete frame is kept");
    } else {
        fuzz::Check(stream.substr(0, delivered.size()) == delivered,
                    "the frames before an error are the stream's");
        fuzz::Check(whole.buffer.empty() && pieces.buffer.empty(), "an error leaves the buffer empty");
    }
    for (const Frame& frame : whole.frames)
        fuzz::Check(frame.payload.size() <= kMaxPayloadLength, "no payload beyond the limit");
    return 0;
}
