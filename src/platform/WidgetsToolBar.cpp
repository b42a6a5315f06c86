#include "platform/Screen.h"
#include "platform/Widgets.h"
#include "platform/WidgetsInternal.h"

#include <QAction>
#include <QFrame>
#include <QIcon>
#include <QMenu>
#include <QToolButton>
#include <algorithm>

namespace pelorin {

using widgets::ToQ;

namespace {

constexpr int kIconPixels = 24;
constexpr int kMargin = 2; // pixels around the buttons
constexpr int kButtonPixels = kIconPixels + 8;

} // namespace

struct ToolMenuEntry::Impl {
    QAction* action = nullptr;
};

struct ToolButton::Impl {
    ToolBar* toolBar = nullptr;
    QToolButton* button = nullptr;
    QMenu* menu = nullptr;
    std::vector<std::unique_ptr<ToolMenuEntry>> entries;
};

bool ToolMenuEntry::Enabled() const {
    return m_Impl->action->isEnabled();
}
void ToolMenuEntry::SetEnabled(bool enabled) {
    m_Impl->action->setEnabled(enabled);
}

bool ToolButton::Enabled() const {
    return m_Impl->button->isEnabled();
}
void ToolButton::SetEnabled(bool enabled) {
    m_Impl->button->setEnabled(enabled);
}
double ToolButton::Left() const {
    return m_Impl->button->x() * Screen::TwipsPerPixelX();
}
double ToolButton::Width() const {
    return m_Impl->button->width() * Screen::TwipsPerPixelX();
}
void ToolButton::SetIcon(const QIcon& icon) {
    m_Impl->button->setIcon(icon);
}

ToolMenuEntry* ToolButton::AddMenuEntry(const std::string& key, const std::string& text,
                                        const std::string& tag) {
    auto entry = std::make_unique<ToolMenuEntry>();
    entry->Key = key;
    entry->Text = text;
    entry->Tag = tag;
    entry->ParentKey = Key;
    entry->m_Impl = std::make_shared<ToolMenuEntry::Impl>();
    if (text == "-") {
        entry->m_Impl->action = m_Impl->menu->addSeparator();
    } else {
        // A Tab in the text separates columns, as in the setpoint entries' address and kind.
        entry->m_Impl->action = m_Impl->menu->addAction(ToQ(text));
        ToolBar* toolBar = m_Impl->toolBar;
        const ToolMenuEntry* raw = entry.get();
        QObject::connect(entry->m_Impl->action, &QAction::triggered, entry->m_Impl->action, [toolBar, raw] {
            if (!toolBar->OnButtonMenuClick)
                return;
            // Copies: the handler may clear the menu that holds this entry.
            const std::string key = raw->Key, parentKey = raw->ParentKey, tag = raw->Tag;
            toolBar->OnButtonMenuClick(key, parentKey, tag);
        });
    }
    m_Impl->entries.push_back(std::move(entry));
    return m_Impl->entries.back().get();
}

ToolMenuEntry* ToolButton::MenuEntry(const std::string& key) {
    for (const auto& entry : m_Impl->entries)
        if (entry->Key == key)
            return entry.get();
    return nullptr;
}

const std::vector<std::unique_ptr<ToolMenuEntry>>& ToolButton::MenuEntries() const {
    return m_Impl->entries;
}

int32_t ToolButton::MenuCount() const {
    return static_cast<int32_t>(m_Impl->entries.size());
}

void ToolButton::ClearMenu() {
    if (!m_Impl->menu)
        return;
    // The actions may be the sender of the signal being handled: delete them later.
    for (QAction* action : m_Impl->menu->actions()) {
        m_Impl->menu->removeAction(action);
        action->deleteLater();
    }
    m_Impl->entries.clear();
}

// A plain row of tool buttons placed left to right, so that their positions are known as soon as
// they are added (the text boxes over the toolbar row are laid out from them).
ToolBar::ToolBar(QWidget* parent) : ControlBase(new QFrame(parent)), m_NextLeft(kMargin) {
    auto* frame = static_cast<QFrame*>(m_Widget);
    frame->setFrameShape(QFrame::StyledPanel);
    frame->setAutoFillBackground(true);
    frame->resize(frame->width(), kButtonPixels + 2 * kMargin);
}

ToolButton* ToolBar::AddButton(const std::string& key, const std::string& toolTip, bool hasMenu) {
    auto button = std::make_unique<ToolButton>();
    button->Key = key;
    button->m_Impl = std::make_shared<ToolButton::Impl>();
    button->m_Impl->toolBar = this;
    auto* qt = new QToolButton(m_Widget);
    qt->setAutoRaise(true);
    qt->setToolTip(ToQ(toolTip));
    // The button shows only its icon: the tooltip is what a screen reader reads.
    qt->setAccessibleName(ToQ(toolTip));
    qt->setIconSize(QSize(kIconPixels, kIconPixels));
    int width = kButtonPixels;
    if (hasMenu) {
        button->m_Impl->menu = new QMenu(qt);
        qt->setMenu(button->m_Impl->menu);
        qt->setPopupMode(QToolButton::MenuButtonPopup);
        width = std::max(kButtonPixels, qt->sizeHint().width());
    }
    qt->setGeometry(m_NextLeft, kMargin, width, kButtonPixels);
    m_NextLeft += width;
    button->m_Impl->button = qt;
    QObject::connect(qt, &QToolButton::clicked, qt, [this, key] {
        if (OnButtonClick)
            OnButtonClick(key);
    });
    m_Buttons.push_back(std::move(button));
    return m_Buttons.back().get();
}

void ToolBar::AddGap(double twips) {
    m_NextLeft += static_cast<int>(std::lround(twips / Screen::TwipsPerPixelX()));
}

ToolButton* ToolBar::Button(const std::string& key) {
    for (const auto& button : m_Buttons)
        if (button->Key == key)
            return button.get();
    return nullptr;
}

} // namespace pelorin
