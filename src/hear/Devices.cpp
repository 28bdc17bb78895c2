#include "hear/Devices.h"

#include <QList>
#include <QMediaDevices>

namespace hear
{

namespace
{

std::optional<QAudioDevice> find(const QList<QAudioDevice>& devices, const QAudioDevice& fallback,
                                 const QString& name)
{
    if (name == u"default")
        return fallback.isNull() ? std::nullopt : std::optional<QAudioDevice>(fallback);
    for (const QAudioDevice& d : devices)
        if (d.description() == name || QString::fromUtf8(d.id()) == name)
            return d;
    return std::nullopt;
}

} // namespace

std::optional<QAudioDevice> findInput(const QString& name)
{
    return find(QMediaDevices::audioInputs(), QMediaDevices::defaultAudioInput(), name);
}

std::optional<QAudioDevice> findOutput(const QString& name)
{
    return find(QMediaDevices::audioOutputs(), QMediaDevices::defaultAudioOutput(), name);
}

void listDevices(std::FILE* out)
{
    for (const QAudioDevice& d : QMediaDevices::audioInputs())
        std::fprintf(out, "input   %s  (%s)\n", qPrintable(d.description()), d.id().constData());
    for (const QAudioDevice& d : QMediaDevices::audioOutputs())
        std::fprintf(out, "output  %s  (%s)\n", qPrintable(d.description()), d.id().constData());
}

} // namespace hear
