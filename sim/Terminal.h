#pragma once

#include "Users.h"

#include <QObject>
#include <QString>
#include <cstdint>
#include <string>
#include <string_view>

class QTcpSocket;

namespace pelorin::sim {

class ProcessModel;

// The system-dialog stream of one channel: unframed Latin-1 text. It echoes every line, answers
// a few commands and asks for the user's code word ("KODORD:") before a privileged one; the code
// word itself is never echoed.
class TerminalSession : public QObject {
    Q_OBJECT
public:
    // `burstBytes`: text sent after the banner, as fast as the client takes it (failure injection).
    TerminalSession(uint64_t session, QTcpSocket* socket, ProcessModel& model, User user, QString plantName,
                    int64_t burstBytes, QObject* parent);

    // The framed session whose channel this terminal uses.
    uint64_t session() const { return m_Session; }
    void close();
    // Any bytes, as they are (for the client's tests).
    void sendRaw(std::string_view bytes);
    // Sends `bytes` of text as fast as the client takes them; what else is sent meanwhile follows it.
    void sendBurst(int64_t bytes);

signals:
    void valuesWritten();
    void inputArrived(const QByteArray& bytes);
    void closed(pelorin::sim::TerminalSession* terminal);

private:
    void onReadyRead();
    void receive(char c);
    void endLine();
    void runCommand(const QString& line);
    void checkCodeWord(const std::string& codeWord);
    void writeSignal(const QString& arguments);
    void printBanner();
    void printStatus();
    void printListing(const QString& prefix);
    void print(const QString& text);
    void prompt();
    void feedBurst();

    uint64_t m_Session;
    QTcpSocket* m_Socket;
    ProcessModel& m_Model;
    User m_User;
    QString m_PlantName;
    int64_t m_BurstOnWakeUp;
    int64_t m_BurstLeft = 0;
    int64_t m_BurstSent = 0;
    std::string m_AfterBurst;
    std::string m_Line;
    bool m_Closed = false;
    // The privileged command waiting for its code word; empty when none is.
    QString m_Pending;
};

} // namespace pelorin::sim
