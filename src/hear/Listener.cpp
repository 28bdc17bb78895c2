#include "hear/Listener.h"

#include "hear/SoundSource.h"

#include <QFutureWatcher>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>

Listener::Listener(SoundSource* source, QObject* parent)
    : QObject(parent), source_(source), checker_(new QTimer(this))
{
    checker_->setInterval(checkEveryMs);
    connect(checker_, &QTimer::timeout, this, &Listener::check);
    if (!source_)
        return;
    source_->onSamples = [this](std::span<const float> samples, int rate, int channels) {
        take(samples, rate, channels);
    };
    source_->onEnded = [this] {
        if (capturing_)
            finish();
    };
    source_->onFailed = [this](const QString& reason) {
        if (capturing_)
            fail(reason);
    };
}

Listener::~Listener()
{
    if (source_) {
        source_->onSamples = nullptr;
        source_->onEnded = nullptr;
        source_->onFailed = nullptr;
        if (capturing_)
            source_->stop();
    }
}

QString Listener::sourceName() const
{
    return source_ ? source_->name() : QString();
}

void Listener::listen()
{
    if (!source_)
        return;
    if (capturing_)
        end();
    forget();
    rate_ = 0;
    channels_ = 1;
    QString error;
    if (!source_->start(&error)) {
        emit failed(error);
        return;
    }
    capturing_ = true;
    started_.start();
    checker_->start();
    emit started();
}

void Listener::cancel()
{
    if (capturing_)
        end();
    forget();
}

void Listener::forget()
{
    // A reading still under way for what is forgotten is dropped when it comes.
    ++reads_;
    reading_ = false;
    samples_.clear();
    activity_.reset();
}

void Listener::take(std::span<const float> samples, int rate, int channels)
{
    if (!capturing_ || samples.empty())
        return;
    // A device that changes its format mid-capture starts the capture afresh.
    if (rate != rate_ || channels != channels_)
        samples_.clear();
    rate_ = rate;
    channels_ = channels;
    samples_.insert(samples_.end(), samples.begin(), samples.end());
    activity_.add(samples, rate, channels);
}

void Listener::check()
{
    const qint64 elapsed = started_.elapsed();
    if (elapsed >= longestMs) {
        finish();
        return;
    }
    const morse::Activity now = activity_.now();
    if (now.tone ? now.quietSeconds * 1000 >= quietAfterMs : elapsed >= waitForToneMs)
        finish();
}

void Listener::end()
{
    capturing_ = false;
    checker_->stop();
    source_->stop();
}

void Listener::finish()
{
    end();
    const int rate = rate_, channels = channels_;
    std::vector<float> samples = std::move(samples_);
    samples_.clear();
    activity_.reset();
    reading_ = true;
    const quint64 read = ++reads_;
    auto* watcher = new QFutureWatcher<morse::Heard>(this);
    connect(watcher, &QFutureWatcher<morse::Heard>::finished, this, [this, watcher, read] {
        watcher->deleteLater();
        if (read != reads_)
            return;
        reading_ = false;
        emit heard(watcher->result());
    });
    // The task owns its samples: a listener gone meanwhile only drops the result.
    watcher->setFuture(QtConcurrent::run([samples = std::move(samples), rate, channels] {
        return rate > 0 ? morse::decode(samples, rate, channels) : morse::Heard{};
    }));
}

void Listener::fail(const QString& reason)
{
    end();
    samples_.clear();
    activity_.reset();
    emit failed(reason);
}
