#include "Session.h"

#include "SimContext.h"
#include "Trace.h"
#include "WireText.h"
#include "core/Access.h"
#include "core/ClientProcs.h"
#include "core/FrameCutter.h"
#include "core/FrameTrace.h"
#include "core/NumberText.h"
#include "core/Protocol.h"

#include <QTcpSocket>
#include <utility>

namespace pelorin::sim {

namespace {

constexpr int kWatchedParameters = 4;

// A client that does not read what it is sent is dropped rather than buffered without end. The
// allowance comes on top of the frame being written, which may be a logbook of any allowed size.
constexpr qint64 kMaxPendingOutput = 4 * 1024 * 1024;
constexpr qint64 kMaxArrival = 1024 * 1024;
// A flood waits while this much is still on its way to the client, so that it never closes a client
// for not reading.
constexpr qint64 kFloodBacklog = 1024 * 1024;

} // namespace

Session::Session(uint64_t id, QTcpSocket* socket, SimContext& context, QObject* parent)
    : QObject(parent), m_Id(id), m_Socket(socket), m_Context(context), m_LastInputMs(context.nowMs()),
      m_LoginDeadlineMs(context.nowMs() + context.options.loginTimeoutMs) {
    socket->setParent(this);
    // Each arrival is taken whole; the limit keeps one arrival, and so the budget's overshoot, small.
    socket->setReadBufferSize(kMaxArrival);
    connect(socket, &QTcpSocket::readyRead, this, &Session::onReadyRead);
    connect(socket, &QTcpSocket::disconnected, this, [this] {
        if (!m_Closed)
            finish();
    });
}

QHostAddress Session::peerAddress() const {
    return m_Socket->peerAddress();
}

void Session::close() {
    if (m_Closed)
        return;
    m_Socket->abort();
    finish();
}

void Session::finish() {
    m_Closed = true;
    m_Buffer.clear();
    budgetInput();
    emit closed(this);
}

QString Session::describe() const {
    return QStringLiteral("#%1 (%2)").arg(m_Id).arg(m_Socket->peerAddress().toString());
}

void Session::onReadyRead() {
    if (m_Hung)
        return;
    m_LastInputMs = m_Context.nowMs();
    const QByteArray arrived = m_Socket->readAll();
    const bool startsFrame = m_Buffer.empty();
    int completed = 0;
    const CutResult result =
        CutFrames(m_Buffer, std::string_view(arrived.constData(), static_cast<size_t>(arrived.size())),
                  [this, &completed](uint8_t code, const std::string& payload) {
                      ++completed;
                      if (!m_Closed)
                          handle(code, payload);
                  });
    if (m_Closed)
        return;
    if (result == CutResult::ProtocolError) {
        qCWarning(lcLink).noquote() << QStringLiteral("%1 announced a frame longer than %2 bytes, closing")
                                           .arg(describe())
                                           .arg(kMaxPayloadLength);
        close();
        return;
    }
    // The deadline runs from the first byte of the frame now unfinished, however slowly the rest comes.
    if (startsFrame || completed > 0)
        m_FrameStartMs = m_Context.nowMs();
    if (!budgetInput()) {
        qCWarning(lcSim).noquote() << QStringLiteral("%1 would hold more than %2 bytes of unfinished input "
                                                     "for all connections together, closing")
                                          .arg(describe())
                                          .arg(m_Context.options.maxBufferedInput);
        close();
    }
}

bool Session::budgetInput() {
    size_t& total = m_Context.bufferedInput;
    if (m_Buffer.size() > m_BudgetedInput &&
        total - m_BudgetedInput + m_Buffer.size() > m_Context.options.maxBufferedInput)
        return false;
    total = total - m_BudgetedInput + m_Buffer.size();
    m_BudgetedInput = m_Buffer.size();
    return true;
}

int64_t Session::frameDeadlineMs() const {
    const bool headComplete = m_Buffer.size() >= kFrameHeadSize;
    const auto announced = headComplete ? static_cast<uint32_t>(String2Long(m_Buffer, 1)) : 0u;
    return m_FrameStartMs + m_Context.options.frameTimeoutMs + announced / 1024;
}

bool Session::idle(int64_t nowMs) const {
    return !m_User && m_Buffer.empty() && nowMs - m_LastInputMs >= m_Context.options.idleAfterMs;
}

void Session::enforceDeadlines(int64_t nowMs) {
    if (m_StallAtMs && nowMs >= *m_StallAtMs) {
        qCInfo(lcSim).noquote()
            << QStringLiteral("%1 stalls: it neither reads nor sends any more").arg(describe());
        m_StallAtMs.reset();
        stall();
    }
    if (m_LoginDeadlineMs && nowMs > *m_LoginDeadlineMs) {
        qCInfo(lcSim).noquote() << QStringLiteral("%1 did not log in within %2 ms, closing")
                                       .arg(describe())
                                       .arg(m_Context.options.loginTimeoutMs);
        close();
    } else if (!m_Buffer.empty() && nowMs > frameDeadlineMs()) {
        qCInfo(lcSim).noquote()
            << QStringLiteral("%1 did not complete a frame in time (%2 ms since its first byte), closing")
                   .arg(describe())
                   .arg(nowMs - m_FrameStartMs);
        close();
    }
}

void Session::handle(uint8_t code, const std::string& payload) {
    qCDebug(lcLink).noquote() << QStringLiteral("#%1 %2").arg(m_Id).arg(
        DescribeFrame(FrameDirection::ToServer, code, payload));
    m_Context.recordFrame(m_Id, code, payload);
    if (code == CMD_LOGIN) {
        handleLogin(payload);
        return;
    }
    // Before a login nothing but a login is answered.
    if (!m_User)
        return;
    switch (code) {
    case CMD_GET_PICTURE:
        handleGetPicture(payload);
        break;
    case CMD_GET_PICTURE_TABLE:
        send(MSG_PICTURE_TABLE, m_Context.plant.pictureTable());
        break;
    case CMD_LOGOUT:
        endLogin();
        break;
    case CMD_GET_FUNCTION_TEXT:
        handleFunctionText(payload);
        break;
    case CMD_SYSDIAL_CHANNEL:
        handleSysdialChannel();
        break;
    case CMD_WRITE_VALUE:
        handleWriteValue(payload);
        break;
    case CMD_WATCH_SETPOINT:
        handleWatchSetpoint(payload);
        break;
    case CMD_UNWATCH_SETPOINT:
        m_Watched.reset();
        break;
    case CMD_GET_PICTURE_LOG:
        handleGetPictureLog(payload);
        break;
    case CMD_GET_GLOBAL_LOG:
        send(MSG_GLOBAL_LOG, m_Context.texts.globalLog());
        break;
    case CMD_SAVE_PICTURE_LOG:
        handleSavePictureLog(payload);
        break;
    case CMD_SAVE_GLOBAL_LOG:
        handleSaveGlobalLog(payload);
        break;
    default:
        break;
    }
}

void Session::handleLogin(const std::string& payload) {
    endLogin();
    const std::string text = UnscrambleLogin(payload);
    const size_t split = text.find(kVisaPasswordSeparator);
    const User* user = nullptr;
    if (split != std::string::npos)
        user = m_Context.users.authenticate(text.substr(0, split), text.substr(split + 1));
    const bool accepted = user && user->level >= 1;
    // A refused login learns nothing about the user, not even the full name.
    std::string reply = Long2String(accepted ? user->level : 0) + Long2String(m_Context.terminalPort) +
                        Long2String(m_Context.options.historySize) + (accepted ? user->name : std::string());
    send(MSG_LOGIN_REPLY, reply);
    if (!accepted)
        return;
    m_User = user;
    m_LoginDeadlineMs.reset();
    if (m_Context.options.stallAfterLoginMs >= 0)
        m_StallAtMs = m_Context.nowMs() + m_Context.options.stallAfterLoginMs;
    send(MSG_SYSDIAL_INFO, m_Context.channels.infoPayload(m_Context.plant.macroList));
}

void Session::endLogin() {
    if (m_User)
        m_LoginDeadlineMs = m_Context.nowMs() + m_Context.options.loginTimeoutMs;
    m_User = nullptr;
    m_Picture = nullptr;
    m_Watched.reset();
    if (m_Context.channels.release(m_Id))
        emit channelsChanged();
}

void Session::handleGetPicture(const std::string& payload) {
    const std::optional<int> number = ParsePictureNumber(payload);
    m_Picture = number ? m_Context.plant.picture(*number) : nullptr;
    m_Watched.reset();
    m_Sent.clear();
    if (number == 0)
        return;
    if (!m_Picture) {
        send(MSG_NO_PICTURE, {});
        return;
    }
    PictureHeader header = m_Picture->header;
    header.functionText = !m_Picture->functionText.empty() || m_Context.texts.functionText(m_Picture->number);
    send(MSG_PICTURE, EncodePictureMessage(header, m_Picture->elementData));
    m_Sent.assign(m_Picture->dynamics.size() + kWatchedParameters, std::string());
    publishValues();
}

void Session::publishValues() {
    if (m_Closed || !m_Picture)
        return;
    for (size_t i = 0; i < m_Sent.size(); ++i)
        sendValueIfChanged(static_cast<int32_t>(i), false);
}

void Session::floodValues(int count) {
    if (m_Closed || m_Hung || !m_Picture || m_Picture->dynamics.empty())
        return;
    for (int i = 0; i < count && m_Socket->bytesToWrite() < kFloodBacklog; ++i)
        sendValueIfChanged(static_cast<int32_t>(m_FloodNext++ % m_Picture->dynamics.size()), true);
}

void Session::sendValueIfChanged(int32_t number, bool force) {
    const std::optional<std::string> text = valueText(number);
    std::string& sent = m_Sent[static_cast<size_t>(number)];
    if (text && (force || *text != sent)) {
        sent = *text;
        sendValue(number, *text);
    }
}

std::optional<std::string> Session::valueText(int32_t number) const {
    const auto& dynamics = m_Picture->dynamics;
    if (number >= static_cast<int32_t>(dynamics.size())) {
        if (!m_Watched)
            return std::nullopt;
        // A watched parameter comes back exactly as the model holds it, so that a written curve does
        // not snap to a coarser one; adding 0.0 turns a negative zero into "0".
        const Signal* watched =
            m_Context.model->find((*m_Watched)[static_cast<size_t>(number) - dynamics.size()]);
        if (!watched)
            return std::nullopt;
        return DecimalText(watched->value + 0.0);
    }
    const DynamicPoint& point = dynamics[static_cast<size_t>(number)];
    // A setpoint block's own number reports its kind, which never changes.
    if (point.setpointKind >= 0)
        return std::to_string(point.setpointKind);
    const Signal* signal = m_Context.model->find(point.address);
    if (!signal)
        return std::nullopt;
    return FormatValue(signal->value);
}

void Session::sendValue(int32_t number, const std::string& text) {
    send(MSG_VALUE, Short2String(number) + text);
}

void Session::handleWriteValue(const std::string& payload) {
    if (payload.size() < 4)
        return;
    const int32_t number = String2Long(payload, 0);
    WriteRecord record{m_Id, number, writeAddress(number), payload.substr(4), false};
    const std::optional<double> value = ParseValueText(record.text);
    record.accepted = may(ACCESS_WRITE) && !record.address.empty() && value &&
                      m_Context.model->write(record.address, *value);
    m_Context.recordWrite(record);
    // The value goes back whether or not it was taken: the client shows what the plant holds.
    if (m_Picture && number >= 0 && static_cast<size_t>(number) < m_Sent.size())
        sendValueIfChanged(number, true);
    if (record.accepted)
        emit valuesChanged();
}

std::string Session::writeAddress(int32_t number) const {
    if (!m_Picture || number < 0)
        return {};
    const auto count = static_cast<int32_t>(m_Picture->dynamics.size());
    if (number < count) {
        const DynamicPoint& point = m_Picture->dynamics[static_cast<size_t>(number)];
        return point.setpointKind < 0 ? point.address : std::string();
    }
    if (m_Watched && number < count + kWatchedParameters)
        return (*m_Watched)[static_cast<size_t>(number - count)];
    return {};
}

void Session::handleWatchSetpoint(const std::string& payload) {
    if (!m_Picture)
        return;
    std::array<std::string, 4> addresses;
    for (int i = 0; i < kWatchedParameters; ++i)
        addresses[static_cast<size_t>(i)] = GetField(payload, i, ";");
    m_Watched = addresses;
    const auto count = static_cast<int32_t>(m_Picture->dynamics.size());
    for (int i = 0; i < kWatchedParameters; ++i)
        sendValueIfChanged(count + i, true);
}

void Session::handleSysdialChannel() {
    if (!may(ACCESS_SYSDIAL))
        return;
    const auto claim = m_Context.channels.claim(m_Id, m_User->name, m_Context.nowMs());
    if (claim == SysdialChannels::Claim::Claimed)
        emit channelsChanged();
}

void Session::handleFunctionText(const std::string& payload) {
    const std::optional<int> number = ParsePictureNumber(payload);
    const ServedPicture* picture = number ? m_Context.plant.picture(*number) : nullptr;
    std::string text;
    if (picture)
        text = m_Context.texts.functionText(picture->number).value_or(picture->functionText);
    send(MSG_FUNCTION_TEXT, text);
}

void Session::handleGetPictureLog(const std::string& payload) {
    const int32_t number = String2Long(payload, 0);
    send(MSG_PICTURE_LOG,
         m_Context.plant.picture(number) ? m_Context.texts.pictureLog(number) : std::string());
}

void Session::handleSavePictureLog(const std::string& payload) {
    const int32_t number = String2Long(payload, 0);
    if (!may(ACCESS_PICTURE_LOG) || payload.size() < 4 || !m_Context.plant.picture(number))
        return;
    if (!m_Context.texts.savePictureLog(number, std::string_view(payload).substr(4)))
        qWarning("pelorin-sim: the logbook of picture %d could not be saved", number);
}

void Session::handleSaveGlobalLog(const std::string& payload) {
    if (!may(ACCESS_GLOBAL_LOG))
        return;
    if (!m_Context.texts.saveGlobalLog(payload))
        qWarning("pelorin-sim: the global logbook could not be saved");
}

bool Session::may(int32_t accessBit) const {
    return m_User && (m_User->level & accessBit) != 0;
}

void Session::send(uint8_t code, std::string_view payload) {
    qCDebug(lcLink).noquote() << QStringLiteral("#%1 %2").arg(m_Id).arg(
        DescribeFrame(FrameDirection::ToClient, code, payload));
    const std::string frame = EncodeFrame(code, payload);
    const Fault fault = std::exchange(m_Fault, Fault::None);
    if (fault == Fault::None) {
        write(frame);
        return;
    }
    const size_t half = frame.size() / 2;
    write(std::string_view(frame).substr(0, half));
    if (fault == Fault::DropMidFrame) {
        m_Socket->disconnectFromHost();
        return;
    }
    m_Stalled = true;
    m_Held = frame.substr(half);
}

void Session::sendRaw(std::string_view bytes) {
    write(bytes);
}

void Session::resume() {
    m_Stalled = false;
    m_Hung = false;
    write(std::exchange(m_Held, std::string()));
    if (m_Socket->bytesAvailable() > 0)
        onReadyRead();
}

void Session::write(std::string_view bytes) {
    if (m_Closed || m_Hung || m_Socket->state() != QAbstractSocket::ConnectedState)
        return;
    if (m_Stalled)
        m_Held += bytes;
    else
        m_Socket->write(bytes.data(), static_cast<qint64>(bytes.size()));
    const qint64 pending = m_Socket->bytesToWrite() + static_cast<qint64>(m_Held.size());
    if (pending - static_cast<qint64>(bytes.size()) > kMaxPendingOutput) {
        qCWarning(lcSim).noquote()
            << QStringLiteral("%1 does not read what it is sent, closing").arg(describe());
        close();
    }
}

} // namespace pelorin::sim
