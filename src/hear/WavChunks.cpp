#include "hear/WavChunks.h"

#include <QIODevice>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <optional>

namespace hear
{

namespace
{

constexpr uint32_t streamedSize = 0xFFFFFFFF;
constexpr int formatPcm = 1, formatFloat = 3, formatALaw = 6, formatMuLaw = 7, formatExtensible = 0xFFFE;
// The fmt chunk's bytes read: WAVEFORMATEX's 18 and the extensible part's 22.
constexpr int64_t fmtBytes = 40;

uint16_t u16(const unsigned char* p)
{
    return qFromLittleEndian<quint16>(p);
}

uint32_t u32(const unsigned char* p)
{
    return qFromLittleEndian<quint32>(p);
}

std::string hex(int code)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", static_cast<unsigned>(code));
    return text;
}

// The format a fmt chunk's bytes tell, or why they tell none.
std::variant<WavFormat, std::string> parsedFormat(const unsigned char* p, int64_t size)
{
    if (size < 16)
        return std::string("has a fmt chunk too short to tell the format");
    int code = u16(p);
    const int channels = u16(p + 2), blockAlign = u16(p + 12), bits = u16(p + 14);
    const uint32_t rate = u32(p + 4);
    int validBits = bits;
    if (code == formatExtensible) {
        if (size < fmtBytes || u16(p + 16) < 22)
            return std::string("has an extensible fmt chunk too short to hold its sub-format");
        // The sub-format GUID is the plain format code followed by a fixed tail.
        code = u16(p + 24);
        if (u16(p + 18) != 0)
            validBits = u16(p + 18);
    }
    WavFormat f;
    switch (code) {
    case formatPcm:
        f.coding = WavFormat::Coding::Pcm;
        break;
    case formatFloat:
        f.coding = WavFormat::Coding::Float;
        break;
    case formatALaw:
        f.coding = WavFormat::Coding::ALaw;
        break;
    case formatMuLaw:
        f.coding = WavFormat::Coding::MuLaw;
        break;
    default:
        return "has format code " + hex(code) +
               ", which is none this reads (PCM 0x0001, IEEE float 0x0003, A-law 0x0006, mu-law 0x0007)";
    }
    if (channels == 0 || rate == 0 || rate > 10'000'000)
        return "has a fmt chunk of " + std::to_string(channels) + " channels at " + std::to_string(rate) +
               " Hz";
    f.channels = channels;
    f.rate = static_cast<int>(rate);
    // The block holds the frame; the bits per sample may be fewer than its share.
    f.bytes = blockAlign % channels == 0 ? blockAlign / channels : 0;
    const bool fits = f.coding == WavFormat::Coding::Pcm     ? f.bytes >= 1 && f.bytes <= 4
                      : f.coding == WavFormat::Coding::Float ? f.bytes == 4 || f.bytes == 8
                                                             : f.bytes == 1;
    f.validBits = f.coding == WavFormat::Coding::Pcm ? validBits : 8 * f.bytes;
    if (!fits || f.validBits < 1 || f.validBits > 8 * f.bytes || bits > 8 * f.bytes)
        return "has a fmt chunk whose numbers do not fit together (" + std::to_string(channels) +
               " channels in blocks of " + std::to_string(blockAlign) + " bytes, " + std::to_string(bits) +
               " bits a sample, " + std::to_string(validBits) + " of them valid, format " + hex(code) + ")";
    return f;
}

} // namespace

std::variant<WavData, std::string> findWavData(QIODevice& file)
{
    const int64_t end = file.size();
    std::array<unsigned char, 12> header{};
    if (!file.seek(0) || file.read(reinterpret_cast<char*>(header.data()), 12) != 12 ||
        std::memcmp(header.data(), "RIFF", 4) != 0 || std::memcmp(header.data() + 8, "WAVE", 4) != 0)
        return std::string("is no WAV file: it does not begin with a RIFF WAVE header");

    std::optional<std::variant<WavFormat, std::string>> format;
    std::optional<WavData> data;
    int64_t declared = 0; // by the data chunk; -1 when it runs to the end of the file
    for (int64_t at = 12; at + 8 <= end;) {
        std::array<unsigned char, 8> chunk{};
        if (!file.seek(at) || file.read(reinterpret_cast<char*>(chunk.data()), 8) != 8)
            break;
        const uint32_t size = u32(chunk.data() + 4);
        const int64_t body = at + 8;
        if (std::memcmp(chunk.data(), "data", 4) == 0 && !data) {
            data = WavData{{}, body, 0, false};
            if (size == 0 || size == streamedSize) {
                declared = -1;
                break; // nothing can follow what runs to the end
            }
            declared = size;
        } else if (std::memcmp(chunk.data(), "fmt ", 4) == 0 && !format) {
            std::array<unsigned char, fmtBytes> bytes{};
            const int64_t wanted = std::min<int64_t>({size, fmtBytes, end - body});
            const int64_t got = file.read(reinterpret_cast<char*>(bytes.data()), wanted);
            format = parsedFormat(bytes.data(), got);
        }
        at = body + size + (size & 1);
    }

    if (!data)
        return std::string("has no data chunk: it holds no samples");
    if (!format)
        return std::string("has no fmt chunk before the end of its samples: their format is unknown");
    if (const std::string* why = std::get_if<std::string>(&*format))
        return *why;
    data->format = std::get<WavFormat>(*format);
    const int64_t there = end - data->offset;
    const int64_t bytes = declared < 0 ? there : std::min(declared, there);
    data->bytes = bytes - bytes % data->format.frameBytes();
    data->cut = declared > there;
    return *data;
}

} // namespace hear
