#pragma once
// The remote panel's connections: who watches, who holds control, and what
// each is sent.
//
// Every connection sees the panel: a state message whenever what the panel
// shows has changed (looked at each time a run serves the program, when an
// action ends, and every pollInterval), and each piece of news. With a
// passphrase a connection must log in (or resume a session) first; without
// one it is let in at once (the server then listens on loopback only).
//
// Control: at most one connection holds it, taken explicitly ("take", which
// takes it from whoever held it), given back by "release", by closing, or
// after controlIdle with neither a message from it nor a run under way. Only
// the holder's "press" and "stop" reach the panel, through the record's door.
//
// A message the protocol refuses (web/Message.h), a binary one, or any but
// login/resume before logging in closes that connection with the reason and
// touches nothing. A connection that does not read: while more than
// highWater bytes wait to go to it, it is sent nothing new (the next state it
// gets is the latest); one stuck like that for stuckLimit is closed.

#include <QHostAddress>
#include <QJsonObject>
#include <QObject>

#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <vector>

class ActionRunner;
class QTimer;
class QWebSocket;
namespace record
{
class RecordDoor;
}

namespace web
{

class LoginGuard;

class WebHub : public QObject
{
public:
    using TimePoint = std::chrono::steady_clock::time_point;
    using Clock = std::function<TimePoint()>;

    static constexpr std::chrono::milliseconds pollInterval{100};
    static constexpr std::chrono::seconds controlIdle{std::chrono::minutes(3)};
    static constexpr qint64 highWater = 64 * 1024;
    static constexpr std::chrono::seconds stuckLimit{30};

    WebHub(record::RecordDoor& door, ActionRunner& runner, LoginGuard& guard, Clock clock,
           QObject* parent = nullptr);
    WebHub(record::RecordDoor& door, ActionRunner& runner, LoginGuard& guard, QObject* parent = nullptr);
    ~WebHub() override;

    // Takes over a connection whose origin the server has checked.
    void welcome(std::unique_ptr<QWebSocket> socket);
    int connections() const { return static_cast<int>(clients_.size()); }
    // Ends idle control and closes stuck connections; runs every few seconds.
    void sweep();

private:
    struct Client;
    void received(Client& client, const QString& text);
    void loggedIn(Client& client, const QString& token);
    void publish();
    void sendState(Client& client);
    void send(Client& client, const QJsonObject& message);
    void tellAll(const QJsonObject& message);
    void drop(Client& client, int code, const QString& reason);
    void forget(QWebSocket* socket);
    Client* find(QWebSocket* socket);
    void setController(Client* client);
    QString stateFor(const Client& client);

    record::RecordDoor& door_;
    ActionRunner& runner_;
    LoginGuard& guard_;
    Clock clock_;
    std::vector<std::unique_ptr<Client>> clients_;
    Client* controller_ = nullptr;
    TimePoint controlUsed_{};
    QJsonObject shown_;              // the panel as last published
    std::array<QString, 3> encoded_; // shown_ as sent to the holder, the others, all when none holds
    QTimer* poll_;
    QTimer* sweeper_;
};

} // namespace web
