#include "web/WebHub.h"

#include "actions/ActionRunner.h"
#include "panel/RecordDoor.h"
#include "web/LoginGuard.h"
#include "web/Message.h"

#include <QJsonDocument>
#include <QTimer>
#include <QWebSocket>

#include <algorithm>
#include <optional>

namespace web
{

namespace
{

struct Later {
    void operator()(QObject* object) const { object->deleteLater(); }
};

constexpr std::chrono::seconds sweepInterval{5};

} // namespace

struct WebHub::Client {
    std::unique_ptr<QWebSocket, Later> socket;
    QString token;
    bool in = false;      // may watch (logged in, or no login asked)
    bool closing = false; // refused: nothing more is read from it
    bool behind = false;  // a state was held back while it did not read
    std::optional<TimePoint> stuckSince;
    QString lastState;
};

WebHub::WebHub(record::RecordDoor& door, ActionRunner& runner, LoginGuard& guard, Clock clock,
               QObject* parent)
    : QObject(parent), door_(door), runner_(runner), guard_(guard), clock_(std::move(clock)),
      poll_(new QTimer(this)), sweeper_(new QTimer(this))
{
    // At each serving of a run, so that a browser follows it step by step;
    // the poll catches what changes outside runs (an edit, the heard line).
    connect(&runner_, &ActionRunner::aboutToServe, this, &WebHub::publish);
    connect(&runner_, &ActionRunner::ended, this, &WebHub::publish);
    poll_->setInterval(pollInterval);
    connect(poll_, &QTimer::timeout, this, &WebHub::publish);
    sweeper_->setInterval(sweepInterval);
    connect(sweeper_, &QTimer::timeout, this, &WebHub::sweep);
    sweeper_->start();
    door_.onNews(this, [this](const QString& news) {
        tellAll({{QStringLiteral("t"), QStringLiteral("news")}, {QStringLiteral("text"), news}});
    });
}

WebHub::WebHub(record::RecordDoor& door, ActionRunner& runner, LoginGuard& guard, QObject* parent)
    : WebHub(
          door, runner, guard, [] { return std::chrono::steady_clock::now(); }, parent)
{
}

WebHub::~WebHub()
{
    for (auto& c : clients_)
        c->socket->disconnect(this);
}

WebHub::Client* WebHub::find(QWebSocket* socket)
{
    const auto it = std::find_if(clients_.begin(), clients_.end(),
                                 [socket](const auto& c) { return c->socket.get() == socket; });
    return it == clients_.end() ? nullptr : it->get();
}

void WebHub::welcome(std::unique_ptr<QWebSocket> socket)
{
    auto client = std::make_unique<Client>();
    client->socket.reset(socket.release());
    QWebSocket* s = client->socket.get();
    s->setParent(nullptr);
    // Larger messages are refused by the socket itself, before they are buffered whole.
    s->setMaxAllowedIncomingFrameSize(maxMessageBytes);
    s->setMaxAllowedIncomingMessageSize(maxMessageBytes);
    connect(s, &QWebSocket::textMessageReceived, this, [this, s](const QString& text) {
        if (Client* c = find(s); c && !c->closing)
            received(*c, text);
    });
    connect(s, &QWebSocket::binaryMessageReceived, this, [this, s] {
        if (Client* c = find(s); c && !c->closing)
            drop(*c, QWebSocketProtocol::CloseCodeDatatypeNotSupported, QStringLiteral("text messages only"));
    });
    connect(s, &QWebSocket::bytesWritten, this, [this, s] {
        if (Client* c = find(s); c && c->behind)
            sendState(*c);
    });
    connect(s, &QWebSocket::disconnected, this, [this, s] { forget(s); });
    clients_.push_back(std::move(client));
    Client& c = *clients_.back();
    send(c, {{QStringLiteral("t"), QStringLiteral("hello")}, {QStringLiteral("login"), guard_.required()}});
    if (!guard_.required()) {
        c.in = true;
        publish();
    }
    poll_->start();
}

void WebHub::drop(Client& client, int code, const QString& reason)
{
    client.closing = true;
    if (controller_ == &client)
        setController(nullptr);
    client.socket->close(static_cast<QWebSocketProtocol::CloseCode>(code), reason);
}

void WebHub::forget(QWebSocket* socket)
{
    Client* c = find(socket);
    if (!c)
        return;
    if (controller_ == c)
        setController(nullptr);
    clients_.erase(
        std::find_if(clients_.begin(), clients_.end(), [c](const auto& p) { return p.get() == c; }));
    if (clients_.empty())
        poll_->stop();
    publish();
}

void WebHub::received(Client& c, const QString& text)
{
    const Parsed parsed = parseMessage(text.toUtf8(), &record::RecordDoor::knows);
    if (!parsed.message) {
        drop(c, QWebSocketProtocol::CloseCodePolicyViolated, parsed.refusal);
        return;
    }
    const Message& m = *parsed.message;
    if (m.kind == Kind::login) {
        guard_.attempt(c.socket->peerAddress(), m.text, c.socket.get(),
                       [this, s = c.socket.get()](const LoginGuard::Outcome& outcome) {
                           Client* c = find(s);
                           if (!c || c->closing)
                               return;
                           if (outcome.token)
                               loggedIn(*c, *outcome.token);
                           else
                               send(*c, {{QStringLiteral("t"), QStringLiteral("denied")},
                                         {QStringLiteral("why"), outcome.refusal}});
                       });
        return;
    }
    if (m.kind == Kind::resume) {
        if (guard_.use(m.text))
            loggedIn(c, m.text);
        else
            send(c, {{QStringLiteral("t"), QStringLiteral("denied")},
                     {QStringLiteral("why"), QStringLiteral("session expired: log in again")}});
        return;
    }
    if (!c.in) {
        drop(c, QWebSocketProtocol::CloseCodePolicyViolated, QStringLiteral("log in first"));
        return;
    }
    if (!c.token.isEmpty() && !guard_.use(c.token)) {
        c.in = false;
        if (controller_ == &c)
            setController(nullptr);
        send(c, {{QStringLiteral("t"), QStringLiteral("denied")},
                 {QStringLiteral("why"), QStringLiteral("session expired: log in again")}});
        return;
    }
    switch (m.kind) {
    case Kind::take:
        setController(&c);
        return;
    case Kind::release:
        if (controller_ == &c)
            setController(nullptr);
        return;
    case Kind::press:
    case Kind::stop:
        if (controller_ != &c) {
            send(c, {{QStringLiteral("t"), QStringLiteral("refused")},
                     {QStringLiteral("why"), QStringLiteral("take control first")}});
            return;
        }
        controlUsed_ = clock_();
        if (m.kind == Kind::stop)
            door_.stop();
        else
            door_.press(m.text);
        return;
    case Kind::login:
    case Kind::resume:
        return;
    }
}

void WebHub::loggedIn(Client& c, const QString& token)
{
    c.in = true;
    c.token = token;
    send(c, {{QStringLiteral("t"), QStringLiteral("session")}, {QStringLiteral("token"), token}});
    c.lastState.clear();
    publish();
}

void WebHub::setController(Client* client)
{
    Client* before = controller_;
    controller_ = client;
    controlUsed_ = clock_();
    if (before && client && before != client && !before->closing)
        send(*before, {{QStringLiteral("t"), QStringLiteral("news")},
                       {QStringLiteral("text"), QStringLiteral("control taken by another browser")}});
    publish();
}

QString WebHub::stateFor(const Client& c)
{
    // Three texts at most per publication, however many watch.
    const int which = controller_ == &c ? 0 : controller_ ? 1 : 2;
    QString& text = encoded_[static_cast<size_t>(which)];
    if (text.isEmpty()) {
        QJsonObject state = shown_;
        state.insert(QStringLiteral("control"), which == 0   ? QStringLiteral("you")
                                                : which == 1 ? QStringLiteral("other")
                                                             : QStringLiteral("none"));
        text = QString::fromUtf8(QJsonDocument(state).toJson(QJsonDocument::Compact));
    }
    return text;
}

void WebHub::publish()
{
    if (clients_.empty())
        return;
    const record::PanelView v = door_.view();
    const int watching = static_cast<int>(
        std::count_if(clients_.begin(), clients_.end(), [](const auto& c) { return c->in && !c->closing; }));
    shown_ = QJsonObject{{QStringLiteral("t"), QStringLiteral("state")},
                         {QStringLiteral("xmit"), v.shown.transmit},
                         {QStringLiteral("rcv"), v.shown.receive},
                         {QStringLiteral("step"), v.step},
                         {QStringLiteral("entry"), v.shown.entry},
                         {QStringLiteral("speed"), v.speed},
                         {QStringLiteral("model"), v.model},
                         {QStringLiteral("heard"), v.heard},
                         {QStringLiteral("held"), v.held},
                         {QStringLiteral("rit"), v.shown.rit},
                         {QStringLiteral("canTake"), v.canTake},
                         {QStringLiteral("running"), v.running},
                         {QStringLiteral("viewers"), watching}};
    encoded_ = {};
    if (v.running)
        controlUsed_ = clock_();
    for (auto& c : clients_)
        if (c->in && !c->closing)
            sendState(*c);
}

void WebHub::sendState(Client& c)
{
    const QString state = stateFor(c);
    if (state == c.lastState && !c.behind)
        return;
    if (c.socket->bytesToWrite() > highWater) {
        c.behind = true;
        if (!c.stuckSince)
            c.stuckSince = clock_();
        return;
    }
    c.behind = false;
    c.stuckSince.reset();
    c.lastState = state;
    c.socket->sendTextMessage(state);
}

void WebHub::send(Client& c, const QJsonObject& message)
{
    if (c.socket->bytesToWrite() > highWater)
        return;
    c.socket->sendTextMessage(QString::fromUtf8(QJsonDocument(message).toJson(QJsonDocument::Compact)));
}

void WebHub::tellAll(const QJsonObject& message)
{
    for (auto& c : clients_)
        if (c->in && !c->closing)
            send(*c, message);
}

void WebHub::sweep()
{
    const TimePoint now = clock_();
    if (controller_ && !runner_.running() && now - controlUsed_ > controlIdle) {
        send(*controller_,
             {{QStringLiteral("t"), QStringLiteral("news")},
              {QStringLiteral("text"), QStringLiteral("control released: idle for three minutes")}});
        setController(nullptr);
    }
    for (auto& c : clients_) {
        if (c->closing)
            continue;
        if (c->stuckSince && now - *c->stuckSince > stuckLimit) {
            drop(*c, QWebSocketProtocol::CloseCodePolicyViolated, QStringLiteral("not reading"));
            continue;
        }
        // An open connection is a session in use; a session lives at most its life.
        if (c->in && !c->token.isEmpty() && !guard_.use(c->token)) {
            c->in = false;
            if (controller_ == c.get())
                setController(nullptr);
            send(*c, {{QStringLiteral("t"), QStringLiteral("denied")},
                      {QStringLiteral("why"), QStringLiteral("session expired: log in again")}});
        }
    }
}

} // namespace web
