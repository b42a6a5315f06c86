#pragma once

#include <QHostAddress>
#include <QObject>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QTcpSocket;

namespace pelorin::sim {

class SimContext;
struct ServedPicture;
struct User;

// One client on the framed link: cuts its frames, answers its commands and pushes the values of
// the picture it shows.
class Session : public QObject {
    Q_OBJECT
public:
    Session(uint64_t id, QTcpSocket* socket, SimContext& context, QObject* parent);

    uint64_t id() const { return m_Id; }
    QHostAddress peerAddress() const;
    // "#id (address)", for the log.
    QString describe() const;
    const User* user() const { return m_User; }

    // Sends the values that changed since they were last sent.
    void publishValues();
    void send(uint8_t code, std::string_view payload);
    void sendRaw(std::string_view bytes);
    // Closes a connection that has not logged in in time, or not completed a frame in time.
    void enforceDeadlines(int64_t nowMs);
    // Not logged in, and nothing sent for a while: it may be closed to make room.
    bool idle(int64_t nowMs) const;
    void close();

    // Failure injection: the next frame goes out half; then the connection closes, or the rest
    // is held back (with everything after it) until resume().
    void dropMidFrame() { m_Fault = Fault::DropMidFrame; }
    void stallMidFrame() { m_Fault = Fault::StallMidFrame; }
    // Stops reading and sending, as a hung server does, until resume().
    void stall() { m_Hung = true; }
    void resume();
    // Sends `count` values of the picture shown, its numbers in turn, while the client keeps up.
    void floodValues(int count);

signals:
    void channelsChanged();
    void valuesChanged();
    void closed(pelorin::sim::Session* session);

private:
    void onReadyRead();
    void handle(uint8_t code, const std::string& payload);
    void handleLogin(const std::string& payload);
    void handleGetPicture(const std::string& payload);
    void handleWriteValue(const std::string& payload);
    // The address a write to `number` goes to; empty when it goes nowhere.
    std::string writeAddress(int32_t number) const;
    void handleWatchSetpoint(const std::string& payload);
    void handleSysdialChannel();
    void handleFunctionText(const std::string& payload);
    void handleGetPictureLog(const std::string& payload);
    void handleSavePictureLog(const std::string& payload);
    void handleSaveGlobalLog(const std::string& payload);
    void endLogin();
    // Counts the unfinished frame in the shared input budget; false when it does not fit.
    bool budgetInput();
    int64_t frameDeadlineMs() const;
    void finish();

    bool may(int32_t accessBit) const;
    // The current text of dynamic number `number` of the picture, or of a watched parameter.
    std::optional<std::string> valueText(int32_t number) const;
    void sendValue(int32_t number, const std::string& text);
    void sendValueIfChanged(int32_t number, bool force);
    void write(std::string_view bytes);

    enum class Fault { None, DropMidFrame, StallMidFrame };

    uint64_t m_Id;
    QTcpSocket* m_Socket;
    SimContext& m_Context;
    std::string m_Buffer;
    // The part of m_Buffer counted in the shared budget.
    size_t m_BudgetedInput = 0;
    int64_t m_FrameStartMs = 0;
    int64_t m_LastInputMs = 0;
    std::optional<int64_t> m_StallAtMs;
    std::optional<int64_t> m_LoginDeadlineMs;
    bool m_Closed = false;
    const User* m_User = nullptr;
    const ServedPicture* m_Picture = nullptr;
    std::optional<std::array<std::string, 4>> m_Watched;
    // The last text sent per number: the picture's dynamic numbers, then the four watched ones.
    std::vector<std::string> m_Sent;
    Fault m_Fault = Fault::None;
    bool m_Stalled = false;
    std::string m_Held;
    bool m_Hung = false;
    size_t m_FloodNext = 0;
};

} // namespace pelorin::sim
