#include "platform/Widgets.h"

#include "platform/ByteTextEdit.h"
#include "platform/Colour.h"
#include "platform/InputCodes.h"
#include "platform/Screen.h"
#include "platform/WidgetsInternal.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <cmath>

namespace pelorin {

using widgets::FromQ;
using widgets::ToQ;

namespace widgets {

std::optional<std::string> TypedBytes(const QString& text) {
    std::string bytes;
    bytes.reserve(static_cast<size_t>(text.size()));
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x100)
            bytes.push_back(static_cast<char>(u));
        else if (u == 0x2212)
            bytes.push_back('-');
        else if (u == 0x202F || u == 0x2007)
            bytes.push_back('\xA0');
        else
            return std::nullopt;
    }
    return bytes;
}

int16_t KeyCodeOf(const QKeyEvent& event) {
    const int key = event.key();
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9))
        return static_cast<int16_t>(key);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return static_cast<int16_t>(112 + (key - Qt::Key_F1));
    switch (key) {
    case Qt::Key_Backspace:
        return 8;
    case Qt::Key_Tab:
        return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 13;
    case Qt::Key_Shift:
        return 16;
    case Qt::Key_Control:
        return 17;
    case Qt::Key_Alt:
        return 18;
    case Qt::Key_Escape:
        return 27;
    case Qt::Key_Space:
        return 32;
    case Qt::Key_PageUp:
        return 33;
    case Qt::Key_PageDown:
        return 34;
    case Qt::Key_End:
        return 35;
    case Qt::Key_Home:
        return 36;
    case Qt::Key_Left:
        return 37;
    case Qt::Key_Up:
        return 38;
    case Qt::Key_Right:
        return 39;
    case Qt::Key_Down:
        return 40;
    case Qt::Key_Insert:
        return 45;
    case Qt::Key_Delete:
        return 46;
    default:
        return static_cast<int16_t>(KeyAscii(event));
    }
}

QString QtFileFilter(const std::string& filter) {
    const QStringList parts = ToQ(filter).split(QLatin1Char('|'));
    QStringList qtFilters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        qtFilters << parts.at(i);
    return qtFilters.join(QStringLiteral(";;"));
}

} // namespace widgets

namespace {

// Routes widget events to a wrapper's handlers. It lives as long as the wrapper (not the widget),
// so a widget that outlives its wrapper during the control's destruction reaches no handler.
class EventRelay : public QObject {
public:
    explicit EventRelay(std::function<bool(QObject*, QEvent*)> handler) : m_Handler(std::move(handler)) {}
    bool eventFilter(QObject* watched, QEvent* event) override { return m_Handler(watched, event); }

private:
    std::function<bool(QObject*, QEvent*)> m_Handler;
};

int ToPixels(double twips, double twipsPerPixel) {
    return static_cast<int>(std::lround(twips / twipsPerPixel));
}

// The wrappers keep the twips value they were given while the widget still has the pixel size it
// produced, so that layout arithmetic on design sizes stays exact.
double ToTwips(double remembered, int pixels, double twipsPerPixel) {
    return ToPixels(remembered, twipsPerPixel) == pixels ? remembered : pixels * twipsPerPixel;
}

} // namespace

// ---------------------------------------------------------------- ControlBase

ControlBase::ControlBase(QWidget* widget) : m_Widget(widget) {}

ControlBase::~ControlBase() {
    delete m_Filter;
    delete m_Relay;
}

double ControlBase::Left() const {
    return ToTwips(m_Left, m_Widget->x(), Screen::TwipsPerPixelX());
}
double ControlBase::Top() const {
    return ToTwips(m_Top, m_Widget->y(), Screen::TwipsPerPixelY());
}
double ControlBase::Width() const {
    return ToTwips(m_TwipsWidth, m_Widget->width(), Screen::TwipsPerPixelX());
}
double ControlBase::Height() const {
    return ToTwips(m_TwipsHeight, m_Widget->height(), Screen::TwipsPerPixelY());
}

void ControlBase::SetLeft(double twips) {
    m_Left = twips;
    m_Widget->move(ToPixels(twips, Screen::TwipsPerPixelX()), m_Widget->y());
}

void ControlBase::SetTop(double twips) {
    m_Top = twips;
    m_Widget->move(m_Widget->x(), ToPixels(twips, Screen::TwipsPerPixelY()));
}

void ControlBase::SetWidth(double twips) {
    m_TwipsWidth = twips;
    m_Widget->resize(std::max(0, ToPixels(twips, Screen::TwipsPerPixelX())), m_Widget->height());
}

void ControlBase::SetHeight(double twips) {
    m_TwipsHeight = twips;
    m_Widget->resize(m_Widget->width(), std::max(0, ToPixels(twips, Screen::TwipsPerPixelY())));
}

bool ControlBase::Visible() const {
    return !m_Widget->isHidden();
}
void ControlBase::SetVisible(bool visible) {
    m_Widget->setVisible(visible);
}
bool ControlBase::Enabled() const {
    return m_Widget->isEnabled();
}
void ControlBase::SetEnabled(bool enabled) {
    m_Widget->setEnabled(enabled);
}

bool ControlBase::SetFocus() {
    if (!m_Widget->isVisible() || !m_Widget->isEnabled())
        return false;
    m_Widget->setFocus(Qt::OtherFocusReason);
    return true;
}

void ControlBase::SetToolTip(const std::string& text) {
    m_Widget->setToolTip(ToQ(text));
    // A button showing only its picture is named by its tooltip.
    if (auto* button = qobject_cast<QAbstractButton*>(m_Widget); button && button->text().isEmpty())
        button->setAccessibleName(ToQ(text));
}

void ControlBase::SetAccessibleName(const std::string& name) {
    m_Widget->setAccessibleName(ToQ(name));
}

void ControlBase::SetFontSize(double points) {
    if (!(points > 0))
        return;
    QFont font = m_Widget->font();
    font.setPointSizeF(points);
    m_Widget->setFont(font);
}

void ControlBase::SetFont(const std::string& name, double points, bool bold) {
    QFont font = m_Widget->font();
    font.setFamily(ToQ(name));
    if (points > 0)
        font.setPointSizeF(points);
    font.setBold(bold);
    m_Widget->setFont(font);
}

// ---------------------------------------------------------------- TextBox

TextBox::TextBox(QWidget* parent, Kind kind)
    : ControlBase(kind == Kind::MultiLine ? static_cast<QWidget*>(new ByteTextEdit(parent))
                                          : static_cast<QWidget*>(new QLineEdit(parent))) {
    const auto raiseChange = [this] {
        if (OnChange)
            OnChange();
    };
    if (auto* line = qobject_cast<QLineEdit*>(m_Widget)) {
        if (kind == Kind::Password)
            line->setEchoMode(QLineEdit::Password);
        QObject::connect(line, &QLineEdit::textChanged, m_Relay = new QObject, raiseChange);
    } else {
        QObject::connect(edit(), &ByteTextEdit::textChanged, m_Relay = new QObject, raiseChange);
    }
    m_Filter = new EventRelay([this](QObject*, QEvent* event) { return HandleEvent(event); });
    m_Widget->installEventFilter(m_Filter);
    if (ByteTextEdit* multiLine = edit())
        multiLine->viewport()->installEventFilter(m_Filter);
}

ByteTextEdit* TextBox::edit() const {
    return qobject_cast<ByteTextEdit*>(m_Widget);
}

bool TextBox::HandleEvent(QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
        return HandleKey(static_cast<QKeyEvent&>(*event));
    case QEvent::MouseButtonDblClick:
        if (OnDblClick)
            OnDblClick();
        return false;
    case QEvent::FocusIn:
        if (OnGotFocus)
            OnGotFocus();
        return false;
    default:
        return false;
    }
}

bool TextBox::HandleKey(const QKeyEvent& event) {
    if (OnKeyDown) {
        int16_t keyCode = widgets::KeyCodeOf(event);
        OnKeyDown(keyCode, static_cast<int16_t>(ShiftState(event.modifiers())));
    }
    const auto typed = static_cast<int16_t>(KeyAscii(event));
    if (typed == 0 || !OnKeyPress)
        return false;
    int16_t keyAscii = typed;
    OnKeyPress(keyAscii);
    if (keyAscii == typed)
        return false;
    if (keyAscii > 0 && keyAscii <= 255)
        SetSelText(std::string(1, static_cast<char>(keyAscii)));
    return true;
}

std::string TextBox::Text() const {
    if (ByteTextEdit* multiLine = edit())
        return std::string(multiLine->Bytes());
    return FromQ(static_cast<QLineEdit*>(m_Widget)->text());
}

void TextBox::SetText(const std::string& text) {
    if (ByteTextEdit* multiLine = edit())
        multiLine->SetBytes(text);
    else
        static_cast<QLineEdit*>(m_Widget)->setText(ToQ(text));
}

int32_t TextBox::SelStart() const {
    if (ByteTextEdit* multiLine = edit())
        return multiLine->SelectionStart();
    auto* line = static_cast<QLineEdit*>(m_Widget);
    return line->hasSelectedText() ? line->selectionStart() : line->cursorPosition();
}

void TextBox::SetSelStart(int32_t position) {
    if (ByteTextEdit* multiLine = edit()) {
        multiLine->Select(position, position);
        return;
    }
    auto* line = static_cast<QLineEdit*>(m_Widget);
    line->setCursorPosition(std::clamp<int32_t>(position, 0, static_cast<int32_t>(line->text().size())));
}

int32_t TextBox::SelLength() const {
    if (ByteTextEdit* multiLine = edit())
        return multiLine->SelectionEnd() - multiLine->SelectionStart();
    return static_cast<int32_t>(SelText().size());
}

void TextBox::SetSelLength(int32_t length) {
    const int32_t start = SelStart();
    if (ByteTextEdit* multiLine = edit()) {
        multiLine->Select(start, start + std::max<int32_t>(0, length));
        return;
    }
    auto* line = static_cast<QLineEdit*>(m_Widget);
    const int32_t available = static_cast<int32_t>(line->text().size()) - start;
    line->setSelection(start, std::clamp<int32_t>(length, 0, std::max<int32_t>(0, available)));
}

std::string TextBox::SelText() const {
    if (ByteTextEdit* multiLine = edit())
        return multiLine->SelectedBytes();
    return FromQ(static_cast<QLineEdit*>(m_Widget)->selectedText());
}

void TextBox::SetSelText(const std::string& text) {
    if (ByteTextEdit* multiLine = edit())
        multiLine->ReplaceSelection(text);
    else
        static_cast<QLineEdit*>(m_Widget)->insert(ToQ(text));
}

void TextBox::TrimAndAppend(int32_t trimmed, const std::string& appended) {
    if (ByteTextEdit* multiLine = edit()) {
        multiLine->TrimAndAppend(trimmed, appended);
        return;
    }
    const std::string text = Text();
    SetText(text.substr(std::min(static_cast<size_t>(std::max(trimmed, 0)), text.size())) + appended);
    SetSelStart(static_cast<int32_t>(Text().size()));
}

bool TextBox::Locked() const {
    if (ByteTextEdit* multiLine = edit())
        return multiLine->IsReadOnly();
    return static_cast<QLineEdit*>(m_Widget)->isReadOnly();
}

void TextBox::SetLocked(bool locked) {
    if (ByteTextEdit* multiLine = edit())
        multiLine->SetReadOnly(locked);
    else
        static_cast<QLineEdit*>(m_Widget)->setReadOnly(locked);
}

void TextBox::SetBackColor(Colour c) {
    QPalette palette = m_Widget->palette();
    palette.setColor(QPalette::Base, ToQColor(c));
    m_Widget->setPalette(palette);
}

void TextBox::SetForeColor(Colour c) {
    QPalette palette = m_Widget->palette();
    palette.setColor(QPalette::Text, ToQColor(c));
    m_Widget->setPalette(palette);
}

void TextBox::SetBorderless(bool borderless) {
    if (auto* line = qobject_cast<QLineEdit*>(m_Widget)) {
        line->setFrame(!borderless);
        line->setAlignment(borderless ? Qt::AlignCenter : Qt::AlignLeft);
    }
}

Colour TextBox::BackColor() const {
    return RgbToColour(m_Widget->palette().color(QPalette::Base).rgb());
}
Colour TextBox::ForeColor() const {
    return RgbToColour(m_Widget->palette().color(QPalette::Text).rgb());
}

// ---------------------------------------------------------------- Frame, Label

Frame::Frame(QWidget* parent, const std::string& caption) : ControlBase(new QGroupBox(ToQ(caption), parent)) {
    // A frame lies over the picture: it shows its own background, not the picture through it.
    m_Widget->setAutoFillBackground(true);
    m_Filter = new EventRelay([this](QObject*, QEvent* event) {
        if (event->type() == QEvent::MouseButtonDblClick && OnDblClick)
            OnDblClick();
        return false;
    });
    m_Widget->installEventFilter(m_Filter);
}

std::string Frame::Caption() const {
    return FromQ(static_cast<QGroupBox*>(m_Widget)->title());
}
void Frame::SetCaption(const std::string& caption) {
    static_cast<QGroupBox*>(m_Widget)->setTitle(ToQ(caption));
}

Label::Label(QWidget* parent, const std::string& caption) : ControlBase(new QLabel(ToQ(caption), parent)) {
    m_Widget->adjustSize();
}

std::string Label::Caption() const {
    return FromQ(static_cast<QLabel*>(m_Widget)->text());
}

void Label::SetCaption(const std::string& caption) {
    static_cast<QLabel*>(m_Widget)->setText(ToQ(caption));
    m_Widget->adjustSize();
    NameLabelled();
}

void Label::Names(ControlBase& control) {
    m_Labelled = &control;
    NameLabelled();
}

// "Lösenord:" names the box "Lösenord": the colon and a mnemonic's "&" are not read out.
void Label::NameLabelled() {
    if (!m_Labelled)
        return;
    QString name = static_cast<QLabel*>(m_Widget)->text();
    name.remove(QLatin1Char('&'));
    if (name.endsWith(QLatin1Char(':')))
        name.chop(1);
    m_Labelled->widget()->setAccessibleName(name.trimmed());
}

// ---------------------------------------------------------------- ComboBox, CheckBox, CommandButton

ComboBox::ComboBox(QWidget* parent) : ControlBase(new QComboBox(parent)) {
    auto* combo = static_cast<QComboBox*>(m_Widget);
    QObject::connect(combo, &QComboBox::activated, m_Relay = new QObject, [this] {
        if (OnClick)
            OnClick();
    });
}

void ComboBox::AddItem(const std::string& text) {
    static_cast<QComboBox*>(m_Widget)->addItem(ToQ(text));
}
int32_t ComboBox::ListCount() const {
    return static_cast<QComboBox*>(m_Widget)->count();
}
std::string ComboBox::List(int32_t index) const {
    return FromQ(static_cast<QComboBox*>(m_Widget)->itemText(index));
}

void ComboBox::SetListIndex(int32_t index) {
    auto* combo = static_cast<QComboBox*>(m_Widget);
    if (index < -1 || index >= combo->count())
        return;
    combo->setCurrentIndex(index);
    if (OnClick)
        OnClick();
}

std::string ComboBox::Text() const {
    return FromQ(static_cast<QComboBox*>(m_Widget)->currentText());
}

CheckBox::CheckBox(QWidget* parent, const std::string& caption)
    : ControlBase(new QCheckBox(ToQ(caption), parent)) {
    QObject::connect(static_cast<QCheckBox*>(m_Widget), &QCheckBox::clicked, m_Relay = new QObject, [this] {
        if (OnClick)
            OnClick();
    });
}

int32_t CheckBox::Value() const {
    return static_cast<QCheckBox*>(m_Widget)->isChecked() ? 1 : 0;
}

void CheckBox::SetValue(int32_t value) {
    auto* check = static_cast<QCheckBox*>(m_Widget);
    if (check->isChecked() == (value != 0))
        return;
    check->setChecked(value != 0);
    if (OnClick)
        OnClick();
}

CommandButton::CommandButton(QWidget* parent, const std::string& caption)
    : ControlBase(new QPushButton(ToQ(caption), parent)) {
    QObject::connect(static_cast<QPushButton*>(m_Widget), &QPushButton::clicked, m_Relay = new QObject,
                     [this] {
                         if (OnClick)
                             OnClick();
                     });
    m_Filter = new EventRelay([this](QObject*, QEvent* event) {
        if (event->type() != QEvent::KeyPress || !OnEnter)
            return false;
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key != Qt::Key_Return && key != Qt::Key_Enter)
            return false;
        OnEnter();
        return true;
    });
    m_Widget->installEventFilter(m_Filter);
}

std::string CommandButton::Caption() const {
    return FromQ(static_cast<QPushButton*>(m_Widget)->text());
}
void CommandButton::SetCaption(const std::string& caption) {
    static_cast<QPushButton*>(m_Widget)->setText(ToQ(caption));
}
void CommandButton::SetIcon(const QIcon& icon) {
    static_cast<QPushButton*>(m_Widget)->setIcon(icon);
}

} // namespace pelorin
