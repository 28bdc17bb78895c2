#pragma once
// The panel's ear: listens to a sound source from the annunciate press until
// the rig's Morse is over, then reads it (morse::decode). Never listens
// otherwise.
//
// A capture ends when the source says the sound is over, when a tone was
// heard and has been quiet for quietAfter, when no tone has come within
// waitForTone, or at the latest after longest (a slow rig's long message);
// or when the source fails, which is told as failed() and nothing is read.
// The capture is read on a worker thread, so the panel serves everything
// meanwhile; heard() comes back on the listener's own thread.

#include "morse/Activity.h"
#include "morse/Decoder.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <vector>

class QTimer;
class SoundSource;

class Listener : public QObject
{
    Q_OBJECT
public:
    static constexpr int longestMs = 25'000, waitForToneMs = 5'000, quietAfterMs = 2'000, checkEveryMs = 250;

    // source: what to listen to, or nullptr (the panel is not listening); it
    // must outlive the listener.
    explicit Listener(SoundSource* source, QObject* parent = nullptr);
    ~Listener() override;

    bool canListen() const { return source_ != nullptr; }
    QString sourceName() const;
    // From listen() until heard() or failed(): capturing, or reading what was captured.
    bool listening() const { return capturing_ || reading_; }

    // Starts a capture, dropping any capture or reading under way. Without a
    // source, does nothing.
    void listen();
    // Drops the capture or reading under way; nothing is told of it.
    void cancel();

signals:
    void started();
    void heard(const morse::Heard& heard);
    void failed(const QString& reason);

private:
    void take(std::span<const float> samples, int rate, int channels);
    void check();
    void finish();
    void fail(const QString& reason);
    void end();
    void forget();

    SoundSource* source_;
    QTimer* checker_;
    bool capturing_ = false, reading_ = false;
    quint64 reads_ = 0;     // the reading whose result is awaited; older ones are dropped
    QElapsedTimer started_; // steady: a change of the wall clock does not move the bounds
    std::vector<float> samples_;
    int rate_ = 0, channels_ = 1;
    morse::ActivityMeter activity_; // of samples_, fed as they come
};
