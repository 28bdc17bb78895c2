#pragma once
// Sound from an audio input device through Qt Multimedia, in whatever rate,
// channel count and sample format the device prefers. Opened at start() and
// closed at stop(), so the device is held only while the panel listens.

#include "hear/SoundSource.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QObject>

#include <memory>

class QAudioSource;
class QIODevice;
class QMediaDevices;

class DeviceSound : public QObject, public SoundSource
{
public:
    DeviceSound(const QAudioDevice& device, QObject* parent = nullptr);
    ~DeviceSound() override;

    QString name() const override { return device_.description(); }
    bool start(QString* error) override;
    void stop() override;

private:
    void readAvailable();
    void deviceListChanged();

    QAudioDevice device_;
    QAudioFormat format_;
    QMediaDevices* devices_;
    std::unique_ptr<QAudioSource> source_;
    QIODevice* io_ = nullptr;
};
