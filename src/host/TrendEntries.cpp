#include "host/TrendEntries.h"

#include "control/PelorinControl.h"
#include "core/Element.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>

namespace pelorin::host {

TrendEntries::TrendEntries(PelorinControl& control, const ValueHistory& history, TrendServices services,
                           QWidget& window)
    : QObject(&window), m_Control(control), m_History(history), m_Services(std::move(services)),
      m_HostWindow(window), m_Action(new QAction(QStringLiteral("Trend"), this)) {
    m_Action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
    connect(m_Action, &QAction::triggered, this, [this] {
        const std::string address = SelectedAddress();
        if (!address.empty())
            ShowTrend(address);
    });
    m_HostWindow.addAction(m_Action);
    // A shortcut is matched after the focus widget was asked whether it wants the key itself.
    qApp->installEventFilter(this);
    FollowSelection();
}

void TrendEntries::AddTrendEntries(QMenu& view) {
    view.addAction(m_Action);
    connect(&view, &QMenu::aboutToShow, this, &TrendEntries::FollowSelection);
}

TrendWindow& TrendEntries::ShowTrend(const std::string& address) {
    if (!m_Window || !m_Window->Add(address)) {
        m_Window = new TrendWindow(m_History, m_Services, &m_HostWindow);
        m_Window->Add(address);
    }
    m_Window->show();
    m_Window->raise();
    m_Window->activateWindow();
    return *m_Window;
}

bool TrendEntries::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride)
        FollowSelection();
    return QObject::eventFilter(watched, event);
}

std::string TrendEntries::SelectedAddress() const {
    const cElement* selected = m_Control.m_SelectedElement;
    return m_Control.m_ViewState == VS_PICTURE && selected ? selected->m_Address : std::string();
}

void TrendEntries::FollowSelection() {
    m_Action->setEnabled(!SelectedAddress().empty());
}

} // namespace pelorin::host
