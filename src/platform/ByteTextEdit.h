#pragma once

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pelorin {

// A multi-line editor of byte text (Latin-1). What is set is what Bytes() returns: every byte value and
// every line end (CR LF, a lone CR, a lone LF) is kept, and positions are byte offsets. A position never
// falls between the CR and the LF of one line end.
//
// Lines never wrap. Text is measured with a table of the font's advances for the 256 byte values, without
// shaping, and only the visible part of each line is drawn: a line of megabytes shows, scrolls and edits
// without laying out the whole line, as a text document would.
//
// Typed and pasted text is stored as Latin-1, with the look-alikes of TypedBytes mapped; text that has no
// such form is refused whole. Enter and pasted line ends insert CR LF; Tab inserts a tab unless read-only.
class ByteTextEdit : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit ByteTextEdit(QWidget* parent = nullptr);

    std::string_view Bytes() const { return m_Bytes; }
    // Replaces the whole text; the caret goes to the start and the undo history is dropped.
    void SetBytes(std::string bytes);
    // Drops the first `trimmed` bytes and appends `appended`, as a log that keeps its tail does; the
    // caret goes to the end. Costs no more than the bytes added, however long the text; bytes leaving
    // the front take the undo history with them. The text, caret and scroll bars follow at once, but
    // the box paints at the display's pace: the first append after a quiet refresh interval shows at
    // once, those that follow within it show together when it ends.
    void TrimAndAppend(int32_t trimmed, std::string_view appended);

    int32_t SelectionStart() const { return std::min(m_Anchor, m_Caret); }
    int32_t SelectionEnd() const { return std::max(m_Anchor, m_Caret); }
    // Both positions are clamped to the text; the caret is scrolled into view.
    void Select(int32_t anchor, int32_t caret);
    std::string SelectedBytes() const;
    // Replaces the selection with exactly `bytes`, also when read-only; the caret lands after them.
    void ReplaceSelection(std::string_view bytes);

    bool IsReadOnly() const { return m_ReadOnly; }
    void SetReadOnly(bool readOnly) { m_ReadOnly = readOnly; }

signals:
    void textChanged();

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    void scrollContentsBy(int dx, int dy) override;

private:
    // A line's text runs from `start` to `end`, where its line end (or the text) begins.
    struct Line {
        int32_t start;
        int32_t end;
    };
    // One undoable change: at `at`, `removed` was replaced by `inserted`.
    struct Edit {
        int32_t at;
        std::string removed;
        std::string inserted;
    };
    enum class Motion {
        NextChar,
        PreviousChar,
        NextWord,
        PreviousWord,
        NextLine,
        PreviousLine,
        NextPage,
        PreviousPage,
        StartOfLine,
        EndOfLine,
        StartOfText,
        EndOfText
    };

    // Text and line index
    void replace(int32_t from, int32_t to, std::string_view bytes);
    void apply(int32_t from, int32_t to, std::string_view bytes);
    void record(Edit edit);
    void undo(std::vector<Edit>& from, std::vector<Edit>& to);
    void changed(int32_t caret);
    void viewText();
    void trimFront(int32_t trimmed);
    void compact();
    void indexLines();
    void indexTail();
    int32_t lineCount() const { return static_cast<int32_t>(m_Lines.size() - m_FirstLine); }
    // Line `row` in text positions.
    Line lineAt(int32_t row) const;
    int32_t lineOf(int32_t position) const;
    int32_t snap(int64_t position) const;
    int32_t nextPosition(int32_t position) const;
    int32_t previousPosition(int32_t position) const;

    // Measuring
    void measureFont();
    double advanceAfter(double x, unsigned char byte) const;
    double xOf(int32_t position) const;
    int32_t positionAtX(const Line& line, double x) const;
    int32_t positionAt(QPoint viewportPoint) const;
    int visibleRows() const;
    // The top-left corner of the character at `position`, in viewport pixels.
    QPoint pointOf(int32_t position) const;

    // Editing and moving
    void insertTyped(const QString& text);
    void eraseBackward();
    void eraseForward();
    void move(Motion motion, bool select);
    int32_t target(Motion motion) const;
    int32_t wordEdge(int32_t position, int direction) const;
    void selectWordAt(int32_t position);
    void copy() const;

    // Showing
    void updateScrollBars();
    void ensureCaretVisible();
    void restartCaretBlink();
    void holdPaintingUntilRefresh();
    void endRefreshInterval();
    void drawLine(QPainter& painter, const Line& line, int y) const;
    int textLeft() const;

    // The text is m_Store from m_Front on: bytes trimmed from the front stay until they outweigh the
    // text, so that each byte is moved at most once on average. m_Bytes views the text.
    std::string m_Store;
    int32_t m_Front = 0;
    std::string_view m_Bytes;
    // Line positions count in m_Store; the lines before m_FirstLine were trimmed.
    std::vector<Line> m_Lines;
    size_t m_FirstLine = 0;
    // The widest line seen since the text was last indexed whole: trimming leaves it as it is.
    double m_WidestLine = 0;
    double m_LastLineWidth = 0;
    int32_t m_Anchor = 0;
    int32_t m_Caret = 0;
    double m_PreferredX = -1; // kept while moving up and down
    bool m_ReadOnly = false;
    bool m_CaretShown = false;
    QBasicTimer m_Blink;
    // Runs while appends are painted at the display's pace; painting is held while it runs.
    QBasicTimer m_Refresh;
    bool m_PaintingHeld = false;
    std::vector<Edit> m_Undo;
    std::vector<Edit> m_Redo;

    std::array<double, 256> m_Advance{};
    double m_TabWidth = 8;
    bool m_UniformAdvance = true;
    int m_RowHeight = 1;
    int m_Ascent = 0;
};

} // namespace pelorin
