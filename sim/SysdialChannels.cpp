#include "SysdialChannels.h"

#include "core/ClientProcs.h"

#include <algorithm>

namespace pelorin::sim {

SysdialChannels::Claim SysdialChannels::claim(uint64_t session, std::string userName, int64_t nowMs) {
    if (Holder* holder = find(session)) {
        holder->lastClaimMs = nowMs;
        return Claim::Refreshed;
    }
    if (inUse() >= m_Total)
        return Claim::NoneFree;
    m_Claims.push_back({session, std::move(userName), nowMs, false});
    return Claim::Claimed;
}

bool SysdialChannels::release(uint64_t session) {
    return std::erase_if(m_Claims, [session](const Holder& h) { return h.session == session; }) > 0;
}

std::vector<uint64_t> SysdialChannels::expire(int64_t nowMs, int64_t timeoutMs) {
    std::vector<uint64_t> expired;
    for (const Holder& holder : m_Claims)
        if (nowMs - holder.lastClaimMs > timeoutMs)
            expired.push_back(holder.session);
    for (uint64_t session : expired)
        release(session);
    return expired;
}

bool SysdialChannels::holds(uint64_t session) const {
    return std::any_of(m_Claims.begin(), m_Claims.end(),
                       [session](const Holder& h) { return h.session == session; });
}

std::vector<uint64_t> SysdialChannels::awaitingTerminal() const {
    std::vector<uint64_t> waiting;
    for (const Holder& holder : m_Claims)
        if (!holder.terminalAttached)
            waiting.push_back(holder.session);
    return waiting;
}

void SysdialChannels::attachTerminal(uint64_t session) {
    if (Holder* holder = find(session))
        holder->terminalAttached = true;
}

std::string SysdialChannels::infoPayload(std::string_view macroList) const {
    std::string payload = Long2String(inUse()) + Long2String(m_Total);
    for (const Holder& holder : m_Claims)
        payload += Long2String(static_cast<int32_t>(holder.userName.size())) + holder.userName;
    payload += Long2String(static_cast<int32_t>(macroList.size()));
    payload += macroList;
    return payload;
}

SysdialChannels::Holder* SysdialChannels::find(uint64_t session) {
    const auto it = std::find_if(m_Claims.begin(), m_Claims.end(),
                                 [session](const Holder& h) { return h.session == session; });
    return it == m_Claims.end() ? nullptr : &*it;
}

} // namespace pelorin::sim
