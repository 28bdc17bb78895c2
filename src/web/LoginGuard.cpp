#include "web/LoginGuard.h"

#include <QFutureWatcher>
#include <QPointer>
#include <QRandomGenerator>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>

namespace web
{

class LoginGuard::Hashing : public QFutureWatcher<bool>
{
public:
    using QFutureWatcher<bool>::QFutureWatcher;
};

namespace
{

QString key(const QHostAddress& address)
{
    // ::ffff:a.b.c.d and a.b.c.d are one address.
    bool isV4 = false;
    const quint32 v4 = address.toIPv4Address(&isV4);
    return isV4 ? QHostAddress(v4).toString() : address.toString();
}

} // namespace

LoginGuard::LoginGuard(std::optional<PassHash> hash, Clock clock, Limits limits, QObject* parent)
    : QObject(parent), hash_(std::move(hash)), clock_(std::move(clock)), limits_(limits),
      hashing_(new Hashing(this))
{
    connect(hashing_, &Hashing::finished, this, [this] { finish(hashing_->result()); });
}

LoginGuard::LoginGuard(std::optional<PassHash> hash, QObject* parent)
    : LoginGuard(
          std::move(hash), [] { return std::chrono::steady_clock::now(); }, Limits{}, parent)
{
}

LoginGuard::~LoginGuard()
{
    // A hash under way finishes on its own thread; its result is dropped.
    hashing_->disconnect(this);
}

std::chrono::seconds LoginGuard::lockout(int count) const
{
    if (count < limits_.freeFailures)
        return std::chrono::seconds(0);
    const int doublings = std::min(count - limits_.freeFailures, 20);
    return std::min<std::chrono::seconds>(limits_.firstLockout * (1LL << doublings), limits_.maxLockout);
}

qint64 LoginGuard::waitFor(const QHostAddress& from) const
{
    const auto it = failures_.constFind(key(from));
    if (it == failures_.constEnd())
        return 0;
    const auto left = it->last + lockout(it->count) - clock_();
    if (left <= TimePoint::duration::zero())
        return 0;
    return std::max<qint64>(1, std::chrono::ceil<std::chrono::seconds>(left).count());
}

void LoginGuard::attempt(const QHostAddress& from, const QString& passphrase, QObject* context,
                         std::function<void(const Outcome&)> done)
{
    if (!hash_) {
        done({openSession(), {}});
        return;
    }
    Failures& f = failures_[key(from)];
    if (f.pending) {
        done({std::nullopt, QStringLiteral("an attempt from this address is still being checked")});
        return;
    }
    if (const qint64 wait = waitFor(from); wait > 0) {
        done({std::nullopt, QStringLiteral("too many wrong passphrases: try again in %1 s").arg(wait)});
        return;
    }
    if (static_cast<int>(waiting_.size()) > limits_.maxWaiting) {
        done({std::nullopt, QStringLiteral("busy checking other logins: try again shortly")});
        return;
    }
    f.pending = true;
    waiting_.push_back({from, passphrase, context, std::move(done)});
    if (waiting_.size() == 1)
        startNext();
}

void LoginGuard::startNext()
{
    if (waiting_.empty())
        return;
    hashing_->setFuture(QtConcurrent::run(
        [hash = *hash_, passphrase = waiting_.front().passphrase] { return matches(hash, passphrase); }));
}

void LoginGuard::finish(bool matched)
{
    Attempt a = std::move(waiting_.front());
    waiting_.pop_front();
    const QString from = key(a.from);
    Failures& f = failures_[from];
    f.pending = false;
    Outcome outcome;
    if (matched) {
        failures_.remove(from);
        outcome.token = openSession();
    } else {
        ++f.count;
        f.last = clock_();
        outcome.refusal = QStringLiteral("wrong passphrase");
    }
    if (a.context)
        a.done(outcome);
    startNext();
}

QString LoginGuard::openSession()
{
    const TimePoint now = clock_();
    for (auto it = sessions_.begin(); it != sessions_.end();)
        it = (now - it->used > limits_.sessionIdle || now - it->opened > limits_.sessionLife)
                 ? sessions_.erase(it)
                 : std::next(it);
    while (sessions_.size() >= limits_.maxSessions) {
        auto oldest = std::min_element(sessions_.begin(), sessions_.end(),
                                       [](const Session& a, const Session& b) { return a.used < b.used; });
        sessions_.erase(oldest);
    }
    QByteArray bytes(32, Qt::Uninitialized);
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32*>(bytes.data()), 8);
    const QString token = QString::fromLatin1(bytes.toHex());
    sessions_.insert(token, {now, now});
    return token;
}

bool LoginGuard::use(const QString& token)
{
    const auto it = sessions_.find(token);
    if (it == sessions_.end())
        return false;
    const TimePoint now = clock_();
    if (now - it->used > limits_.sessionIdle || now - it->opened > limits_.sessionLife) {
        sessions_.erase(it);
        return false;
    }
    it->used = now;
    return true;
}

} // namespace web
