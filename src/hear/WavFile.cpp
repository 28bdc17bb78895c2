#include "hear/WavFile.h"

#include "morse/Decoder.h"

#include <QAudioFormat>
#include <QFile>
#include <QWaveDecoder>

#include <vector>

namespace hear
{

int decodeWavFile(const QString& path, std::FILE* out, std::FILE* log)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(log, "corvane: --decode-wav: cannot open %s: %s\n", qPrintable(path),
                     qPrintable(file.errorString()));
        return 1;
    }
    QWaveDecoder wave(&file);
    const QAudioFormat format = wave.open(QIODevice::ReadOnly) ? wave.audioFormat() : QAudioFormat();
    if (!format.isValid() || format.bytesPerSample() <= 0) {
        std::fprintf(log, "corvane: --decode-wav: %s is no WAV file that can be read\n", qPrintable(path));
        return 1;
    }
    const QByteArray bytes = wave.readAll();
    const qsizetype count = bytes.size() / format.bytesPerSample();
    std::vector<float> samples(static_cast<size_t>(count));
    for (qsizetype i = 0; i < count; ++i)
        samples[static_cast<size_t>(i)] =
            format.normalizedSampleValue(bytes.constData() + i * format.bytesPerSample());
    const morse::Heard heard = morse::decode(samples, format.sampleRate(), format.channelCount());
    std::fprintf(out, "%s\n", heard.text.c_str());
    std::fprintf(log, "corvane: %.1f Hz, %.1f WPM, confidence %.2f\n", heard.pitchHz, heard.wpm,
                 heard.confidence);
    return 0;
}

} // namespace hear
