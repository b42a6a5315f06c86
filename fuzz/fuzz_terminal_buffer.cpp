// The terminal's byte logic on arbitrary arrivals and key presses, with the terminal box modelled
// around it (keys that reach the box are typed at the caret, replacing the selection). Whatever
// arrives or is typed: each arrival's reported change turns the old text into the new one; a text
// an arrival changed stays within the history limit, never above 1 MiB, and never starts with half a
// line end; every line end is CR LF; the received row stays within its 256 characters; and the code
// word is never shown, recorded, nor kept as the row whose echo is awaited.
//
// Unmarked pieces arrive from the server. A marked piece is key presses, four bytes each: the key,
// the Shift argument (its top bit passes the caret byte as a raw signed number), the caret and the
// selection. The head's option bits choose the history limit (a limit above 1 MiB keeps 1 MiB; the
// unit tests fill it, which is too slow here). The code word is tracked by a character of its own:
// the server never sends it and the operator types it only at the code-word prompt.

#include "FuzzSupport.h"
#include "core/KeyCodes.h"
#include "core/Protocol.h"
#include "core/TerminalBuffer.h"

#include <algorithm>
#include <array>
#include <climits>
#include <string>
#include <string_view>

namespace {

using namespace pelorin;

constexpr char kSecret = '\xA7';
constexpr int16_t kSecretKey = static_cast<uint8_t>(kSecret);
constexpr char kSecretStandIn = '?';
constexpr int16_t kKeyLineFeed = 10;
constexpr int16_t kFirstPrintable = 32;
constexpr uint8_t kRawCaret = 0x80;
constexpr uint8_t kShiftBits = 0x07;
constexpr size_t kKeyBytes = 4;

constexpr std::array<int32_t, 8> kHistoryLimits = {-5, 0, 1, 3, 64, 4096, 20000, INT32_MAX};

size_t KeptLimit(int32_t history) {
    return static_cast<size_t>(std::clamp(history, 0, TerminalBuffer::kMaxKept));
}

bool LineEndsAreCrLf(std::string_view text) {
    for (size_t i = 0; i < text.size(); ++i) {
        const bool crWithoutLf = text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n');
        const bool lfWithoutCr = text[i] == '\n' && (i == 0 || text[i - 1] != '\r');
        if (crWithoutLf || lfWithoutCr)
            return false;
    }
    return true;
}

// The terminal box: its text is the buffer's, and an edit reports the whole new text back.
class Terminal {
public:
    explicit Terminal(int32_t history) : m_Limit(KeptLimit(history)) { m_Buffer.SetMaxHistory(history); }

    void Arrive(std::string_view bytes) {
        std::string data(bytes);
        std::replace(data.begin(), data.end(), kSecret, kSecretStandIn);
        const std::string before(m_Buffer.Text());
        const TerminalBuffer::Arrival arrival = m_Buffer.Receive(data);
        const std::string_view after = m_Buffer.Text();
        fuzz::Check(arrival.removedFront <= before.size(), "no more is removed than there was");
        const std::string_view kept = std::string_view(before).substr(arrival.removedFront);
        fuzz::Check(after.size() == kept.size() + arrival.appended.size() && after.starts_with(kept) &&
                        after.ends_with(arrival.appended),
                    "the reported change turns the old text into the new one");
        fuzz::Check(arrival.record.find(kSecret) == std::string::npos, "the code word is not recorded");
        if (arrival.removedFront > 0 || !arrival.appended.empty()) {
            fuzz::Check(after.size() <= m_Limit, "the text stays within the history limit");
            fuzz::Check(!after.starts_with('\n'), "the text never starts with half a line end");
        }
        CheckState();
    }

    void Press(const uint8_t* key) {
        const bool atPrompt = m_Buffer.LastSysDialRecvRow().find(kCodeWordPrompt) != std::string::npos;
        auto keyAscii = static_cast<int16_t>(key[0]);
        if (keyAscii >= kFirstPrintable && atPrompt)
            keyAscii = kSecretKey;
        else if (keyAscii == kSecretKey)
            keyAscii = kSecretStandIn;
        const int32_t shift = key[1] & kShiftBits;
        const std::string_view text = m_Buffer.Text();
        int32_t caret = 0;
        int32_t selection = 0;
        if (key[1] & kRawCaret) {
            caret = static_cast<int8_t>(key[2]);
            selection = static_cast<int8_t>(key[3]);
        } else {
            const size_t start = SnapOutOfLineEnd(text, key[2] * (text.size() + 1) / 256);
            const size_t end = SnapOutOfLineEnd(text, start + key[3] * (text.size() - start + 1) / 256);
            caret = static_cast<int32_t>(start);
            selection = static_cast<int32_t>(end - start);
        }
        const TerminalBuffer::KeyOutcome outcome = m_Buffer.KeyPress(keyAscii, shift, caret, selection);
        fuzz::Check(outcome.keyAscii != kSecretKey, "the code word is not shown");
        if (outcome.send.find(kSecret) != std::string::npos)
            fuzz::Check(keyAscii == kKeyEnter &&
                            outcome.send.find_first_not_of(kSecret) == outcome.send.size() - 1,
                        "the code word goes out alone, with Enter");
        if (outcome.keyAscii != 0 && !(key[1] & kRawCaret))
            Type(outcome.keyAscii, static_cast<size_t>(caret), static_cast<size_t>(selection));
        CheckState();
    }

private:
    // The box never puts its caret, nor a selection's end, between the CR and the LF of a line end.
    static size_t SnapOutOfLineEnd(std::string_view text, size_t caret) {
        const bool inside =
            caret > 0 && caret < text.size() && text[caret - 1] == '\r' && text[caret] == '\n';
        return inside ? caret + 1 : caret;
    }

    // A key that reached the box (Enter never does): it replaces the selection, or Backspace takes
    // back the character (or whole line end) before the caret; a line feed starts a new line.
    void Type(int16_t keyAscii, size_t caret, size_t selection) {
        std::string text(m_Buffer.Text());
        if (selection > 0) {
            text.erase(caret, selection);
        } else if (keyAscii == kKeyBackspace && caret > 0) {
            const size_t width = caret >= 2 && text.compare(caret - 2, 2, "\r\n") == 0 ? 2 : 1;
            caret -= width;
            text.erase(caret, width);
        }
        if (keyAscii == kKeyLineFeed)
            text.insert(caret, "\r\n");
        else if (keyAscii != kKeyBackspace)
            text.insert(caret, 1, static_cast<char>(keyAscii));
        m_Buffer.Edited(text);
    }

    void CheckState() const {
        const std::string_view text = m_Buffer.Text();
        fuzz::Check(text.find(kSecret) == std::string::npos, "the code word is never shown");
        fuzz::Check(m_Buffer.LastSysDialSentRow().find(kSecret) == std::string::npos,
                    "the code word is not kept as the sent row");
        fuzz::Check(m_Buffer.LastSysDialRecvRow().size() <= TerminalBuffer::kReceivedRowKept,
                    "the received row stays within its limit");
        fuzz::Check(LineEndsAreCrLf(text), "every line end is CR LF");
    }

    TerminalBuffer m_Buffer;
    size_t m_Limit;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const fuzz::Arrivals arrivals = fuzz::SplitArrivals(data, size);
    const int32_t history = kHistoryLimits[arrivals.options >> 5];
    Terminal terminal(history);
    for (const fuzz::Piece& piece : arrivals.pieces) {
        if (!piece.marked) {
            terminal.Arrive(piece.bytes);
            continue;
        }
        const auto* keys = reinterpret_cast<const uint8_t*>(piece.bytes.data());
        for (size_t at = 0; at + kKeyBytes <= piece.bytes.size(); at += kKeyBytes)
            terminal.Press(keys + at);
    }
    return 0;
}
