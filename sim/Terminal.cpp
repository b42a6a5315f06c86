#include "Terminal.h"

#include "ProcessModel.h"
#include "Trace.h"
#include "WireText.h"
#include "core/FrameTrace.h"

#include <QTcpSocket>
#include <algorithm>
#include <cmath>
#include <utility>

namespace pelorin::sim {

namespace {

constexpr char kWakeUp = 16;
constexpr char kCancel = 3;
constexpr char kBackspace = 8;
constexpr char kDelete = 127;
constexpr size_t kMaxLine = 256;
constexpr int kMaxListing = 500;
constexpr qint64 kMaxPendingOutput = 1024 * 1024;
// A burst is written in pieces, each once the client has taken most of the one before.
constexpr qint64 kBurstPiece = 64 * 1024;
constexpr std::string_view kBurstLine =
    "SKUR 0123456789 ABCDEFGHIJKLMNOPQRSTUVWXYZ abcdefghijklmnopqrstuvwxyz\r\n";

const QString kNewLine = QStringLiteral("\r\n");

QString HelpText() {
    return QStringLiteral("Kommandon:\r\n"
                          "  HJÄLP               den här listan\r\n"
                          "  STATUS              anläggningens läge\r\n"
                          "  LISTA [början]      signalerna och deras värden\r\n"
                          "  SKRIV adress värde  skriv ett värde (kräver kodord)\r\n"
                          "  SLUT                avsluta\r\n");
}

} // namespace

TerminalSession::TerminalSession(uint64_t session, QTcpSocket* socket, ProcessModel& model, User user,
                                 QString plantName, int64_t burstBytes, QObject* parent)
    : QObject(parent), m_Session(session), m_Socket(socket), m_Model(model), m_User(std::move(user)),
      m_PlantName(std::move(plantName)), m_BurstOnWakeUp(burstBytes) {
    socket->setParent(this);
    connect(socket, &QTcpSocket::bytesWritten, this, &TerminalSession::feedBurst);
    connect(socket, &QTcpSocket::readyRead, this, &TerminalSession::onReadyRead);
    connect(socket, &QTcpSocket::disconnected, this, [this] {
        if (std::exchange(m_Closed, true))
            return;
        emit closed(this);
    });
    // What came while the connection waited for its channel claim.
    if (socket->bytesAvailable() > 0)
        QMetaObject::invokeMethod(this, &TerminalSession::onReadyRead, Qt::QueuedConnection);
}

void TerminalSession::close() {
    if (m_Closed)
        return;
    m_Closed = true;
    m_Socket->abort();
    emit closed(this);
}

void TerminalSession::onReadyRead() {
    const QByteArray arrived = m_Socket->readAll();
    qCDebug(lcLink).noquote()
        << QStringLiteral("terminal #%1 <- %2").arg(m_Session).arg(PrintableBytes(arrived.toStdString()));
    emit inputArrived(arrived);
    for (char c : arrived) {
        if (m_Closed || m_Socket->state() != QAbstractSocket::ConnectedState)
            return;
        receive(c);
    }
}

void TerminalSession::receive(char c) {
    switch (c) {
    case kWakeUp:
        printBanner();
        sendBurst(m_BurstOnWakeUp);
        break;
    case '\r':
        endLine();
        break;
    case kBackspace:
    case kDelete:
        if (!m_Line.empty())
            m_Line.pop_back();
        break;
    case kCancel:
        m_Line.clear();
        m_Pending.clear();
        print(QStringLiteral("^C") + kNewLine);
        prompt();
        break;
    default:
        // Printable characters make the line; other control characters mean nothing here.
        if (static_cast<unsigned char>(c) >= 32 && m_Line.size() <= kMaxLine)
            m_Line += c;
        break;
    }
}

void TerminalSession::endLine() {
    const std::string line = std::exchange(m_Line, std::string());
    if (!m_Pending.isEmpty()) {
        print(kNewLine);
        checkCodeWord(line);
        return;
    }
    print(FromLatin1(line) + kNewLine);
    if (line.size() > kMaxLine)
        print(QStringLiteral("Raden är för lång.") + kNewLine);
    else
        runCommand(FromLatin1(line).trimmed());
    if (m_Pending.isEmpty())
        prompt();
}

void TerminalSession::runCommand(const QString& line) {
    const QString command = line.section(QLatin1Char(' '), 0, 0, QString::SectionSkipEmpty).toUpper();
    const QString arguments = line.section(QLatin1Char(' '), 1, -1, QString::SectionSkipEmpty);
    if (command.isEmpty())
        return;
    if (command == QStringLiteral("HJÄLP") || command == QStringLiteral("HELP") ||
        command == QStringLiteral("?")) {
        print(HelpText());
    } else if (command == QStringLiteral("STATUS")) {
        printStatus();
    } else if (command == QStringLiteral("LISTA") || command == QStringLiteral("DIR")) {
        printListing(arguments);
    } else if (command == QStringLiteral("SKRIV")) {
        if ((m_User.level & 2) == 0 || m_User.codeWord.empty()) {
            print(QStringLiteral("Behörighet saknas.") + kNewLine);
            return;
        }
        m_Pending = arguments;
        print(QStringLiteral("KODORD: ") + kNewLine);
    } else if (command == QStringLiteral("SLUT") || command == QStringLiteral("EXIT")) {
        print(QStringLiteral("Hej då.") + kNewLine);
        m_Socket->disconnectFromHost();
    } else {
        print(QStringLiteral("Okänt kommando: %1. Skriv HJÄLP för en lista.").arg(command) + kNewLine);
    }
}

void TerminalSession::checkCodeWord(const std::string& codeWord) {
    const QString pending = std::exchange(m_Pending, QString());
    if (codeWord == m_User.codeWord)
        writeSignal(pending);
    else
        print(QStringLiteral("Fel kodord.") + kNewLine);
    prompt();
}

void TerminalSession::writeSignal(const QString& arguments) {
    const QString typed = arguments.section(QLatin1Char(' '), 0, 0, QString::SectionSkipEmpty);
    const QString valueText = arguments.section(QLatin1Char(' '), 1, -1, QString::SectionSkipEmpty);
    const std::optional<double> value = ParseValueText(valueText.toLatin1().toStdString());
    if (typed.isEmpty() || !value) {
        print(QStringLiteral("Skriv så här: SKRIV adress värde") + kNewLine);
        return;
    }
    // Addresses are upper case; the terminal cannot always type capitals.
    std::string address = typed.toLatin1().toStdString();
    if (!m_Model.find(address))
        address = typed.toUpper().toLatin1().toStdString();
    if (!m_Model.write(address, *value)) {
        print(QStringLiteral("Fel: %1 finns inte eller är skrivskyddad.").arg(FromLatin1(address)) +
              kNewLine);
        return;
    }
    print(QStringLiteral("OK  %1 = %2")
              .arg(FromLatin1(address), FromLatin1(FormatValue(m_Model.find(address)->value))) +
          kNewLine);
    emit valuesWritten();
}

void TerminalSession::printBanner() {
    print(kNewLine + QStringLiteral("Pelorin simulator, systemdialog - %1").arg(m_PlantName) + kNewLine +
          QStringLiteral("Inloggad: %1 (%2). Skriv HJÄLP för en lista.")
              .arg(FromLatin1(m_User.name), FromLatin1(m_User.visa)) +
          kNewLine);
    m_Line.clear();
    m_Pending.clear();
    prompt();
}

void TerminalSession::printStatus() {
    const double hour = m_Model.hourOfDay();
    const int minutes = static_cast<int>(std::floor(hour * 60));
    print(QStringLiteral("Anläggning:    %1").arg(m_PlantName) + kNewLine +
          QStringLiteral("Klockan:       %1:%2")
              .arg(minutes / 60, 2, 10, QLatin1Char('0'))
              .arg(minutes % 60, 2, 10, QLatin1Char('0')) +
          kNewLine +
          QStringLiteral("Utetemperatur: %1 °C")
              .arg(FromLatin1(FormatValue(std::round(m_Model.outdoorTemperature() * 10) / 10))) +
          kNewLine + QStringLiteral("Signaler:      %1").arg(m_Model.allSignals().size()) + kNewLine +
          QStringLiteral("Modellen:      %1")
              .arg(m_Model.frozen() ? QStringLiteral("fryst") : QStringLiteral("går")) +
          kNewLine);
}

void TerminalSession::printListing(const QString& prefix) {
    const QString wanted = prefix.trimmed().toUpper();
    int shown = 0;
    for (const auto& [address, signal] : m_Model.allSignals()) {
        const QString name = FromLatin1(address);
        if (!name.toUpper().startsWith(wanted))
            continue;
        if (++shown > kMaxListing) {
            print(QStringLiteral("... (fler signaler, ange en början)") + kNewLine);
            break;
        }
        print(QStringLiteral("%1 %2%3")
                  .arg(name, -24)
                  .arg(FromLatin1(FormatValue(signal.value)), 10)
                  .arg(signal.writable ? QStringLiteral("  skrivbar") : QString()) +
              kNewLine);
    }
    if (shown == 0)
        print(QStringLiteral("Inga signaler.") + kNewLine);
}

void TerminalSession::print(const QString& text) {
    sendRaw(text.toLatin1().toStdString());
}

void TerminalSession::sendRaw(std::string_view bytes) {
    if (m_Closed || m_Socket->state() != QAbstractSocket::ConnectedState)
        return;
    if (m_BurstLeft > 0) {
        m_AfterBurst += bytes;
        return;
    }
    m_Socket->write(bytes.data(), static_cast<qint64>(bytes.size()));
    if (m_Socket->bytesToWrite() > kMaxPendingOutput)
        close();
}

// The prompt ends its line: a client sends back the whole line its caret is on, which must hold
// only what was typed.
void TerminalSession::prompt() {
    print(QStringLiteral("PELORIN> ") + kNewLine);
}

void TerminalSession::sendBurst(int64_t bytes) {
    if (bytes <= 0 || m_Closed)
        return;
    m_BurstLeft += bytes;
    feedBurst();
}

void TerminalSession::feedBurst() {
    while (m_BurstLeft > 0 && !m_Closed && m_Socket->bytesToWrite() < kBurstPiece) {
        std::string piece;
        const auto size = static_cast<size_t>(std::min<int64_t>(kBurstPiece, m_BurstLeft));
        while (piece.size() < size) {
            const size_t at =
                static_cast<size_t>(m_BurstSent + static_cast<int64_t>(piece.size())) % kBurstLine.size();
            piece += kBurstLine.substr(at, size - piece.size());
        }
        m_Socket->write(piece.data(), static_cast<qint64>(piece.size()));
        m_BurstSent += static_cast<int64_t>(piece.size());
        m_BurstLeft -= static_cast<int64_t>(piece.size());
        if (m_BurstLeft == 0)
            sendRaw(std::exchange(m_AfterBurst, std::string()));
    }
}

} // namespace pelorin::sim
