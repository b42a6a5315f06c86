// The system-dialog terminal receiving a 1 MiB burst over a loopback connection, with its history
// already full and recording on: the time until every byte is in the box and in the recording file.
// The time per byte should not depend on the history size. Arrivals come either as the socket
// delivers the burst, or one TCP segment (1460 bytes) at a time, each handled (and, with the box shown,
// painted) before the next is sent.

#include "WidgetBench.h"

#include "core/ClientProcs.h"
#include "platform/Widgets.h"
#include "platform/Winsock.h"
#include "ports/Ports.h"
#include "sysdial/SystemDialog.h"

#include <QApplication>
#include <QFileInfo>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QWidget>
#include <memory>
#include <string>

using namespace pelorin;
using namespace pelorin::bench;

namespace {

constexpr size_t kBurst = 1 << 20;
constexpr size_t kSegment = 1460;

class RecordTo : public Dialogs {
public:
    explicit RecordTo(QString path) : m_Path(std::move(path)) {}
    Answer Message(const std::string&, const std::string&, bool) override { return Answer::Ok; }
    QString SaveFile(const std::string&, const QString&, const std::string&) override { return m_Path; }

private:
    QString m_Path;
};

// A terminal on loopback with recording on: the server's side writes, the terminal counts what it handled.
class TerminalRig {
public:
    TerminalRig(int32_t history, bool shown)
        : m_Dialogs(m_Folder.filePath(QStringLiteral("recording.txt"))),
          m_Dialog(&m_Parent, {.sysdial = m_Members,
                               .keys = m_Keys,
                               .session = m_Session,
                               .settingsMembers = m_SettingsMembers,
                               .sender = m_Sender,
                               .view = m_View,
                               .settings = m_Settings,
                               .dialogs = m_Dialogs}) {
        m_Session.m_MaxSysdialHistory = history;
        m_Parent.resize(800, 600);
        m_Dialog.Text_Sysdial->widget()->resize(800, 600);
        m_Parent.setVisible(shown);
        m_Port.listen(QHostAddress::LocalHost);
        m_Dialog.SetServerHost("127.0.0.1");
        m_Dialog.SetServerPort(m_Port.serverPort());
        const auto arrival = m_Dialog.Winsock_SysDial->OnDataArrival;
        m_Dialog.Winsock_SysDial->OnDataArrival = [this, arrival](int64_t bytesTotal) {
            m_Handled += bytesTotal;
            ++m_Arrivals;
            arrival(bytesTotal);
        };
        m_Dialog.OnSysdialInfo(Long2String(0) + Long2String(1) + Long2String(0));
        m_Dialog.OpenSystemDialog();
        while (!m_Port.hasPendingConnections())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        m_Peer.reset(m_Port.nextPendingConnection());
        m_Dialog.Menu_Popup_Record_Click();
    }

    bool Ready() const { return m_Dialog.Connected() && m_Members.m_IsRecording != 0; }

    // Sends `bytes` in pieces of `piece` bytes, each handled before the next goes.
    void Send(const std::string& bytes, size_t piece) {
        for (size_t at = 0; at < bytes.size(); at += piece) {
            const std::string_view part = std::string_view(bytes).substr(at, piece);
            m_Peer->write(part.data(), static_cast<qint64>(part.size()));
            m_Sent += static_cast<int64_t>(part.size());
            while (m_Handled < m_Sent)
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
    }

    std::string_view Shown() const { return m_Dialog.TerminalText(); }
    int64_t Recorded() const { return QFileInfo(m_Folder.filePath(QStringLiteral("recording.txt"))).size(); }
    int64_t Sent() const { return m_Sent; }
    int64_t Arrivals() const { return m_Arrivals; }

private:
    QTemporaryDir m_Folder;
    QWidget m_Parent;
    SysdialMembers m_Members;
    InputMembers m_Keys;
    SessionMembers m_Session;
    SettingsMembers m_SettingsMembers;
    RecordingSender m_Sender;
    ViewSwitchFake m_View;
    SettingsStore m_Settings{m_Folder.filePath(QStringLiteral("settings")).toStdString()};
    RecordTo m_Dialogs;
    SystemDialog m_Dialog;
    QTcpServer m_Port;
    std::unique_ptr<QTcpSocket> m_Peer;
    int64_t m_Handled = 0;
    int64_t m_Sent = 0;
    int64_t m_Arrivals = 0;
};

// range(0): history limit; range(1): bytes per arrival, 0 for as the socket delivers them; range(2):
// whether the box is shown.
void BM_TerminalBurstToBoxAndRecording(benchmark::State& state) {
    const auto history = static_cast<int32_t>(state.range(0));
    const size_t piece = state.range(1) == 0 ? kBurst : static_cast<size_t>(state.range(1));
    TerminalRig rig(history, state.range(2) != 0);
    if (!rig.Ready()) {
        state.SkipWithError("the terminal did not open");
        return;
    }
    rig.Send(Listing(static_cast<size_t>(history)), kBurst);
    const std::string burst = Listing(kBurst).substr(0, kBurst);
    const int64_t arrivalsBefore = rig.Arrivals();
    for (auto _ : state)
        rig.Send(burst, piece);

    // The box holds the burst's tail to the history limit (less a CR whose LF was trimmed), and the
    // recording everything sent.
    const std::string_view shown = rig.Shown();
    const bool boxHoldsTail = shown.size() + 1 >= static_cast<size_t>(history) && burst.ends_with(shown);
    if (!boxHoldsTail || rig.Recorded() != rig.Sent())
        state.SkipWithError("the burst did not reach the box and the recording whole");
    state.SetBytesProcessed(static_cast<int64_t>(burst.size()) * state.iterations());
    state.counters["ns/byte"] = benchmark::Counter(
        static_cast<double>(burst.size()) * static_cast<double>(state.iterations()),
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert, benchmark::Counter::kIs1000);
    state.counters["arrivals/burst"] =
        static_cast<double>(rig.Arrivals() - arrivalsBefore) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_TerminalBurstToBoxAndRecording)
    ->ArgsProduct({{20000, 256 << 10, 1 << 20}, {0, kSegment}, {1, 0}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    pelorin::bench::UseOffscreenUnlessSet();
    QApplication app(argc, argv);
    return pelorin::bench::RunBenchmarks(argc, argv);
}
