#pragma once

#include "trend/TrendWindow.h"

#include <QObject>
#include <QPointer>

class QAction;
class QMenu;

namespace pelorin {
class PelorinControl;
}

namespace pelorin::host {

// "Visa → Trend" and Ctrl+T: the trend of the value selected in the picture. While a trend window is
// open the next value goes into it; one holding eight values already makes way for a new window.
// With no value selected the entry is off and Ctrl+T reaches the control as any other key.
class TrendEntries : public QObject {
public:
    TrendEntries(PelorinControl& control, const ValueHistory& history, TrendServices services,
                 QWidget& window);

    void AddTrendEntries(QMenu& view);
    // The trend of `address`, in the open window if it has room; that window, shown.
    TrendWindow& ShowTrend(const std::string& address);
    // The window the next value goes into; null when none is open.
    TrendWindow* OpenWindow() const { return m_Window; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::string SelectedAddress() const;
    void FollowSelection();

    PelorinControl& m_Control;
    const ValueHistory& m_History;
    TrendServices m_Services;
    QWidget& m_HostWindow;
    QAction* m_Action;
    QPointer<TrendWindow> m_Window;
};

} // namespace pelorin::host
