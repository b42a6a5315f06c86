#include "core/TerminalBuffer.h"

#include "core/KeyCodes.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace pelorin {
namespace {

using namespace std::string_literals;

// Bytes arrive, or else a key is pressed in the box.
struct Step {
    std::string arrival;
    int16_t key = 0;
    int32_t shift = 0;
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
        const TerminalBuffer::KeyOutcome outcome = buffer.KeyPress(step.key, step.shift, end, 0);
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
