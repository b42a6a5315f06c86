#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pelorin::sim {

// The system-dialog channels: a fixed number, each claimed by one session and kept while the
// session repeats its claim (the client's keep-alive), its terminal attached once it connects.
class SysdialChannels {
public:
    explicit SysdialChannels(int total) : m_Total(total) {}

    enum class Claim { Claimed, Refreshed, NoneFree };
    Claim claim(uint64_t session, std::string userName, int64_t nowMs);
    // False when the session held no channel.
    bool release(uint64_t session);
    // Releases every channel whose keep-alive is older than `timeoutMs`; returns their sessions.
    std::vector<uint64_t> expire(int64_t nowMs, int64_t timeoutMs);

    bool holds(uint64_t session) const;
    // Sessions holding a channel and waiting for their terminal, oldest claim first.
    std::vector<uint64_t> awaitingTerminal() const;
    void attachTerminal(uint64_t session);

    int inUse() const { return static_cast<int>(m_Claims.size()); }
    int total() const { return m_Total; }

    // The MSG_SYSDIAL_INFO payload: channels in use and in total, the users, the macro list.
    std::string infoPayload(std::string_view macroList) const;

private:
    struct Holder {
        uint64_t session;
        std::string userName;
        int64_t lastClaimMs;
        bool terminalAttached;
    };
    Holder* find(uint64_t session);

    int m_Total;
    std::vector<Holder> m_Claims;
};

} // namespace pelorin::sim
