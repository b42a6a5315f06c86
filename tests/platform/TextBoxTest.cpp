#include "common/TestSupport.h"
#include "platform/Widgets.h"

#include <QAbstractScrollArea>
#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>
#include <string>
#include <utility>

namespace pelorin {
namespace {

// Counts the paint events a widget gets.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        paints += event->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
};

// Positions count bytes, never between a CR and its LF; the caret keeps its column from line to line.
// Typed characters outside Latin-1 are mapped (minus, narrow spaces) or refused, a paste as a whole.
TEST(MultiLineTextBox, KeepsEveryByteStepsOverWholeLineEndsAndTakesOnlyLatin1) {
    QWidget parent;
    TextBox box(&parent, TextBox::Kind::MultiLine);
    std::string text = "a\nb\rc\xA0"
                       "d\r\ne\t";
    for (int b = 0x20; b < 0x100; ++b)
        text.push_back(static_cast<char>(b));
    text += "\x01\x10\n\n\r\r";
    box.SetText(text);
    EXPECT_EQ(box.Text(), text);
    box.SetSelStart(8);
    EXPECT_EQ(box.SelStart(), 7);
    box.SetSelStart(1 << 30);
    EXPECT_EQ(box.SelStart(), static_cast<int32_t>(text.size()));
    box.SetSelStart(2);
    box.SetSelLength(3);
    EXPECT_EQ(box.SelText(), "b\rc");
    box.SetSelText("\n\xA0\r");
    EXPECT_EQ(std::pair(box.Text(), box.SelStart()), std::pair("a\n\n\xA0\r" + text.substr(5), 5));

    box.SetText("abc\r\nde\nfghij\rk"); // lines start at 0, 5, 8 and 14
    box.SetSelStart(3);
    const std::tuple<Qt::Key, Qt::KeyboardModifiers, int32_t, int32_t> steps[] = {
        {Qt::Key_Right, {}, 5, 0},
        {Qt::Key_Left, {}, 3, 0},
        {Qt::Key_Left, {}, 2, 0},
        {Qt::Key_Down, {}, 7, 0},
        {Qt::Key_Down, {}, 10, 0},
        {Qt::Key_End, {}, 13, 0},
        {Qt::Key_Home, Qt::ShiftModifier, 8, 5},
        {Qt::Key_Up, {}, 5, 0},
        {Qt::Key_Home, Qt::ControlModifier | Qt::ShiftModifier, 0, 5}};
    for (const auto& [key, modifiers, selStart, selLength] : steps) {
        QTest::keyClick(box.widget(), key, modifiers);
        EXPECT_EQ(std::tuple(box.SelStart(), box.SelLength()), std::tuple(selStart, selLength)) << key;
    }
    box.SetSelStart(3);
    QTest::keyClick(box.widget(), Qt::Key_Delete);
    EXPECT_EQ(box.Text(), "abcde\nfghij\rk");

    int changes = 0;
    box.OnChange = [&] { ++changes; };
    box.SetText("");
    EXPECT_EQ(changes, 1) << "setting the text is a change";
    for (const char16_t c : {u'a', u'\u00e4', u'\u2212', u'\u202f', u'\u2007', u'\u20ac', u'\u201d'}) {
        // as a keyboard layout or input method delivers characters outside ASCII
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(QChar(c)));
        QApplication::sendEvent(box.widget(), &press);
    }
    QTest::keyClick(box.widget(), Qt::Key_Return);
    QTest::keyClicks(box.widget(), QStringLiteral("\tb"));
    EXPECT_EQ(box.Text(), "a\xE4-\xA0\xA0\r\n\tb");
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(box.widget(), Qt::Key_Backspace);
    EXPECT_EQ(box.Text(), "a\xE4-\xA0\xA0") << "one backspace takes the whole CR LF";

    for (const QString& pasted : {QStringLiteral("20 \u20ac"), QStringLiteral("x\ny\u2212\u00f6")}) {
        QApplication::clipboard()->setText(pasted);
        QTest::keyClick(box.widget(), Qt::Key_V, Qt::ControlModifier);
    }
    EXPECT_EQ(box.Text(), "a\xE4-\xA0\xA0x\r\ny-\xF6") << "pasted line ends become CR LF";
}

// Only the visible part of a line is laid out, so one unbroken line of megabytes behaves as a short one;
// long lines scroll sideways instead of wrapping.
TEST(MultiLineTextBox, AnUnbrokenLineOfMegabytesShowsScrollsAndEditsToItsEnd) {
    QWidget parent;
    parent.resize(400, 200);
    TextBox box(&parent, TextBox::Kind::MultiLine);
    box.SetFont("Courier New", 8.5, false);
    box.widget()->resize(400, 200);
    parent.show();
    std::string line;
    for (int i = 0; line.size() < (4u << 20); ++i)
        line += std::to_string(i % 10);
    line += "SLUT";
    box.SetText(line + "\r\nzz");

    auto* area = static_cast<QAbstractScrollArea*>(box.widget());
    EXPECT_EQ(area->verticalScrollBar()->maximum(), 0) << "two rows fit: the line is not wrapped";
    box.SetFocus();
    QTest::keyClick(box.widget(), Qt::Key_End);
    EXPECT_EQ(box.SelStart(), static_cast<int32_t>(line.size()));
    EXPECT_GT(area->horizontalScrollBar()->maximum(), 1000) << "the line runs on";
    EXPECT_EQ(area->horizontalScrollBar()->value(), area->horizontalScrollBar()->maximum())
        << "scrolled to the end of the line";
    const QImage shown = area->viewport()->grab().toImage();
    int ink = 0;
    for (int x = shown.width() - 60; x < shown.width(); ++x)
        for (int y = 0; y < 20; ++y)
            ink += qGray(shown.pixel(x, y)) < 128 ? 1 : 0;
    EXPECT_GT(ink, 20) << "the end of the line is drawn";

    QTest::mouseClick(area->viewport(), Qt::LeftButton, {}, QPoint(shown.width() / 2, 5));
    const int32_t clicked = box.SelStart();
    EXPECT_GT(clicked, static_cast<int32_t>(line.size()) - 80);
    EXPECT_LT(clicked, static_cast<int32_t>(line.size()) - 10);
    QTest::keyClicks(box.widget(), QStringLiteral("X"));
    EXPECT_EQ(box.Text(), line.substr(0, static_cast<size_t>(clicked)) + "X" +
                              line.substr(static_cast<size_t>(clicked)) + "\r\nzz");
}

// A box that keeps the tail of a log, trimmed and appended piece by piece, behaves as one given the
// same text whole: the same bytes, rows and caret moves, also where a CR LF is split between pieces or
// the front falls inside one.
TEST(MultiLineTextBox, TrimmingTheFrontAndAppendingMatchesSettingTheTextWhole) {
    QWidget parent;
    TextBox kept(&parent, TextBox::Kind::MultiLine);
    TextBox whole(&parent, TextBox::Kind::MultiLine);
    for (TextBox* box : {&kept, &whole})
        box->widget()->resize(400, 200);
    parent.show();
    const std::pair<int32_t, std::string> steps[] = {
        {0, "abc\r"},    {0, "\ndef\r\n"},  {2, "gh\r"},      {3, "\n"},
        {1, "\r\n\r\n"}, {6, "ij\tk\n"},    {1, "\rlm"},      {4, std::string(40, 'x')},
        {30, "\r"},      {20, "\nno\r\np"}, {100, "qr\r\ns"}, {5, ""}};
    std::string text;
    for (const auto& [trimmed, appended] : steps) {
        kept.TrimAndAppend(trimmed, appended);
        text = text.substr(std::min(text.size(), static_cast<size_t>(trimmed))) + appended;
        whole.SetText(text);
        whole.SetSelStart(static_cast<int32_t>(text.size()));
        ASSERT_EQ(kept.Text(), text);
        EXPECT_EQ(kept.SelStart(), static_cast<int32_t>(text.size())) << "the caret follows the end";
        for (const Qt::Key key : {Qt::Key_Up, Qt::Key_Home, Qt::Key_Up, Qt::Key_End, Qt::Key_Down,
                                  Qt::Key_Left, Qt::Key_Up, Qt::Key_PageDown, Qt::Key_PageUp}) {
            QTest::keyClick(kept.widget(), key);
            QTest::keyClick(whole.widget(), key);
            EXPECT_EQ(kept.SelStart(), whole.SelStart())
                << "key " << key << " in " << text.size() << " bytes";
        }
    }
}

// A log that grows faster than the display refreshes paints once per refresh: the first append at once,
// those within the refresh interval together at its end. The text, the caret and the scroll bars follow
// every append at once. Posted events (the repaint requests) are delivered after each append, timers
// only at the end, so the interval lasts as long as the appends do.
TEST(MultiLineTextBox, AppendsWithinOneRefreshArePaintedOnceAndCaretAndScrollFollowEachAtOnce) {
    QWidget parent;
    parent.resize(400, 200);
    TextBox box(&parent, TextBox::Kind::MultiLine);
    box.widget()->resize(400, 200);
    parent.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
    auto* area = static_cast<QAbstractScrollArea*>(box.widget());
    QCoreApplication::sendPostedEvents();
    const PaintCounter counter(area->viewport());

    std::string text;
    for (int i = 0; i < 100; ++i) {
        const std::string line = "PG01.BV.GP" + std::to_string(i) + " = 55.0\r\n";
        text += line;
        box.TrimAndAppend(0, line);
        QCoreApplication::sendPostedEvents();
        ASSERT_EQ(box.SelStart(), static_cast<int32_t>(text.size())) << i;
        ASSERT_EQ(area->verticalScrollBar()->value(), area->verticalScrollBar()->maximum()) << i;
    }
    EXPECT_GT(area->verticalScrollBar()->maximum(), 80) << "every line counted";
    EXPECT_EQ(counter.paints, 1) << "only the first append painted before the refresh";
    EXPECT_TRUE(test::waitFor([&] { return counter.paints == 2; })) << "the others painted at the refresh";
    EXPECT_EQ(box.Text(), text);
}

// A screen reader reads a multi-line box's text (Latin-1 bytes as characters), its caret and selection.
TEST(MultiLineTextBoxAccess, ExposesTextCaretAndSelection) {
    QWidget parent;
    TextBox box(&parent, TextBox::Kind::MultiLine);
    box.SetAccessibleName("Terminal");
    box.SetText("KODORD:\r\nR\xE4kna");
    box.SetSelStart(9);
    box.SetSelLength(3);
    QAccessibleInterface* edit = QAccessible::queryAccessibleInterface(box.widget());
    ASSERT_NE(edit, nullptr);
    QAccessibleTextInterface* text = edit->textInterface();
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(edit->text(QAccessible::Name), QStringLiteral("Terminal"));
    EXPECT_EQ(edit->text(QAccessible::Value), QStringLiteral("KODORD:\r\nRäkna"));
    EXPECT_EQ(text->characterCount(), 14);
    EXPECT_EQ(text->text(9, 12), QStringLiteral("Räk"));
    int start = 0, end = 0;
    text->selection(0, &start, &end);
    EXPECT_EQ(std::tuple(text->selectionCount(), start, end, text->cursorPosition()),
              std::tuple(1, 9, 12, 12));
}

} // namespace
} // namespace pelorin
