#include "host/HostWindow.h"

#include <QEvent>
#include <QMenuBar>
#include <QResizeEvent>
#include <QSocketNotifier>
#include <QStatusBar>
#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace pelorin::host {

namespace {

// A document's place is read once; a failure has to be seen and stays longer.
constexpr int kDoneShownMs = 10000;
constexpr int kFailureShownMs = 30000;

// The signal handler's end of a socket pair: writing is all a handler may safely do.
int signalWriteEnd = -1;

void SignalArrived(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalWriteEnd, &byte, 1);
}

} // namespace

HostWindow::HostWindow(QWidget* parent)
    : QWidget(parent), m_MenuBar(new QMenuBar(this)), m_ViewMenu(m_MenuBar->addMenu(QStringLiteral("Visa"))),
      m_Notices(new QStatusBar(this)) {
    m_Notices->setSizeGripEnabled(false);
}

void HostWindow::Hold(QWidget& control) {
    m_Control = &control;
    control.move(0, MenuHeight());
    control.installEventFilter(this);
    FollowControl();
}

QString HostWindow::Notice() const {
    return m_Notices->currentMessage();
}

void HostWindow::Printed(const QString& destination, bool toFile) {
    if (toFile)
        Tell(QStringLiteral("Utskriven till %1").arg(destination),
             QStringLiteral("printed to %1").arg(destination), kDoneShownMs);
    else
        Tell(QStringLiteral("Utskriven på skrivaren %1").arg(destination),
             QStringLiteral("printed on %1").arg(destination), kDoneShownMs);
}

void HostWindow::PrintFailed(const QString& destination, bool toFile) {
    if (toFile)
        Tell(QStringLiteral("Utskriften kunde inte sparas i %1").arg(destination),
             QStringLiteral("could not print to %1").arg(destination), kFailureShownMs);
    else
        Tell(QStringLiteral("Utskriften kunde inte skickas till skrivaren %1").arg(destination),
             QStringLiteral("could not print on %1").arg(destination), kFailureShownMs);
}

void HostWindow::RecordingNotStarted(const QString& file) {
    Tell(QStringLiteral("Inspelningen kunde inte startas: %1 går inte att skriva").arg(file),
         QStringLiteral("could not record to %1").arg(file), kFailureShownMs);
}

void HostWindow::RecordingStopped(const QString& file) {
    Tell(QStringLiteral("Inspelningen har stoppats: %1 kunde inte skrivas").arg(file),
         QStringLiteral("recording stopped, could not write %1").arg(file), kFailureShownMs);
}

void HostWindow::Tell(const QString& notice, const QString& logLine, int shownMs) {
    std::fprintf(stderr, "pelorin: %s\n", qPrintable(logLine));
    m_Notices->showMessage(notice, shownMs);
}

bool HostWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_Control && event->type() == QEvent::Resize)
        FollowControl();
    return QWidget::eventFilter(watched, event);
}

// The control sets its own size; the window fits it, the menu bar above and the notice line below it.
void HostWindow::FollowControl() {
    resize(m_Control->width(), MenuHeight() + m_Control->height() + NoticeHeight());
}

// Only a size the operator gives the window passes on to the control.
void HostWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_MenuBar->setGeometry(0, 0, width(), MenuHeight());
    m_Notices->setGeometry(0, height() - NoticeHeight(), width(), NoticeHeight());
    if (m_Control && event->spontaneous())
        m_Control->resize(width(), height() - MenuHeight() - NoticeHeight());
}

int HostWindow::NoticeHeight() const {
    return m_Notices->sizeHint().height();
}

int HostWindow::MenuHeight() const {
    return m_MenuBar->sizeHint().height();
}

void CloseOnTerminationSignals(QWidget& window) {
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, ends) != 0)
        return;
    signalWriteEnd = ends[0];
    auto* notifier = new QSocketNotifier(ends[1], QSocketNotifier::Read, &window);
    QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window, readEnd = ends[1]] {
        char byte = 0;
        [[maybe_unused]] const ssize_t read = ::read(readEnd, &byte, 1);
        window.close();
    });
    struct sigaction action = {};
    action.sa_handler = SignalArrived;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(signal, &action, nullptr);
}

} // namespace pelorin::host
