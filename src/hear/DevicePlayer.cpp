#include "hear/DevicePlayer.h"

#include <QAudioFormat>
#include <QAudioSink>
#include <QBuffer>

#include <cmath>
#include <cstdio>

DevicePlayer::DevicePlayer(const QAudioDevice& device, QObject* parent) : QObject(parent), device_(device) {}

void DevicePlayer::play(std::vector<float> samples, int rate)
{
    QAudioFormat format;
    format.setSampleRate(rate);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    QByteArray bytes(static_cast<qsizetype>(samples.size() * sizeof(qint16)), Qt::Uninitialized);
    auto* out = reinterpret_cast<qint16*>(bytes.data());
    for (size_t i = 0; i < samples.size(); ++i)
        out[i] = static_cast<qint16>(std::lround(samples[i] * 32767.0f));
    auto* buffer = new QBuffer(this);
    buffer->setData(bytes);
    buffer->open(QIODevice::ReadOnly);
    auto* sink = new QAudioSink(device_, format, this);
    connect(sink, &QAudioSink::stateChanged, this, [this, sink, buffer](QAudio::State state) {
        if (state == QAudio::ActiveState)
            return;
        if (sink->error() != QAudio::NoError && sink->error() != QAudio::UnderrunError && !complained_) {
            complained_ = true;
            std::fprintf(stderr, "corvane: the rig's audio output \"%s\" does not play\n",
                         qPrintable(device_.description()));
        }
        if (state == QAudio::IdleState || state == QAudio::StoppedState) {
            sink->disconnect(this);
            sink->stop();
            sink->deleteLater();
            buffer->deleteLater();
        }
    });
    // A second in hand: a busy machine must not cut a dah short.
    sink->setBufferSize(rate * static_cast<int>(sizeof(qint16)));
    sink->start(buffer);
}
