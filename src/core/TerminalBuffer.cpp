#include "core/TerminalBuffer.h"

#include "core/KeyCodes.h"
#include "core/Protocol.h"

#include <algorithm>
#include <utility>

namespace pelorin {

namespace {

constexpr char kCR = '\r';
constexpr char kLF = '\n';
constexpr std::string_view kLineEnd = "\r\n";
// Shift+P, Shift+E and Shift+H send their control character instead of the capital.
constexpr std::string_view kShiftControlLetters = "PEH";

constexpr int16_t kFirstPrintable = 32;
constexpr char kMacroControl = '^';
// A control character is its letter's code less this.
constexpr int kControlOffset = 64;

bool IsLineEnd(char c) {
    return c == kCR || c == kLF;
}

// The Latin-1 capital of a key's character.
char UpperCase(int16_t keyAscii) {
    const auto c = static_cast<unsigned char>(keyAscii);
    const bool lower = (c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7);
    return static_cast<char>(lower ? c - 0x20 : c);
}

// The text with every line end as CR LF, as the box shows and reports it: a lone CR or LF is one.
std::string CrLfForm(std::string_view text) {
    std::string form;
    form.reserve(text.size() + text.size() / 8);
    for (size_t i = 0; i < text.size(); ++i) {
        if (!IsLineEnd(text[i])) {
            form += text[i];
            continue;
        }
        form += kLineEnd;
        if (text[i] == kCR && i + 1 < text.size() && text[i + 1] == kLF)
            ++i;
    }
    return form;
}

} // namespace

void TerminalBuffer::SetMaxHistory(int32_t characters) {
    m_MaxHistory = static_cast<size_t>(std::clamp(characters, 0, kMaxKept));
}

void TerminalBuffer::Connected() {
    m_LastSysDialSentRow.clear();
    m_LastSysDialRecvRow.clear();
    m_LineEndOpen = false;
}

TerminalBuffer::Arrival TerminalBuffer::Receive(std::string_view data) {
    Arrival arrival;
    std::string_view shown = DropEcho(data);
    arrival.record = std::string(shown);
    TrackReceivedRow(shown);
    if (shown.empty())
        return arrival;

    // A CR LF split between two arrivals is one line end: the CR already showed it.
    if (m_LineEndOpen && shown.front() == kLF && Text().ends_with(kLineEnd))
        shown.remove_prefix(1);
    m_LineEndOpen = data.back() == kCR;
    const std::string display = CrLfForm(shown);
    const size_t oldLength = Text().size();
    const size_t trimmed = Append(display);
    arrival.removedFront = std::min(trimmed, oldLength);
    arrival.appended = display.substr(trimmed - arrival.removedFront);
    return arrival;
}

void TerminalBuffer::Edited(std::string_view text) {
    m_Text.assign(text);
    m_Start = 0;
}

TerminalBuffer::KeyOutcome TerminalBuffer::KeyPress(int16_t keyAscii, int32_t shiftState, int32_t selStart,
                                                    int32_t selLength) {
    KeyOutcome outcome;
    int16_t& key = outcome.keyAscii;
    std::string& out = outcome.send;
    key = keyAscii;
    if (key == kKeyEscape) {
        key = 0;
        outcome.close = true;
    }
    if (key == kKeyEnter) {
        out = EnterLine(selStart, selLength, outcome.textChanged);
        key = 0;
        if (!m_SysdialCodeWord.empty() && out.empty()) {
            // No echo comes for the code word, and the secret is not kept.
            out = std::exchange(m_SysdialCodeWord, {});
            m_LastSysDialSentRow.clear();
        } else {
            m_LastSysDialSentRow = out;
        }
        out += kCR;
    }
    // While the server asks for the code word, typed characters are collected, neither shown nor sent.
    if (m_LastSysDialRecvRow.find(kCodeWordPrompt) != std::string::npos && key >= kFirstPrintable) {
        m_SysdialCodeWord += static_cast<char>(key);
        key = 0;
    } else {
        m_SysdialCodeWord.clear();
    }
    // Backspace cannot take back a line end the server sent.
    if (key == kKeyBackspace && shiftState != kShiftCtrl && EndsWithLineEnd())
        key = 0;
    // A key swallowed above sends nothing.
    if (out.empty() && key != 0 && shiftState == kShiftCtrl) {
        out = UpperCase(key);
        key = 0;
    }
    if (out.empty() && key != 0 && shiftState == kShift) {
        const char capital = UpperCase(key);
        if (kShiftControlLetters.find(capital) != std::string_view::npos) {
            out = static_cast<char>(capital - kControlOffset);
            key = 0;
        }
    }
    return outcome;
}

// Drops the start of the data that repeats the start of the sent row (the server's echo). Data that
// does not repeat it ends the wait for the echo.
std::string_view TerminalBuffer::DropEcho(std::string_view data) {
    const size_t n = std::min(data.size(), m_LastSysDialSentRow.size());
    if (n == 0)
        return data;
    if (data.substr(0, n) != std::string_view(m_LastSysDialSentRow).substr(0, n)) {
        m_LastSysDialSentRow.clear();
        return data;
    }
    m_LastSysDialSentRow.erase(0, n);
    return data.substr(n);
}

// Appends to the text and keeps its last m_MaxHistory characters, never half a line end. Returns
// how many characters were trimmed from the front of (text + appended).
size_t TerminalBuffer::Append(std::string_view text) {
    m_Text += text;
    size_t trimmed = 0;
    if (const size_t length = m_Text.size() - m_Start; length > m_MaxHistory) {
        trimmed = length - m_MaxHistory;
        m_Start += trimmed;
        if (m_Start > 0 && m_Start < m_Text.size() && m_Text[m_Start] == kLF && m_Text[m_Start - 1] == kCR) {
            ++m_Start;
            ++trimmed;
        }
    }
    // The trimmed characters go once they outweigh the text, so each character is moved at most
    // once on average.
    if (m_Start > m_Text.size() - m_Start) {
        m_Text.erase(0, m_Start);
        m_Start = 0;
    }
    return trimmed;
}

// The received row is the line being received, without CRs; a final LF stays with its line.
void TerminalBuffer::TrackReceivedRow(std::string_view data) {
    std::string& row = m_LastSysDialRecvRow;
    for (char c : data)
        if (c != kCR)
            row += c;
    if (row.size() >= 2) {
        if (const size_t lastInner = row.rfind(kLF, row.size() - 2); lastInner != std::string::npos)
            row.erase(0, lastInner + 1);
    }
    if (row.size() > kReceivedRowKept)
        row.erase(0, row.size() - kReceivedRowKept);
}

// What Enter sends: the selection, or else the caret's line. Either is copied to the end of the
// text, unless it is the last line already.
std::string TerminalBuffer::EnterLine(int32_t selStart, int32_t selLength, bool& textChanged) {
    const std::string_view text = Text();
    const size_t start = std::min(static_cast<size_t>(std::max(selStart, 0)), text.size());
    const size_t length = std::min(static_cast<size_t>(std::max(selLength, 0)), text.size() - start);
    if (length > 0) {
        std::string selected(text.substr(start, length));
        Append(CrLfForm(selected));
        textChanged = true;
        return selected;
    }
    size_t lineStart = start;
    while (lineStart > 0 && !IsLineEnd(text[lineStart - 1]))
        --lineStart;
    size_t lineEnd = start;
    while (lineEnd < text.size() && !IsLineEnd(text[lineEnd]))
        ++lineEnd;
    std::string line(text.substr(lineStart, lineEnd - lineStart));
    if (lineEnd + 1 < text.size()) {
        Append(line);
        textChanged = true;
    }
    return line;
}

bool TerminalBuffer::EndsWithLineEnd() const {
    const std::string_view text = Text();
    return !text.empty() && IsLineEnd(text.back());
}

std::string DecodeMacro(std::string_view macro) {
    std::string out;
    for (size_t i = 0; i < macro.size(); ++i) {
        if (macro[i] != kMacroControl) {
            out += macro[i];
            continue;
        }
        if (++i == macro.size())
            break;
        const auto code = static_cast<unsigned char>(UpperCase(static_cast<unsigned char>(macro[i])));
        if (code >= kControlOffset)
            out += static_cast<char>(code - kControlOffset);
    }
    return out;
}

} // namespace pelorin
