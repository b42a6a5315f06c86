#include "platform/ByteTextEdit.h"

#include "platform/ByteTextAccess.h"
#include "platform/WidgetsInternal.h"

#include <QApplication>
#include <QClipboard>
#include <QFontMetricsF>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <climits>
#include <cmath>

namespace pelorin {

namespace {

constexpr int margin = 4; // pixels between the frame and the text
constexpr int tabColumns = 8;
constexpr unsigned char softHyphen = 0xAD;
// A display shows about 60 pictures a second: painting a log more often shows nothing more.
constexpr int refreshMs = 16;

bool IsLineEnd(char c) {
    return c == '\r' || c == '\n';
}

// C0 and C1 controls and DEL have no glyph: they take the room of a space and show nothing.
bool IsControl(unsigned char b) {
    return b < 0x20 || (b >= 0x7F && b < 0xA0);
}

bool IsWordByte(char c) {
    return QChar::fromLatin1(c).isLetterOrNumber() || c == '_';
}

// Keys that carry text to insert: no Ctrl chord (its text is the plain letter) and no control character.
bool IsTypedText(const QString& text, Qt::KeyboardModifiers modifiers) {
    if (text.isEmpty() || (modifiers & (Qt::ControlModifier | Qt::MetaModifier)))
        return false;
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() >= 0x20 && c != u'\x7f'; });
}

QString WithCrLf(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return text;
}

// A piece of a line drawn with one call.
struct Run {
    double x;
    QString text;
};

} // namespace

ByteTextEdit::ByteTextEdit(QWidget* parent) : QAbstractScrollArea(parent) {
    InstallByteTextAccess();
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    viewport()->setCursor(Qt::IBeamCursor);
    measureFont();
    indexLines();
    updateScrollBars();
}

// ---------------------------------------------------------------- text and selection

void ByteTextEdit::SetBytes(std::string bytes) {
    m_Store = std::move(bytes);
    m_Front = 0;
    viewText();
    m_Undo.clear();
    m_Redo.clear();
    indexLines();
    m_Anchor = m_Caret = 0;
    m_PreferredX = -1;
    updateScrollBars();
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    viewport()->update();
    emit textChanged();
}

void ByteTextEdit::TrimAndAppend(int32_t trimmed, std::string_view appended) {
    holdPaintingUntilRefresh();
    trimFront(trimmed);
    m_Store.append(appended);
    viewText();
    indexTail();
    changed(static_cast<int32_t>(m_Bytes.size()));
}

void ByteTextEdit::Select(int32_t anchor, int32_t caret) {
    m_Anchor = snap(anchor);
    m_Caret = snap(caret);
    m_PreferredX = -1;
    ensureCaretVisible();
    restartCaretBlink();
    viewport()->update();
}

std::string ByteTextEdit::SelectedBytes() const {
    return std::string(m_Bytes.substr(static_cast<size_t>(SelectionStart()),
                                      static_cast<size_t>(SelectionEnd() - SelectionStart())));
}

void ByteTextEdit::ReplaceSelection(std::string_view bytes) {
    replace(SelectionStart(), SelectionEnd(), bytes);
}

void ByteTextEdit::replace(int32_t from, int32_t to, std::string_view bytes) {
    Edit edit{from, std::string(m_Bytes.substr(static_cast<size_t>(from), static_cast<size_t>(to - from))),
              std::string(bytes)};
    apply(from, to, bytes);
    record(std::move(edit));
}

void ByteTextEdit::apply(int32_t from, int32_t to, std::string_view bytes) {
    m_Store.replace(static_cast<size_t>(m_Front + from), static_cast<size_t>(to - from), bytes);
    viewText();
    indexLines();
    changed(snap(static_cast<int64_t>(from) + static_cast<int64_t>(bytes.size())));
}

void ByteTextEdit::changed(int32_t caret) {
    m_Anchor = m_Caret = caret;
    m_PreferredX = -1;
    updateScrollBars();
    ensureCaretVisible();
    restartCaretBlink();
    viewport()->update();
    emit textChanged();
}

void ByteTextEdit::viewText() {
    m_Bytes = std::string_view(m_Store).substr(static_cast<size_t>(m_Front));
}

// Lines wholly before the new front leave the index; the caret and the selection keep their bytes.
void ByteTextEdit::trimFront(int32_t trimmed) {
    trimmed = std::clamp(trimmed, 0, static_cast<int32_t>(m_Bytes.size()));
    if (trimmed == 0)
        return;
    m_Front += trimmed;
    viewText();
    while (m_FirstLine + 1 < m_Lines.size() && m_Lines[m_FirstLine + 1].start <= m_Front)
        ++m_FirstLine;
    // A front inside a line end leaves an empty first line, as indexing the text afresh would.
    Line& first = m_Lines[m_FirstLine];
    first.start = std::max(first.start, m_Front);
    first.end = std::max(first.end, first.start);
    m_Anchor = std::max(0, m_Anchor - trimmed);
    m_Caret = std::max(0, m_Caret - trimmed);
    m_Undo.clear();
    m_Redo.clear();
    if (m_Front > static_cast<int32_t>(m_Bytes.size()))
        compact();
}

void ByteTextEdit::compact() {
    m_Store.erase(0, static_cast<size_t>(m_Front));
    m_Lines.erase(m_Lines.begin(), m_Lines.begin() + static_cast<std::ptrdiff_t>(m_FirstLine));
    for (Line& line : m_Lines) {
        line.start -= m_Front;
        line.end -= m_Front;
    }
    m_FirstLine = 0;
    m_Front = 0;
    viewText();
}

// Characters typed one after the other are undone together, up to a line end.
void ByteTextEdit::record(Edit edit) {
    m_Redo.clear();
    if (!m_Undo.empty()) {
        Edit& last = m_Undo.back();
        const bool typed = edit.removed.empty() && edit.inserted.size() == 1 && !IsLineEnd(edit.inserted[0]);
        const bool follows = last.removed.empty() && !last.inserted.empty() &&
                             !IsLineEnd(last.inserted.back()) &&
                             last.at + static_cast<int32_t>(last.inserted.size()) == edit.at;
        if (typed && follows) {
            last.inserted += edit.inserted;
            return;
        }
    }
    m_Undo.push_back(std::move(edit));
}

void ByteTextEdit::undo(std::vector<Edit>& from, std::vector<Edit>& to) {
    if (from.empty())
        return;
    Edit edit = std::move(from.back());
    from.pop_back();
    apply(edit.at, edit.at + static_cast<int32_t>(edit.inserted.size()), edit.removed);
    std::swap(edit.removed, edit.inserted);
    to.push_back(std::move(edit));
}

void ByteTextEdit::indexLines() {
    m_Store.erase(0, static_cast<size_t>(m_Front));
    m_Front = 0;
    viewText();
    m_FirstLine = 0;
    m_Lines.assign(1, Line{0, 0});
    m_WidestLine = 0;
    m_LastLineWidth = 0;
    indexTail();
}

// One pass from the end of the last line to the end of the text: where each line starts and ends, and
// how wide the widest one is. A CR LF split between two appends stays one line end.
void ByteTextEdit::indexTail() {
    const Line last = m_Lines.back();
    m_Lines.pop_back();
    const auto size = static_cast<int32_t>(m_Store.size());
    const char* bytes = m_Store.data();
    int32_t start = last.start;
    int32_t i = last.end;
    if (i == start && start > m_Front && i < size && bytes[start - 1] == '\r' && bytes[i] == '\n')
        start = ++i;
    double x = m_LastLineWidth;
    for (; i < size; ++i) {
        const char c = bytes[i];
        if (!IsLineEnd(c)) {
            x = advanceAfter(x, static_cast<unsigned char>(c));
            continue;
        }
        m_Lines.push_back({start, i});
        m_WidestLine = std::max(m_WidestLine, x);
        x = 0;
        if (c == '\r' && i + 1 < size && bytes[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    m_Lines.push_back({start, size});
    m_WidestLine = std::max(m_WidestLine, x);
    m_LastLineWidth = x;
}

ByteTextEdit::Line ByteTextEdit::lineAt(int32_t row) const {
    const Line& line = m_Lines[m_FirstLine + static_cast<size_t>(row)];
    return {line.start - m_Front, line.end - m_Front};
}

int32_t ByteTextEdit::lineOf(int32_t position) const {
    const auto first = m_Lines.begin() + static_cast<std::ptrdiff_t>(m_FirstLine);
    const auto after = std::upper_bound(first, m_Lines.end(), position + m_Front,
                                        [](int32_t p, const Line& line) { return p < line.start; });
    return static_cast<int32_t>(after - first) - 1;
}

int32_t ByteTextEdit::snap(int64_t position) const {
    const auto size = static_cast<int64_t>(m_Bytes.size());
    const auto at = static_cast<int32_t>(std::clamp<int64_t>(position, 0, size));
    if (at > 0 && at < size && m_Bytes[at - 1] == '\r' && m_Bytes[at] == '\n')
        return at - 1;
    return at;
}

int32_t ByteTextEdit::nextPosition(int32_t position) const {
    return snap(static_cast<int64_t>(position) + (m_Bytes.compare(position, 2, "\r\n") == 0 ? 2 : 1));
}

int32_t ByteTextEdit::previousPosition(int32_t position) const {
    const bool afterCrLf = position >= 2 && m_Bytes.compare(position - 2, 2, "\r\n") == 0;
    return snap(static_cast<int64_t>(position) - (afterCrLf ? 2 : 1));
}

// ---------------------------------------------------------------- measuring

void ByteTextEdit::measureFont() {
    const QFontMetricsF metrics(font());
    const double space = metrics.horizontalAdvance(QLatin1Char(' '));
    m_UniformAdvance = true;
    for (int b = 0; b < 256; ++b) {
        const auto byte = static_cast<unsigned char>(b);
        const QChar shown = byte == softHyphen ? QChar(u'-') : QChar(b);
        m_Advance[byte] = IsControl(byte) ? space : metrics.horizontalAdvance(shown);
        m_UniformAdvance = m_UniformAdvance && m_Advance[byte] == space;
    }
    m_TabWidth = std::max(1.0, tabColumns * space);
    const QFontMetrics whole(font());
    m_RowHeight = std::max(1, whole.lineSpacing());
    m_Ascent = whole.ascent();
}

double ByteTextEdit::advanceAfter(double x, unsigned char byte) const {
    if (byte == '\t')
        return (std::floor(x / m_TabWidth) + 1) * m_TabWidth;
    return x + m_Advance[byte];
}

double ByteTextEdit::xOf(int32_t position) const {
    const Line line = lineAt(lineOf(position));
    double x = 0;
    for (int32_t i = line.start; i < position && i < line.end; ++i)
        x = advanceAfter(x, static_cast<unsigned char>(m_Bytes[i]));
    return x;
}

int32_t ByteTextEdit::positionAtX(const Line& line, double x) const {
    double left = 0;
    for (int32_t i = line.start; i < line.end; ++i) {
        const double right = advanceAfter(left, static_cast<unsigned char>(m_Bytes[i]));
        if (x < (left + right) / 2)
            return i;
        left = right;
    }
    return line.end;
}

int32_t ByteTextEdit::positionAt(QPoint viewportPoint) const {
    const int rowOffset = static_cast<int>(std::floor(double(viewportPoint.y()) / m_RowHeight));
    const int row = std::clamp(verticalScrollBar()->value() + rowOffset, 0, lineCount() - 1);
    return positionAtX(lineAt(row), viewportPoint.x() - textLeft());
}

int ByteTextEdit::visibleRows() const {
    return std::max(1, viewport()->height() / m_RowHeight);
}

QPoint ByteTextEdit::pointOf(int32_t position) const {
    const int row = lineOf(position) - verticalScrollBar()->value();
    return QPoint(textLeft() + static_cast<int>(std::lround(xOf(position))), row * m_RowHeight);
}

int ByteTextEdit::textLeft() const {
    return margin - horizontalScrollBar()->value();
}

// ---------------------------------------------------------------- editing and moving

void ByteTextEdit::insertTyped(const QString& text) {
    const std::optional<std::string> bytes = widgets::TypedBytes(WithCrLf(text));
    if (!bytes) {
        QApplication::beep();
        return;
    }
    ReplaceSelection(*bytes);
}

void ByteTextEdit::eraseBackward() {
    if (m_Anchor != m_Caret)
        ReplaceSelection({});
    else if (m_Caret > 0)
        replace(previousPosition(m_Caret), m_Caret, {});
}

void ByteTextEdit::eraseForward() {
    if (m_Anchor != m_Caret)
        ReplaceSelection({});
    else if (m_Caret < static_cast<int32_t>(m_Bytes.size()))
        replace(m_Caret, nextPosition(m_Caret), {});
}

void ByteTextEdit::move(Motion motion, bool select) {
    const bool vertical = motion == Motion::NextLine || motion == Motion::PreviousLine ||
                          motion == Motion::NextPage || motion == Motion::PreviousPage;
    if (vertical && m_PreferredX < 0)
        m_PreferredX = xOf(m_Caret);
    const double keptX = vertical ? m_PreferredX : -1;
    int32_t to = target(motion);
    // Left and right without Shift first collapse a selection to its side.
    if (!select && m_Anchor != m_Caret && motion == Motion::PreviousChar)
        to = SelectionStart();
    if (!select && m_Anchor != m_Caret && motion == Motion::NextChar)
        to = SelectionEnd();
    Select(select ? m_Anchor : to, to);
    m_PreferredX = keptX;
}

int32_t ByteTextEdit::target(Motion motion) const {
    const Line line = lineAt(lineOf(m_Caret));
    const int lastLine = lineCount() - 1;
    const auto lineAway = [&](int rows) {
        const int to = std::clamp(lineOf(m_Caret) + rows, 0, lastLine);
        return positionAtX(lineAt(to), m_PreferredX);
    };
    switch (motion) {
    case Motion::NextChar:
        return nextPosition(m_Caret);
    case Motion::PreviousChar:
        return previousPosition(m_Caret);
    case Motion::NextWord:
        return wordEdge(m_Caret, 1);
    case Motion::PreviousWord:
        return wordEdge(m_Caret, -1);
    case Motion::NextLine:
        return lineAway(1);
    case Motion::PreviousLine:
        return lineAway(-1);
    case Motion::NextPage:
        return lineAway(visibleRows());
    case Motion::PreviousPage:
        return lineAway(-visibleRows());
    case Motion::StartOfLine:
        return line.start;
    case Motion::EndOfLine:
        return line.end;
    case Motion::StartOfText:
        return 0;
    case Motion::EndOfText:
        return static_cast<int32_t>(m_Bytes.size());
    }
    return m_Caret;
}

// Forward: past the rest of this word and the gap after it. Backward: to the start of this or the
// previous word.
int32_t ByteTextEdit::wordEdge(int32_t position, int direction) const {
    const auto size = static_cast<int32_t>(m_Bytes.size());
    int32_t p = position;
    if (direction > 0) {
        while (p < size && IsWordByte(m_Bytes[p]))
            ++p;
        while (p < size && !IsWordByte(m_Bytes[p]))
            ++p;
    } else {
        while (p > 0 && !IsWordByte(m_Bytes[p - 1]))
            --p;
        while (p > 0 && IsWordByte(m_Bytes[p - 1]))
            --p;
    }
    return snap(p);
}

void ByteTextEdit::selectWordAt(int32_t position) {
    int32_t start = position;
    int32_t end = position;
    while (start > 0 && IsWordByte(m_Bytes[start - 1]))
        --start;
    while (end < static_cast<int32_t>(m_Bytes.size()) && IsWordByte(m_Bytes[end]))
        ++end;
    Select(start, end);
}

void ByteTextEdit::copy() const {
    if (m_Anchor != m_Caret)
        QApplication::clipboard()->setText(widgets::ToQ(SelectedBytes()));
}

// ---------------------------------------------------------------- events

// Tab would move the focus before it reaches keyPressEvent; in an editable box it is text.
bool ByteTextEdit::event(QEvent* event) {
    if (event->type() == QEvent::KeyPress && !m_ReadOnly) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab && key->modifiers() == Qt::NoModifier) {
            ReplaceSelection("\t");
            return true;
        }
    }
    return QAbstractScrollArea::event(event);
}

void ByteTextEdit::keyPressEvent(QKeyEvent* event) {
    static const struct {
        QKeySequence::StandardKey key;
        Motion motion;
        bool select;
    } motions[] = {
        {QKeySequence::MoveToNextChar, Motion::NextChar, false},
        {QKeySequence::SelectNextChar, Motion::NextChar, true},
        {QKeySequence::MoveToPreviousChar, Motion::PreviousChar, false},
        {QKeySequence::SelectPreviousChar, Motion::PreviousChar, true},
        {QKeySequence::MoveToNextWord, Motion::NextWord, false},
        {QKeySequence::SelectNextWord, Motion::NextWord, true},
        {QKeySequence::MoveToPreviousWord, Motion::PreviousWord, false},
        {QKeySequence::SelectPreviousWord, Motion::PreviousWord, true},
        {QKeySequence::MoveToNextLine, Motion::NextLine, false},
        {QKeySequence::SelectNextLine, Motion::NextLine, true},
        {QKeySequence::MoveToPreviousLine, Motion::PreviousLine, false},
        {QKeySequence::SelectPreviousLine, Motion::PreviousLine, true},
        {QKeySequence::MoveToNextPage, Motion::NextPage, false},
        {QKeySequence::SelectNextPage, Motion::NextPage, true},
        {QKeySequence::MoveToPreviousPage, Motion::PreviousPage, false},
        {QKeySequence::SelectPreviousPage, Motion::PreviousPage, true},
        {QKeySequence::MoveToStartOfLine, Motion::StartOfLine, false},
        {QKeySequence::SelectStartOfLine, Motion::StartOfLine, true},
        {QKeySequence::MoveToEndOfLine, Motion::EndOfLine, false},
        {QKeySequence::SelectEndOfLine, Motion::EndOfLine, true},
        {QKeySequence::MoveToStartOfDocument, Motion::StartOfText, false},
        {QKeySequence::SelectStartOfDocument, Motion::StartOfText, true},
        {QKeySequence::MoveToEndOfDocument, Motion::EndOfText, false},
        {QKeySequence::SelectEndOfDocument, Motion::EndOfText, true},
    };
    for (const auto& m : motions) {
        if (event->matches(m.key)) {
            move(m.motion, m.select);
            return;
        }
    }
    if (event->matches(QKeySequence::Copy)) {
        copy();
        return;
    }
    if (event->matches(QKeySequence::SelectAll)) {
        Select(0, static_cast<int32_t>(m_Bytes.size()));
        return;
    }
    if (!m_ReadOnly) {
        const int key = event->key();
        if (event->matches(QKeySequence::Cut)) {
            copy();
            ReplaceSelection({});
        } else if (event->matches(QKeySequence::Paste)) {
            insertTyped(QApplication::clipboard()->text());
        } else if (event->matches(QKeySequence::Undo)) {
            undo(m_Undo, m_Redo);
        } else if (event->matches(QKeySequence::Redo)) {
            undo(m_Redo, m_Undo);
        } else if (key == Qt::Key_Backspace) {
            eraseBackward();
        } else if (event->matches(QKeySequence::Delete)) {
            eraseForward();
        } else if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            ReplaceSelection("\r\n");
        } else if (IsTypedText(event->text(), event->modifiers())) {
            insertTyped(event->text());
        } else {
            event->ignore();
        }
        return;
    }
    event->ignore();
}

void ByteTextEdit::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    const int32_t at = positionAt(event->position().toPoint());
    Select(event->modifiers() & Qt::ShiftModifier ? m_Anchor : at, at);
}

void ByteTextEdit::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton)
        Select(m_Anchor, positionAt(event->position().toPoint()));
}

void ByteTextEdit::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        selectWordAt(positionAt(event->position().toPoint()));
}

void ByteTextEdit::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    restartCaretBlink();
    viewport()->update();
}

void ByteTextEdit::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    m_Blink.stop();
    m_CaretShown = false;
    viewport()->update();
}

void ByteTextEdit::timerEvent(QTimerEvent* event) {
    if (event->timerId() == m_Refresh.timerId()) {
        endRefreshInterval();
        return;
    }
    if (event->timerId() != m_Blink.timerId()) {
        QAbstractScrollArea::timerEvent(event);
        return;
    }
    m_CaretShown = !m_CaretShown;
    viewport()->update(QRect(pointOf(m_Caret), QSize(1, m_RowHeight)));
}

void ByteTextEdit::inputMethodEvent(QInputMethodEvent* event) {
    if (!m_ReadOnly && !event->commitString().isEmpty())
        insertTyped(event->commitString());
    event->accept();
}

QVariant ByteTextEdit::inputMethodQuery(Qt::InputMethodQuery query) const {
    switch (query) {
    case Qt::ImEnabled:
        return !m_ReadOnly;
    case Qt::ImCursorRectangle:
        return QRect(pointOf(m_Caret) + viewport()->pos(), QSize(1, m_RowHeight));
    default:
        return QAbstractScrollArea::inputMethodQuery(query);
    }
}

void ByteTextEdit::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void ByteTextEdit::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() != QEvent::FontChange)
        return;
    measureFont();
    indexLines();
    updateScrollBars();
    viewport()->update();
}

void ByteTextEdit::scrollContentsBy(int, int) {
    viewport()->update();
}

// ---------------------------------------------------------------- showing

void ByteTextEdit::updateScrollBars() {
    const int rows = visibleRows();
    QScrollBar* vertical = verticalScrollBar();
    vertical->setRange(0, std::max(0, lineCount() - rows));
    vertical->setPageStep(rows);
    vertical->setSingleStep(1);

    const int width = viewport()->width();
    const double content = std::ceil(m_WidestLine) + 2 * margin + 1;
    QScrollBar* horizontal = horizontalScrollBar();
    horizontal->setRange(0, static_cast<int>(std::clamp(content - width, 0.0, double(INT_MAX / 2))));
    horizontal->setPageStep(std::max(1, width));
    horizontal->setSingleStep(std::max(1, static_cast<int>(2 * m_TabWidth / tabColumns)));
}

void ByteTextEdit::ensureCaretVisible() {
    QScrollBar* vertical = verticalScrollBar();
    const int line = lineOf(m_Caret);
    if (line < vertical->value())
        vertical->setValue(line);
    else if (line >= vertical->value() + visibleRows())
        vertical->setValue(line - visibleRows() + 1);

    QScrollBar* horizontal = horizontalScrollBar();
    const double caretX = margin + xOf(m_Caret);
    if (caretX < horizontal->value())
        horizontal->setValue(static_cast<int>(caretX) - margin);
    else if (caretX + 1 > horizontal->value() + viewport()->width())
        horizontal->setValue(static_cast<int>(std::ceil(caretX)) + 1 + margin - viewport()->width());
}

void ByteTextEdit::restartCaretBlink() {
    m_CaretShown = true;
    const int period = QApplication::cursorFlashTime() / 2;
    if (hasFocus() && period > 0)
        m_Blink.start(period, this);
    else
        m_Blink.stop();
}

// Updates are held while appends come within one refresh interval; the scroll bars and the frame
// are held with the text, so that the whole box shows one state.
void ByteTextEdit::holdPaintingUntilRefresh() {
    if (!m_Refresh.isActive()) {
        m_Refresh.start(refreshMs, this);
        return;
    }
    if (!m_PaintingHeld && updatesEnabled()) {
        m_PaintingHeld = true;
        setUpdatesEnabled(false);
    }
}

// Letting updates through again repaints the box once; the next interval holds what comes in it.
void ByteTextEdit::endRefreshInterval() {
    if (!m_PaintingHeld) {
        m_Refresh.stop();
        return;
    }
    m_PaintingHeld = false;
    setUpdatesEnabled(true);
}

void ByteTextEdit::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    painter.setFont(font());
    const int first = verticalScrollBar()->value();
    const int top = event->rect().top() / m_RowHeight;
    const int bottom = event->rect().bottom() / m_RowHeight;
    for (int row = top; row <= bottom && first + row < lineCount(); ++row)
        drawLine(painter, lineAt(first + row), row * m_RowHeight);
}

// Only the bytes inside the view are drawn; those before it are only measured.
void ByteTextEdit::drawLine(QPainter& painter, const Line& line, int y) const {
    const double viewLeft = -textLeft();
    const double viewRight = viewLeft + viewport()->width();
    int32_t i = line.start;
    double x = 0;
    for (; i < line.end; ++i) {
        const double next = advanceAfter(x, static_cast<unsigned char>(m_Bytes[i]));
        if (next > viewLeft)
            break;
        x = next;
    }
    std::vector<Run> runs;
    bool extendsRun = false;
    for (; i < line.end && x < viewRight; ++i) {
        const auto byte = static_cast<unsigned char>(m_Bytes[i]);
        const double next = advanceAfter(x, byte);
        const bool plain = byte != '\t' && !IsControl(byte) && byte != softHyphen;
        if (plain && extendsRun)
            runs.back().text += QChar(char16_t(byte));
        else if (plain || byte == softHyphen)
            runs.push_back({x, byte == softHyphen ? QStringLiteral("-") : QString(QChar(char16_t(byte)))});
        extendsRun = plain && m_UniformAdvance;
        x = next;
    }

    const auto drawRuns = [&](const QColor& colour) {
        painter.setPen(colour);
        for (const Run& run : runs)
            painter.drawText(QPointF(textLeft() + run.x, y + m_Ascent), run.text);
    };
    drawRuns(palette().color(QPalette::Text));

    const int32_t from = std::max(SelectionStart(), line.start);
    const int32_t to = std::min(SelectionEnd(), line.end);
    const bool throughLineEnd = SelectionStart() <= line.end && SelectionEnd() > line.end;
    if (from < to || throughLineEnd) {
        const double left = xOf(from);
        const double right = xOf(to) + (throughLineEnd ? m_Advance[' '] : 0);
        const QRectF band(textLeft() + left, y, right - left, m_RowHeight);
        painter.save();
        painter.fillRect(band, palette().color(QPalette::Highlight));
        painter.setClipRect(band);
        drawRuns(palette().color(QPalette::HighlightedText));
        painter.restore();
    }
    if (m_CaretShown && hasFocus() && m_Caret >= line.start && m_Caret <= line.end)
        painter.fillRect(QRectF(textLeft() + std::round(xOf(m_Caret)), y, 1, m_RowHeight),
                         palette().color(QPalette::Text));
}

} // namespace pelorin
