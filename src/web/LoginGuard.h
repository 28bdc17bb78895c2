#pragma once
// Who may work the remote panel: the passphrase check, the sessions it opens,
// and the brake on guessing.
//
// Guessing: each address has freeFailures wrong passphrases; after that it
// waits firstLockout before the next attempt, doubling with each further
// failure up to maxLockout. A success clears its count. An address with an
// attempt under way may not start another. Hashing runs off the event loop,
// one attempt at a time, at most maxWaiting queued behind it (more are
// refused as busy), so that a run's timing never waits for a login.
//
// Sessions: a success opens one, named by a random 256-bit token. It ends
// sessionIdle after its last use or sessionLife after it opened, whichever
// comes first; at most maxSessions are kept, the least recently used going.

#include "web/Passphrase.h"

#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QPointer>
#include <QString>

#include <chrono>
#include <deque>
#include <functional>
#include <optional>

namespace web
{

class LoginGuard : public QObject
{
public:
    using TimePoint = std::chrono::steady_clock::time_point;
    using Clock = std::function<TimePoint()>;

    struct Limits {
        int freeFailures = 5;
        std::chrono::seconds firstLockout{2};
        std::chrono::seconds maxLockout{std::chrono::minutes(15)};
        std::chrono::seconds sessionIdle{std::chrono::minutes(30)};
        std::chrono::seconds sessionLife{std::chrono::hours(12)};
        int maxSessions = 64;
        int maxWaiting = 8;
    };

    // hash: the passphrase; none: no login is asked for (loopback only).
    LoginGuard(std::optional<PassHash> hash, Clock clock, Limits limits, QObject* parent = nullptr);
    LoginGuard(std::optional<PassHash> hash, QObject* parent = nullptr);
    ~LoginGuard() override;

    bool required() const { return hash_.has_value(); }

    // The outcome of an attempt: a session's token, or why not.
    struct Outcome {
        std::optional<QString> token;
        QString refusal;
    };
    // Checks `passphrase` for `from`; `done` is called from the event loop
    // later (or at once when refused unhashed), unless `context` has gone.
    void attempt(const QHostAddress& from, const QString& passphrase, QObject* context,
                 std::function<void(const Outcome&)> done);
    // Whether `token` names a live session; using it counts as its last use.
    bool use(const QString& token);
    // Live sessions now.
    int sessions() const { return static_cast<int>(sessions_.size()); }
    // Seconds `from` must still wait before an attempt; 0: it may try now.
    qint64 waitFor(const QHostAddress& from) const;

private:
    struct Failures {
        int count = 0;
        TimePoint last{};
        bool pending = false;
    };
    struct Session {
        TimePoint opened, used;
    };
    struct Attempt {
        QHostAddress from;
        QString passphrase;
        QPointer<QObject> context;
        std::function<void(const Outcome&)> done;
    };
    void startNext();
    void finish(bool matched);
    QString openSession();
    std::chrono::seconds lockout(int count) const;

    std::optional<PassHash> hash_;
    Clock clock_;
    Limits limits_;
    QHash<QString, Failures> failures_; // by address
    QHash<QString, Session> sessions_;  // by token
    std::deque<Attempt> waiting_;       // front: being hashed
    class Hashing;
    Hashing* hashing_ = nullptr;
};

} // namespace web
