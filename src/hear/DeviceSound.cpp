#include "hear/DeviceSound.h"

#include <QAudioSource>
#include <QIODevice>
#include <QMediaDevices>

#include <cstring>
#include <vector>

DeviceSound::DeviceSound(const QAudioDevice& device, QObject* parent)
    : QObject(parent), device_(device), devices_(new QMediaDevices(this))
{
    connect(devices_, &QMediaDevices::audioInputsChanged, this, &DeviceSound::deviceListChanged);
}

DeviceSound::~DeviceSound()
{
    stop();
}

bool DeviceSound::start(QString* error)
{
    stop();
    if (device_.isNull() || !QMediaDevices::audioInputs().contains(device_)) {
        *error = QStringLiteral("the audio input \"%1\" is not there").arg(device_.description());
        return false;
    }
    format_ = device_.preferredFormat();
    if (format_.sampleFormat() == QAudioFormat::Unknown || format_.sampleRate() <= 0)
        format_.setSampleFormat(QAudioFormat::Int16);
    source_ = std::make_unique<QAudioSource>(device_, format_);
    connect(source_.get(), &QAudioSource::stateChanged, this, [this](QAudio::State state) {
        if (state == QAudio::StoppedState && source_ && source_->error() != QAudio::NoError && onFailed)
            onFailed(QStringLiteral("the audio input \"%1\" stopped").arg(device_.description()));
    });
    io_ = source_->start();
    if (!io_ || source_->error() != QAudio::NoError) {
        *error = QStringLiteral("the audio input \"%1\" cannot be opened").arg(device_.description());
        source_.reset();
        io_ = nullptr;
        return false;
    }
    connect(io_, &QIODevice::readyRead, this, &DeviceSound::readAvailable);
    return true;
}

void DeviceSound::stop()
{
    if (!source_)
        return;
    readAvailable();
    source_->stop();
    source_.reset();
    io_ = nullptr;
}

void DeviceSound::readAvailable()
{
    if (!io_)
        return;
    const QByteArray bytes = io_->readAll();
    const int frameBytes = format_.bytesPerFrame();
    if (bytes.isEmpty() || frameBytes <= 0)
        return;
    const int channels = format_.channelCount();
    const qsizetype values = bytes.size() / format_.bytesPerSample();
    std::vector<float> samples(static_cast<size_t>(values));
    const char* data = bytes.constData();
    for (qsizetype i = 0; i < values; ++i)
        samples[static_cast<size_t>(i)] = format_.normalizedSampleValue(data + i * format_.bytesPerSample());
    if (onSamples)
        onSamples(samples, format_.sampleRate(), channels);
}

void DeviceSound::deviceListChanged()
{
    if (source_ && !QMediaDevices::audioInputs().contains(device_)) {
        source_->stop();
        source_.reset();
        io_ = nullptr;
        if (onFailed)
            onFailed(QStringLiteral("the audio input \"%1\" went away").arg(device_.description()));
    }
}
