// corvane --decode-wav on long recordings: a 48 kHz 16-bit stereo WAV file of
// 10 s, 2 minutes and 1 hour (an annunciation at 20 WPM in noise near the
// start, then noise), written to a temporary directory and read by the
// program itself. Prints, per file, its size, the wall time of the run, the
// run's peak resident memory (getrusage of the child) and what it heard.
// Target: under 100 MB peak for the 1-hour file.
#include "morse/Keyer.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern char** environ;

namespace
{

constexpr int rate = 48000, channels = 2;

void put16(std::ofstream& f, uint16_t v)
{
    f.put(static_cast<char>(v & 0xFF)).put(static_cast<char>(v >> 8));
}

void put32(std::ofstream& f, uint32_t v)
{
    put16(f, static_cast<uint16_t>(v & 0xFFFF));
    put16(f, static_cast<uint16_t>(v >> 16));
}

// The message, then noise to the end.
void writeWav(const std::string& path, int seconds)
{
    std::mt19937 random(3);
    const morse::Sending sending{
        .pitchHz = 700, .wpm = 20, .amplitude = 0.3, .snrDb = 10.0, .leadSeconds = 1, .tailSeconds = 1};
    const std::vector<float> message = morse::keyed("7030.05", sending, rate, random);
    // The message's own noise: 10 dB below the tone's power in 2500 Hz, white up to rate / 2.
    const double tonePower = sending.amplitude * sending.amplitude / 2;
    std::normal_distribution<float> noise(0, static_cast<float>(std::sqrt(tonePower / 10 / 2500 * rate / 2)));
    const auto frames = static_cast<uint32_t>(seconds) * rate;
    std::ofstream f(path, std::ios::binary);
    f.write("RIFF", 4);
    put32(f, 36 + frames * channels * 2);
    f.write("WAVEfmt ", 8);
    put32(f, 16);
    put16(f, 1);
    put16(f, channels);
    put32(f, rate);
    put32(f, rate * channels * 2);
    put16(f, channels * 2);
    put16(f, 16);
    f.write("data", 4);
    put32(f, frames * channels * 2);
    std::vector<char> block;
    for (uint32_t i = 0; i < frames; ++i) {
        const float v = i < message.size() ? message[i] : noise(random);
        const auto s = static_cast<int16_t>(std::lround(std::clamp(v, -1.0f, 1.0f) * 32767));
        for (int c = 0; c < channels; ++c) {
            block.push_back(static_cast<char>(s & 0xFF));
            block.push_back(static_cast<char>((s >> 8) & 0xFF));
        }
        if (block.size() >= (1 << 20)) {
            f.write(block.data(), static_cast<std::streamsize>(block.size()));
            block.clear();
        }
    }
    f.write(block.data(), static_cast<std::streamsize>(block.size()));
}

std::string contents(const std::string& path)
{
    std::ifstream f(path);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

} // namespace

int main()
{
    char dirTemplate[] = "/tmp/corvane-wav-bench-XXXXXX";
    const char* dir = mkdtemp(dirTemplate);
    if (!dir) {
        std::perror("corvane_wav_bench: mkdtemp");
        return 1;
    }
    const std::string wav = std::string(dir) + "/long.wav", out = std::string(dir) + "/out",
                      err = std::string(dir) + "/err";
    std::printf("%-8s %9s %9s %11s  %s\n", "length", "file MB", "time s", "peak RSS MB", "heard");
    int status = 0;
    for (const int seconds : {10, 120, 3600}) {
        writeWav(wav, seconds);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        char program[] = CORVANE_PROGRAM, option[] = "--decode-wav";
        std::string file = wav;
        char* argv[] = {program, option, file.data(), nullptr};
        const auto start = std::chrono::steady_clock::now();
        pid_t child = 0;
        if (posix_spawn(&child, program, &actions, nullptr, argv, environ) != 0) {
            std::perror("corvane_wav_bench: " CORVANE_PROGRAM);
            return 1;
        }
        posix_spawn_file_actions_destroy(&actions);
        int exit = 0;
        rusage usage{};
        wait4(child, &exit, 0, &usage);
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::string heard = contents(out);
        if (!heard.empty() && heard.back() == '\n')
            heard.pop_back();
        std::printf("%-8s %9.0f %9.2f %11.1f  '%s'%s\n",
                    seconds < 60 ? (std::to_string(seconds) + " s").c_str()
                                 : (std::to_string(seconds / 60) + " min").c_str(),
                    static_cast<double>(seconds) * rate * channels * 2 / 1e6, wall,
                    static_cast<double>(usage.ru_maxrss) / 1024, heard.c_str(),
                    WIFEXITED(exit) && WEXITSTATUS(exit) == 0 ? "" : "  FAILED");
        std::fputs(contents(err).c_str(), stdout);
        status |= heard == "7030.05" ? 0 : 1;
    }
    std::remove(wav.c_str());
    std::remove(out.c_str());
    std::remove(err.c_str());
    rmdir(dir);
    return status;
}
