#include "host/Tour.h"

#include "control/PelorinControl.h"
#include "core/Access.h"
#include "core/NumberText.h"
#include "host/TrendEntries.h"
#include "link/Session.h"
#include "picture/PictureModel.h"
#include "picture/PictureView.h"
#include "platform/PictureBox.h"
#include "platform/Widgets.h"
#include "toolbar/ToolbarRow.h"
#include "toolbar/ToolbarTable.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QCursor>
#include <QDeadlineTimer>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QMouseEvent>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <set>

namespace pelorin::host {

namespace {

constexpr int kPollMs = 100;
constexpr int kStepTimeoutMs = 20000;
constexpr double kValueStep = 1.5;
constexpr QSize kTrendSize(900, 520);

QPoint CentreOf(const cElement& e) {
    return {(e.m_ScanBox_X1 + e.m_ScanBox_X2) / 2, (e.m_ScanBox_Y1 + e.m_ScanBox_Y2) / 2};
}

// Mouse events as the window system delivers them, so that they take the control's own wiring.
void SendMouse(QWidget* widget, QEvent::Type type, QPoint pos) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons held = type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick
                                      ? Qt::MouseButtons(Qt::LeftButton)
                                      : Qt::MouseButtons(Qt::NoButton);
    QMouseEvent event(type, QPointF(pos), widget->mapToGlobal(QPointF(pos)), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

void Click(QWidget* widget, QPoint pos) {
    SendMouse(widget, QEvent::MouseMove, pos);
    SendMouse(widget, QEvent::MouseButtonPress, pos);
    SendMouse(widget, QEvent::MouseButtonRelease, pos);
}

void DoubleClick(QWidget* widget, QPoint pos) {
    Click(widget, pos);
    SendMouse(widget, QEvent::MouseButtonDblClick, pos);
    SendMouse(widget, QEvent::MouseButtonRelease, pos);
}

class Tour : public QObject {
public:
    Tour(PelorinControl& control, const QString& folder, TrendEntries& trends)
        : QObject(&control), m_Control(control), m_Folder(folder), m_Trends(trends) {
        m_Poll.setInterval(kPollMs);
        connect(&m_Poll, &QTimer::timeout, this, &Tour::poll);
    }

    void start() {
        QDir().mkpath(m_Folder);
        KeepPointerOnControl();
        WaitUntil(
            "the login frame is shown", [this] { return m_Control.session().Frame_Login->Visible(); },
            [this] { LogIn(); });
    }

private:
    void LogIn() {
        m_Control.session().Text_UserVisa->SetText("DEMO");
        m_Control.session().Text_PassWord->SetText("demo");
        Shot("login", "visa DEMO and password typed");
        qobject_cast<QAbstractButton*>(m_Control.session().Command_Login->widget())->click();
        WaitUntil(
            "the login is accepted",
            [this] { return m_Control.m_ViewState == VS_PICTURE && m_Control.model().PictureExists(1); },
            [this] {
                m_Control.Toolbar_ButtonClick(tb::kHome);
                WaitForPicture(1, [this] {
                    Shot("overview", "picture 1 with all its values");
                    FindWritableValue();
                });
            });
    }

    // Headless, the pointer starts near the window's top-left corner, over the control's first toolbar
    // button. It keeps that place on the control whatever the host window puts above it, so that the
    // button looks as it always did in the screenshots.
    void KeepPointerOnControl() {
        if (QGuiApplication::platformName() == QLatin1String("offscreen"))
            QCursor::setPos(QCursor::pos() + m_Control.mapTo(m_Control.window(), QPoint(0, 0)));
    }

    void WaitForPicture(int32_t number, const std::function<void()>& then) {
        WaitUntil(
            "picture " + std::to_string(number) + " with all its values",
            [this, number] {
                return m_Control.m_PictureNumber == number && m_Control.m_ViewState == VS_PICTURE &&
                       m_Control.toolbar().Text_Updated->Text() == "100%";
            },
            then);
    }

    bool MayWrite(const cElement& e) const {
        return e.m_ElementType == ET_DYNVALUE &&
               IsWritableAddress(e.m_Address, m_Control.m_WriteParameters) &&
               (m_Control.m_AccessLevel & ACCESS_WRITE) != 0;
    }

    // A link of the current picture to an existing picture not shown yet.
    const cElement* UnvisitedLink() const {
        for (const auto& e : m_Control.m_Elements)
            if (e->m_ElementType == ET_PICTURELINK && e->m_NewPicture > 0 &&
                m_Control.model().PictureExists(e->m_NewPicture) && m_Visited.count(e->m_NewPicture) == 0)
                return e.get();
        return nullptr;
    }

    void FindWritableValue() {
        m_Visited.insert(m_Control.m_PictureNumber);
        for (const auto& e : m_Control.m_Elements)
            if (MayWrite(*e)) {
                WriteValue(*e);
                return;
            }
        const cElement* link = UnvisitedLink();
        if (!link) {
            Fail("a picture with a value the demo user may write");
            return;
        }
        const int32_t target = link->m_NewPicture;
        Click(m_Control.view().Picture_PCT, CentreOf(*link));
        WaitForPicture(target, [this, target] {
            Shot("picture-" + std::to_string(target), "followed a link in search of a writable value");
            FindWritableValue();
        });
    }

    void WriteValue(cElement& value) {
        DoubleClick(m_Control.view().Picture_PCT, CentreOf(value));
        if (m_Control.m_SelectedElement != &value ||
            !m_Control.toolbar().Toolbar->Button(tb::kSendSetpoint)->Enabled()) {
            Fail("the value " + value.m_Address + " selected for writing");
            return;
        }
        Shot("selected", value.m_Address + " selected: address and value in the toolbar, the value blinks");
        // Up from a low value, down from a high one: the plant accepts it however often the tour runs.
        const double written =
            value.m_Value < kValueStep ? value.m_Value + kValueStep : value.m_Value - kValueStep;
        m_Control.toolbar().Text_NewValue->SetText(RegionalFixed(written, std::max(value.m_Decimals, 1)));
        Shot("typed", "new value typed in the operator's number format");
        m_Control.Toolbar_ButtonClick(tb::kSendSetpoint);
        m_Written = value.m_Address;
        cElement* target = &value;
        WaitUntil(
            "the written value coming back",
            [target, written] { return std::abs(target->m_Value - written) < 1e-6; },
            [this] {
                Shot("written", "the plant took the value and sent it back");
                FollowLink();
            });
    }

    void FollowLink() {
        const cElement* link = nullptr;
        for (const auto& e : m_Control.m_Elements)
            if (e->m_ElementType == ET_PICTURELINK && e->m_NewPicture != m_Control.m_PictureNumber &&
                e->m_NewPicture > 0 && m_Control.model().PictureExists(e->m_NewPicture)) {
                link = e.get();
                break;
            }
        if (!link) {
            Fail("a picture link to follow");
            return;
        }
        const int32_t target = link->m_NewPicture;
        Click(m_Control.view().Picture_PCT, CentreOf(*link));
        WaitForPicture(target, [this, target] {
            Shot("link-" + std::to_string(target), "followed a picture link");
            ShowTrend();
        });
    }

    // The values of the written address were kept when its picture went.
    void ShowTrend() {
        TrendWindow& trend = m_Trends.ShowTrend(m_Written);
        trend.resize(kTrendSize);
        trend.ShowRange(TrendChart::Range::All);
        WaitUntil(
            "the trend of " + m_Written, [&trend] { return trend.isVisible(); },
            [this, &trend] {
                Shot(trend, "trend", "the trend of " + m_Written + " with the value written");
                std::printf("tour: done\n");
                std::fflush(stdout);
                QCoreApplication::exit(0);
            });
    }

    void Shot(const std::string& name, const std::string& what) {
        m_Control.view().DrawPending();
        Shot(m_Control, name, what);
    }

    void Shot(QWidget& widget, const std::string& name, const std::string& what) {
        const QString file = QStringLiteral("%1/%2-%3.png")
                                 .arg(m_Folder)
                                 .arg(++m_Shots, 2, 10, QLatin1Char('0'))
                                 .arg(QString::fromStdString(name));
        // Inside the host window the control is no window of its own: its grab has an alpha channel.
        const bool saved = widget.grab().toImage().convertToFormat(QImage::Format_RGB32).save(file, "PNG");
        std::printf("tour: %s %s\n", qPrintable(file), saved ? what.c_str() : "could not be written");
        std::fflush(stdout);
    }

    void Fail(const std::string& what) {
        std::fprintf(stderr, "tour: never reached: %s\n", what.c_str());
        QCoreApplication::exit(1);
    }

    // Runs `then` once `condition` holds, checking every poll; fails the tour after the time-out.
    void WaitUntil(const std::string& what, std::function<bool()> condition, std::function<void()> then) {
        m_What = what;
        m_Condition = std::move(condition);
        m_Then = std::move(then);
        m_Deadline = QDeadlineTimer(kStepTimeoutMs);
        m_Poll.start();
    }

    void poll() {
        if (m_Condition()) {
            m_Poll.stop();
            // `then` may start the next wait, which replaces the members it came from.
            const std::function<void()> then = std::move(m_Then);
            then();
        } else if (m_Deadline.hasExpired()) {
            m_Poll.stop();
            Fail(m_What);
        }
    }

    PelorinControl& m_Control;
    QString m_Folder;
    QTimer m_Poll;
    QDeadlineTimer m_Deadline;
    std::string m_What;
    std::function<bool()> m_Condition;
    std::function<void()> m_Then;
    TrendEntries& m_Trends;
    std::string m_Written;
    std::set<int32_t> m_Visited;
    int m_Shots = 0;
};

} // namespace

void StartTour(PelorinControl& control, const QString& folder, TrendEntries& trends) {
    (new Tour(control, folder, trends))->start();
}

} // namespace pelorin::host
