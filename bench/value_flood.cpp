// Does the interface stay responsive while the server floods it with values? A fake picture server on
// a thread of its own serves two 1,000-value pictures that link to each other and streams values for
// the picture shown as fast as it can write them. Meanwhile clicks on the picture link are queued
// to the client as the window system would queue them, and the time until the server reads the
// resulting picture request, and until the new picture has been drawn, is measured, with the
// client's peak memory against its size before the flood. Then a 4 MiB function text of one line is
// sent with a click queued while it arrives.
//
//   value_flood [--seconds 10] [--click-every 700]

#include "FakePictureServer.h"
#include "control/PelorinControl.h"
#include "link/Session.h"
#include "picture/PictureModel.h"
#include "picture/PictureView.h"
#include "platform/PictureBox.h"
#include "platform/Widgets.h"
#include "texts/TextView.h"
#include "toolbar/ToolbarTable.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <vector>

using namespace pelorin;
using bench::Clock;

namespace {

constexpr int kValues = 1000;
// Values are written while less than this waits in the server's own buffer; the kernel's buffers
// hold several megabytes more.
constexpr qint64 kServerBacklog = 1 << 20;
constexpr int kFramesPerWrite = 100000;
constexpr size_t kFunctionTextBytes = 4u << 20;

double Milliseconds(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// A figure of this process's memory from /proc/self/status ("VmRSS", "VmHWM"), in MiB.
double MemoryMiB(const char* field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(static_cast<qsizetype>(qstrlen(field)) + 1)
                       .trimmed()
                       .split(' ')
                       .first()
                       .toDouble() /
                   1024.0;
    return 0;
}

double ThreadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// The control, counting the values it handles and timing the function text: when it was handled and
// when the text view had been painted with it.
class CountingControl : public PelorinControl {
public:
    using PelorinControl::PelorinControl;
    void DispatchFrame(uint8_t code, const std::string& payload) override {
        if (code == MSG_VALUE)
            values.fetch_add(1, std::memory_order_relaxed);
        PelorinControl::DispatchFrame(code, payload);
        if (code == MSG_FUNCTION_TEXT) {
            textHandled = Clock::now();
            texts().Text_Any->widget()->repaint();
            textPainted = Clock::now();
        }
    }
    std::atomic<int64_t> values{0};
    Clock::time_point textHandled;
    Clock::time_point textPainted;
};

// A left click at `at`, as the window system delivers it: move, press, release.
void Click(QWidget* widget, QPoint at) {
    for (const QEvent::Type type :
         {QEvent::MouseMove, QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        const Qt::MouseButtons held = type == QEvent::MouseButtonPress ? Qt::MouseButtons(Qt::LeftButton)
                                                                       : Qt::MouseButtons(Qt::NoButton);
        QMouseEvent event(type, QPointF(at), widget->mapToGlobal(QPointF(at)), button, held, Qt::NoModifier);
        QCoreApplication::sendEvent(widget, &event);
    }
}

// The server side: floods values and queues clicks to the client, on the server's thread.
class Flood : public QObject {
public:
    explicit Flood(CountingControl& control)
        : m_Control(control),
          m_Server({{1, bench::ValuePicture(1, kValues, 2)}, {2, bench::ValuePicture(2, kValues, 1)}}) {
        m_Server.setParent(this);
        m_Server.onRequest = [this](uint8_t code, const std::string& payload, Clock::time_point read) {
            if (code == CMD_GET_PICTURE && payload != "0")
                requestRead(read);
        };
        m_Server.onPictureSent = [this](int32_t) { startFlooding(); };
        m_Clicks.setParent(this);
        m_Clicks.callOnTimeout([this] { queueClick(); });
    }

    quint16 listen() { return m_Server.listen() ? m_Server.port() : 0; }

    // Clicks at `link` of the picture box every `everyMs` milliseconds.
    void startClicking(QPoint link, int everyMs) {
        m_Link = link;
        m_Clicks.start(everyMs);
    }

    void stopFlooding() {
        m_Clicks.stop();
        m_Flooding = false;
        m_FloodOver = true;
    }

    // Sends a function text of one line, then queues a click while it is on its way.
    void sendFunctionText() {
        std::string text;
        text.reserve(kFunctionTextBytes);
        while (text.size() < kFunctionTextBytes)
            text += "Pumpgrupp PG01 startar n\xE4r utetemperaturen understiger b\xF6rv\xE4rdet. ";
        text.resize(kFunctionTextBytes);
        const std::lock_guard lock(m_Mutex);
        m_TextSent = Clock::now();
        m_Server.send(EncodeFrame(MSG_FUNCTION_TEXT, text));
        QTimer::singleShot(5, this, [this] { queueClick(); });
    }

    // Click-to-request latencies so far, and the moments of the clicks.
    std::vector<double> latencies() const {
        const std::lock_guard lock(m_Mutex);
        return m_Latencies;
    }
    // The moment of the click whose request was read last.
    Clock::time_point answeredClick() const {
        const std::lock_guard lock(m_Mutex);
        return m_AnsweredClick;
    }
    Clock::time_point textSent() const {
        const std::lock_guard lock(m_Mutex);
        return m_TextSent;
    }

private:
    void queueClick() {
        {
            const std::lock_guard lock(m_Mutex);
            if (m_ClickPending)
                return;
            m_ClickPending = true;
            m_LastClick = Clock::now();
        }
        QWidget* picture = m_Control.view().Picture_PCT;
        QMetaObject::invokeMethod(
            picture, [picture, at = m_Link] { Click(picture, at); }, Qt::QueuedConnection);
    }

    void requestRead(Clock::time_point read) {
        const std::lock_guard lock(m_Mutex);
        if (!m_ClickPending)
            return;
        m_ClickPending = false;
        m_Latencies.push_back(Milliseconds(read - m_LastClick));
        m_AnsweredClick = m_LastClick;
    }

    void startFlooding() {
        if (m_FloodOver)
            return;
        if (!m_Wired) {
            m_Wired = true;
            connect(m_Server.client(), &QTcpSocket::bytesWritten, this, [this] { topUp(); });
        }
        m_Flooding = true;
        topUp();
    }

    void topUp() {
        QTcpSocket* client = m_Server.client();
        while (m_Flooding && client->bytesToWrite() < kServerBacklog)
            m_Server.send(m_Frames);
    }

    CountingControl& m_Control;
    QPoint m_Link;
    bench::FakePictureServer m_Server;
    QTimer m_Clicks;
    // Made once, so that the server writes faster than any client reads.
    const std::string m_Frames = bench::ValueFrames(kValues, kFramesPerWrite);
    bool m_Flooding = false;
    bool m_FloodOver = false;
    bool m_Wired = false;
    mutable std::mutex m_Mutex;
    bool m_ClickPending = false;
    Clock::time_point m_LastClick;
    Clock::time_point m_AnsweredClick;
    Clock::time_point m_TextSent;
    std::vector<double> m_Latencies;
};

void RunEventsUntil(const std::function<bool()>& condition, int timeoutMs = 60000, const char* what = "") {
    const Clock::time_point end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!condition()) {
        if (Clock::now() > end)
            qFatal("value_flood: timed out waiting for %s", what);
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
}

void RunEventsFor(int ms) {
    const Clock::time_point end = Clock::now() + std::chrono::milliseconds(ms);
    RunEventsUntil([end] { return Clock::now() >= end; }, ms + 1000, "the time to pass");
}

void PrintLatencies(const char* what, std::vector<double> ms, double target) {
    if (ms.empty()) {
        std::printf("%s: none measured\n", what);
        return;
    }
    std::sort(ms.begin(), ms.end());
    std::printf("%s: %zu, median %.1f ms, worst %.1f ms (target under %.0f ms)\n", what, ms.size(),
                ms[ms.size() / 2], ms.back(), target);
}

} // namespace

// Runs `action` on the server's thread and waits for it.
template <typename Action> void OnServerThread(Flood* flood, Action action) {
    QMetaObject::invokeMethod(flood, action, Qt::BlockingQueuedConnection);
}

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOption({QStringLiteral("seconds"), QStringLiteral("How long the flood lasts."),
                      QStringLiteral("seconds"), QStringLiteral("10")});
    parser.addOption({QStringLiteral("click-every"),
                      QStringLiteral("Milliseconds between clicks during the flood."), QStringLiteral("ms"),
                      QStringLiteral("700")});
    parser.addHelpOption();
    parser.process(app);
    const int seconds = parser.value(QStringLiteral("seconds")).toInt();
    const int clickEvery = parser.value(QStringLiteral("click-every")).toInt();

    QTemporaryDir folder;
    SettingsStore settings(folder.path().toStdString());
    CountingControl control(ControlServices{.settings = &settings});
    control.UserControl_Initialize();

    QThread serverThread;
    auto* flood = new Flood(control);
    flood->moveToThread(&serverThread);
    serverThread.start();
    quint16 port = 0;
    OnServerThread(flood, [&] { port = flood->listen(); });
    if (port == 0)
        qFatal("value_flood: the fake server cannot listen");

    // Log in and show picture 1: the flood starts with it.
    bench::ConnectToFakeServer(control, port);
    control.show();
    control.session().Timer_System->SetEnabled(false);
    control.session().Text_UserVisa->SetText("FLOOD");
    control.session().Command_Login_Click();
    RunEventsUntil([&] { return control.m_ViewState == VS_PICTURE && control.model().PictureExists(1); },
                   60000, "login");
    control.Toolbar_ButtonClick(tb::kHome);
    RunEventsUntil([&] { return control.m_PictureNumber == 1 && control.m_DynamicPointers == kValues; },
                   60000, "picture 1");
    control.view().DrawPending();
    const cElement& link = *control.m_Elements.back();
    const QPoint linkCentre((link.m_ScanBox_X1 + link.m_ScanBox_X2) / 2,
                            (link.m_ScanBox_Y1 + link.m_ScanBox_Y2) / 2);

    // The flood, with clicks on the link; each new picture's arrival is timed from its click.
    const double idleMiB = MemoryMiB("VmRSS");
    const int64_t valuesBefore = control.values.load();
    const double cpuBefore = ThreadCpuSeconds();
    const Clock::time_point floodStart = Clock::now();
    OnServerThread(flood, [&] { flood->startClicking(linkCentre, clickEvery); });
    std::vector<double> shown;
    int32_t picture = control.m_PictureNumber;
    RunEventsUntil(
        [&] {
            if (control.m_PictureNumber != picture) {
                picture = control.m_PictureNumber;
                shown.push_back(Milliseconds(Clock::now() - flood->answeredClick()));
            }
            return Clock::now() - floodStart >= std::chrono::seconds(seconds);
        },
        seconds * 1000 + 60000, "the flood to end");
    const double floodSeconds = std::chrono::duration<double>(Clock::now() - floodStart).count();
    const double cpu = ThreadCpuSeconds() - cpuBefore;
    const int64_t consumed = control.values.load() - valuesBefore;
    OnServerThread(flood, [&] { flood->stopFlooding(); });
    const std::vector<double> clicks = flood->latencies();

    // What the socket buffers still hold is taken in before the function text comes.
    int64_t seen = -1;
    while (seen != control.values.load()) {
        seen = control.values.load();
        RunEventsFor(300);
    }

    const size_t clicksBefore = flood->latencies().size();
    OnServerThread(flood, [&] { flood->sendFunctionText(); });
    RunEventsUntil([&] { return control.textPainted > flood->textSent(); }, 60000, "the function text");
    const double textHandled = Milliseconds(control.textHandled - flood->textSent());
    const double textPainted = Milliseconds(control.textPainted - flood->textSent());
    RunEventsUntil([&] { return flood->latencies().size() > clicksBefore; }, 60000, "the click's request");
    const double textClick = flood->latencies().back();

    std::printf(
        "flood of %d s on 1,000-value pictures: %.0f values a second taken in, the client's thread busy "
        "%.0f %% of the time\n",
        seconds, static_cast<double>(consumed) / floodSeconds, 100.0 * cpu / floodSeconds);
    PrintLatencies("clicks on a picture link answered (request read by the server)", clicks, 50);
    PrintLatencies("new picture drawn after its click (behind the values queued before it)", shown, 1000);
    std::printf("memory: %.0f MiB before the flood, peak %.0f MiB (%.0f MiB more)\n", idleMiB,
                MemoryMiB("VmHWM"), MemoryMiB("VmHWM") - idleMiB);
    std::printf(
        "4 MiB function text of one line: handled %.0f ms and painted %.0f ms after it was sent; a click "
        "queued while it arrived answered after %.0f ms (target under 1000 ms)\n",
        textHandled, textPainted, textClick);

    OnServerThread(flood, [&] { delete flood; });
    serverThread.quit();
    serverThread.wait();
    return 0;
}
