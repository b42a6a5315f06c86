#include "SimContext.h"

namespace pelorin::sim {

namespace {

// The logs are for tests and diagnosis; a long run keeps only the latest entries, and since
// logbooks can be large, the frame log also keeps its bytes bounded.
constexpr size_t kLogLimit = 10000;
constexpr size_t kLogByteLimit = 16 * 1024 * 1024;
constexpr size_t kTerminalLogLimit = 1024 * 1024;

} // namespace

int64_t SimContext::nowMs() const {
    return options.fakeClock ? fakeNowMs : realClock.elapsed();
}

void SimContext::recordFrame(uint64_t session, uint8_t code, const std::string& payload) {
    received.push_back({session, code, payload});
    receivedBytes += payload.size();
    while (received.size() > 1 && (received.size() > kLogLimit || receivedBytes > kLogByteLimit)) {
        receivedBytes -= received.front().payload.size();
        received.pop_front();
    }
}

void SimContext::clearReceived() {
    received.clear();
    receivedBytes = 0;
}

void SimContext::recordWrite(WriteRecord record) {
    writes.push_back(std::move(record));
    if (writes.size() > kLogLimit)
        writes.pop_front();
}

void SimContext::recordTerminalInput(std::string_view bytes) {
    terminalInput += bytes;
    if (terminalInput.size() > kTerminalLogLimit)
        terminalInput.erase(0, terminalInput.size() - kTerminalLogLimit);
}

} // namespace pelorin::sim
