#include "platform/ByteTextAccess.h"

#include "platform/ByteTextEdit.h"

#include <QAccessibleWidget>
#include <algorithm>

namespace pelorin {

namespace {

// Byte text is Latin-1: one byte is one character, so byte positions are character offsets.
class ByteTextAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit ByteTextAccessible(ByteTextEdit* edit) : QAccessibleWidget(edit, QAccessible::EditableText) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value)
            return Whole();
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.editable = !edit()->IsReadOnly();
        s.readOnly = edit()->IsReadOnly();
        s.multiLine = true;
        return s;
    }

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    void selection(int selectionIndex, int* startOffset, int* endOffset) const override {
        const bool any = selectionIndex == 0 && selectionCount() == 1;
        *startOffset = any ? edit()->SelectionStart() : 0;
        *endOffset = any ? edit()->SelectionEnd() : 0;
    }
    int selectionCount() const override { return edit()->SelectionStart() != edit()->SelectionEnd() ? 1 : 0; }
    void addSelection(int startOffset, int endOffset) override { edit()->Select(startOffset, endOffset); }
    void removeSelection(int) override { edit()->Select(edit()->SelectionEnd(), edit()->SelectionEnd()); }
    void setSelection(int, int startOffset, int endOffset) override {
        edit()->Select(startOffset, endOffset);
    }
    int cursorPosition() const override { return edit()->SelectionEnd(); }
    void setCursorPosition(int position) override { edit()->Select(position, position); }
    QString text(int startOffset, int endOffset) const override {
        const std::string_view bytes = edit()->Bytes();
        const auto start = static_cast<size_t>(std::clamp(startOffset, 0, characterCount()));
        const auto end = static_cast<size_t>(std::clamp(endOffset, 0, characterCount()));
        return start < end ? QString::fromLatin1(bytes.substr(start, end - start)) : QString();
    }
    int characterCount() const override { return static_cast<int>(edit()->Bytes().size()); }
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int startIndex, int) override { setCursorPosition(startIndex); }
    QString attributes(int, int* startOffset, int* endOffset) const override {
        *startOffset = 0;
        *endOffset = characterCount();
        return {};
    }

private:
    ByteTextEdit* edit() const { return static_cast<ByteTextEdit*>(widget()); }
    QString Whole() const { return QString::fromLatin1(edit()->Bytes()); }
};

QAccessibleInterface* ByteTextAccessFactory(const QString& className, QObject* object) {
    if (className == QLatin1String(ByteTextEdit::staticMetaObject.className()) && object &&
        object->isWidgetType())
        return new ByteTextAccessible(static_cast<ByteTextEdit*>(object));
    return nullptr;
}

} // namespace

void InstallByteTextAccess() {
    static const bool installed = [] {
        QAccessible::installFactory(ByteTextAccessFactory);
        return true;
    }();
    (void)installed;
}

} // namespace pelorin
