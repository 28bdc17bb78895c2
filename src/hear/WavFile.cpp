#include "hear/WavFile.h"

#include "hear/WavChunks.h"
#include "hear/WavSamples.h"
#include "morse/Decoder.h"
#include "morse/Tone.h"

#include <QFile>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace hear
{

namespace
{

constexpr int64_t blockBytes = 64 * 1024;
// The decoder hears nothing below this rate.
constexpr int lowestRate = 8000;

std::string minutes(double seconds)
{
    const auto whole = static_cast<long long>(seconds);
    return std::to_string(whole / 60) + ":" + (whole % 60 < 10 ? "0" : "") + std::to_string(whole % 60);
}

// The first frames of the data, mixed to one channel and narrowed as the
// decoder would, read block by block.
struct Sound {
    std::vector<float> signal; // at `rate`, without its mean
    double rate = 0;
    int64_t frames = 0; // read, fewer than asked where the file failed
    double squares = 0; // the mixed samples' squares added up
};

Sound readSound(QFile& file, const WavData& data, int64_t frames)
{
    const WavFormat& format = data.format;
    morse::Narrowing narrowing(format.rate, 1);
    Sound sound;
    sound.rate = narrowing.rate();
    sound.signal.reserve(static_cast<size_t>(static_cast<double>(frames) * sound.rate / format.rate) + 1);
    const int64_t blockFrames = std::max<int64_t>(1, blockBytes / format.frameBytes());
    std::vector<unsigned char> block(static_cast<size_t>(blockFrames * format.frameBytes()));
    std::vector<float> mono;
    file.seek(data.offset);
    while (sound.frames < frames) {
        const int64_t want = std::min(blockFrames, frames - sound.frames) * format.frameBytes();
        const int64_t got = file.read(reinterpret_cast<char*>(block.data()), want);
        if (got <= 0)
            break;
        mono.clear();
        appendMono(std::span(block.data(), static_cast<size_t>(got)), format, mono);
        for (const float v : mono)
            sound.squares += static_cast<double>(v) * v;
        narrowing.add(mono, sound.signal);
        sound.frames += static_cast<int64_t>(mono.size());
        if (got < want)
            break;
    }
    // narrowed() takes the mean out before narrowing; out of the narrowed
    // samples it comes to the same, but for the first few.
    double mean = 0;
    for (const float v : sound.signal)
        mean += v;
    mean /= static_cast<double>(std::max<size_t>(sound.signal.size(), 1));
    for (float& v : sound.signal)
        v = static_cast<float>(v - mean);
    return sound;
}

} // namespace

int decodeWavFile(const QString& path, std::FILE* out, std::FILE* log)
{
    const QByteArray name = QFile::encodeName(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(log, "corvane: --decode-wav: cannot open %s: %s\n", name.constData(),
                     qPrintable(file.errorString()));
        return 1;
    }
    const std::variant<WavData, std::string> found = findWavData(file);
    if (const std::string* why = std::get_if<std::string>(&found)) {
        std::fprintf(log, "corvane: --decode-wav: %s %s\n", name.constData(), why->c_str());
        return 1;
    }
    const WavData& data = std::get<WavData>(found);
    const WavFormat& format = data.format;
    if (format.rate < lowestRate) {
        std::fprintf(log, "corvane: --decode-wav: %s is sampled at %d Hz; the decoder needs %d Hz or more\n",
                     name.constData(), format.rate, lowestRate);
        return 1;
    }
    const int64_t frames = data.bytes / format.frameBytes();
    const int64_t toRead = std::min<int64_t>(frames, int64_t{longestSeconds} * format.rate);
    if (data.cut && frames == 0) {
        std::fprintf(log, "corvane: --decode-wav: %s has its data chunk cut short before its first sample\n",
                     name.constData());
        return 1;
    }
    if (data.cut)
        std::fprintf(log,
                     "corvane: --decode-wav: %s has its data chunk cut short: reading the %.1f s there\n",
                     name.constData(), static_cast<double>(frames) / format.rate);
    if (toRead < frames)
        std::fprintf(log,
                     "corvane: --decode-wav: %s lasts %s: reading its first %s, as the decoder reads one "
                     "short message\n",
                     name.constData(), minutes(static_cast<double>(frames) / format.rate).c_str(),
                     minutes(longestSeconds).c_str());

    const Sound sound = readSound(file, data, toRead);
    if (sound.frames < toRead)
        std::fprintf(log, "corvane: --decode-wav: %s could be read for %.1f s only: %s\n", name.constData(),
                     static_cast<double>(sound.frames) / format.rate, qPrintable(file.errorString()));

    const morse::Heard heard = morse::decodeNarrowed(sound.signal, sound.rate);
    std::fprintf(out, "%s\n", heard.text.c_str());
    const double rms = std::sqrt(sound.squares / static_cast<double>(std::max<int64_t>(sound.frames, 1)));
    std::fprintf(log, "corvane: %.1f s at %d Hz, %d channel%s, %s, level %.1f dBFS\n",
                 static_cast<double>(sound.frames) / format.rate, format.rate, format.channels,
                 format.channels == 1 ? "" : "s", format.name().c_str(),
                 20 * std::log10(std::max(rms, 1e-10)));
    std::fprintf(log, "corvane: %.1f Hz, %.1f WPM, confidence %.2f\n", heard.pitchHz, heard.wpm,
                 heard.confidence);
    return 0;
}

} // namespace hear
