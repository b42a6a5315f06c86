#include "core/TerminalBuffer.h"

#include "core/KeyCodes.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace pelorin {
namespace {

using namespace std::string_literals;

// Bytes arrive, or else a key is pressed in the box, with the caret at `caret` (-1: the end) and
// `selected` characters selected from there.
struct Step {
    std::string arrival;
    int16_t key = 0;
    int32_t shift = 0;
    int32_t caret = -1;
    int32_t selected = 0;
};
const Step kEnter = {"", 13};

// The terminal box around the buffer: keys that reach it are typed at its end.
struct Terminal {
    TerminalBuffer buffer;
    std::string sent;
    std::string recorded;

    void Run(const Step& step) {
        if (step.key == 0) {
            const std::string before(buffer.Text());
            const TerminalBuffer::Arrival arrival = buffer.Receive(step.arrival);
            ASSERT_EQ(before.substr(arrival.removedFront) + arrival.appended, buffer.Text());
            recorded += arrival.record;
            return;
        }
        const auto end = static_cast<int32_t>(buffer.Text().size());
        const TerminalBuffer::KeyOutcome outcome =
            buffer.KeyPress(step.key, step.shift, step.caret < 0 ? end : step.caret, step.selected);
        sent += outcome.send;
        if (outcome.keyAscii != 0)
            buffer.Edited(std::string(buffer.Text()) + static_cast<char>(outcome.keyAscii));
    }
};

TEST(TerminalBuffer, LineEndsCodeWordAndTheEndOfTheEchoWait) {
    const std::string asked = "KODORD:\r\n", prompt = "KODORD:" + std::string(300, 'x');
    const struct {
        const char* what;
        std::vector<Step> steps;
        std::string text, sent, recorded;
        int32_t history = 100;
    } cases[] = {
        {"no echo", {{"", 'D'}, kEnter, {"XYZ"}, {"D"}}, "DXYZD", "D\r", "XYZD"},
        {"no half line end", {{"ab\r\ncd"}}, "cd", "", "ab\r\ncd", 3},
        {"split CR LF", {{"A\r"}, {"\nB"}}, "A\r\nB", "", "A\r\nB"},
        {"lone CR and LF", {{"A\r"}, {"B\nC"}}, "A\r\nB\r\nC", "", "A\rB\nC"},
        {"typed after CR", {{"A\r"}, {"", 'x'}, {"\nB"}}, "A\r\nx\r\nB", "", "A\r\nB"},
        {"code word", {{asked}, {"", '1'}, kEnter, {"OK"}}, asked + "OK", "1\r", asked + "OK"},
        {"prompt scrolled out of the row", {{prompt}, {"", '1'}}, prompt + "1", "", prompt, 1000},
        {"Backspace after CR LF", {{"OK\r\n"}, {"", 8}, {"", 8, kShiftCtrl}}, "OK\r\n", "\x08", "OK\r\n"},
        {"Backspace after CR", {{"OK\r"}, {"", 8}}, "OK\r\n", "", "OK\r"},
        {"Enter on an empty line", {{"OK\r\n"}, kEnter}, "OK\r\n", "\r", "OK\r\n"},
    };
    for (const auto& c : cases) {
        Terminal terminal;
        terminal.buffer.SetMaxHistory(c.history);
        for (const Step& step : c.steps)
            terminal.Run(step);
        EXPECT_EQ(terminal.buffer.Text(), c.text) << c.what;
        EXPECT_EQ(terminal.sent, c.sent) << c.what;
        EXPECT_EQ(terminal.recorded, c.recorded) << c.what;
    }
}

// Enter sends the caret's line, or the selection; what is sent from elsewhere than the last line is
// copied to the end. The echo of a sent line is dropped even when it comes in pieces.
TEST(TerminalBuffer, EnterSendsTheCaretsLineOrTheSelectionAndItsEchoIsDroppedInPieces) {
    const struct {
        const char* what;
        std::vector<Step> steps;
        std::string text, sent;
    } cases[] = {
        {"caret on an earlier line", {{"ls\r\nOK> "}, {"", 13, 0, 1}}, "ls\r\nOK> ls", "ls\r"},
        {"caret at an earlier line's start", {{"ab\r\ncd\r\n"}, {"", 13, 0, 4}}, "ab\r\ncd\r\ncd", "cd\r"},
        {"selection", {{"abc def"}, {"", 13, 0, 4, 3}}, "abc defdef", "def\r"},
        {"selection across lines", {{"ab\r\ncd"}, {"", 13, 0, 1, 4}}, "ab\r\ncdb\r\nc", "b\r\nc\r"},
        {"echo in two arrivals", {{"", 'l'}, {"", 's'}, kEnter, {"l"}, {"s\r\nOK"}}, "ls\r\nOK", "ls\r"},
    };
    for (const auto& c : cases) {
        Terminal terminal;
        terminal.buffer.SetMaxHistory(100);
        for (const Step& step : c.steps)
            terminal.Run(step);
        EXPECT_EQ(terminal.buffer.Text(), c.text) << c.what;
        EXPECT_EQ(terminal.sent, c.sent) << c.what;
    }
}

TEST(TerminalBuffer, ReceivedRowIsTheLastLineAndTheTextStaysWithinOneMebibyte) {
    TerminalBuffer buffer;
    buffer.SetMaxHistory(INT32_MAX);
    buffer.Receive("abc\r\nKODORD:\r\n");
    EXPECT_EQ(buffer.LastSysDialRecvRow(), "KODORD:\n");
    EXPECT_TRUE(buffer.KeyPress(27, 0, 0, 0).close);
    const std::string burst(TerminalBuffer::kMaxKept + 1000, 'z');
    buffer.Receive(burst);
    EXPECT_EQ(buffer.Text(), std::string_view(burst).substr(1000));
    EXPECT_EQ(buffer.LastSysDialRecvRow(), std::string(TerminalBuffer::kReceivedRowKept, 'z'));
    buffer.Connected();
    EXPECT_EQ(buffer.LastSysDialRecvRow(), "");
}

TEST(TerminalBuffer, MacrosDecodeCaretAndTheNextCharacterToAControlCharacter) {
    const std::pair<std::string, std::string> cases[] = {
        {"st^M", "st\r"}, {"^m^J", "\r\n"}, {"^1", ""},     {"^[x", "\x1Bx"},
        {"^@", "\0"s},    {"x^", "x"},      {"^^", "\x1E"}, {"^\xE4", "\x84"},
    };
    for (const auto& [macro, sent] : cases)
        EXPECT_EQ(DecodeMacro(macro), sent) << macro;
}

} // namespace
} // namespace pelorin
