#pragma once
// The command-line options of listening to the rig, and of the simulated
// rig's voice:
//   --audio-input NAME        the input the rig's audio comes in on (remembered)
//   --list-audio              list the audio inputs and outputs, then exit
//   --decode-wav FILE         print the Morse heard in a WAV file, then exit
//   --rig-pitch HZ            the simulated rig's sidetone, 300..1200 (700)
//   --rig-wpm N               its speed, 10..40 words a minute (20)
//   --rig-snr DB              white noise on its voice at this ratio, -30..60
//   --rig-short-form          it leaves out the leading digits ("030.05")
//   --rig-label WORD          it sends this word of letters first ("F 7030.05")
//   --rig-audio-output NAME   it plays on this output device, not inside the program
//   --verify                  check every move by ear (remembered; see hear/Verifier.h)

#include "sim/RigVoice.h"

#include <QCommandLineOption>

#include <optional>
#include <string>

class QCommandLineParser;

struct HearingOptions {
    std::optional<std::string> input; // --audio-input, as given
    bool listDevices = false;
    std::optional<std::string> decodeWav; // a file to decode
    VoiceSettings voice;
    std::optional<std::string> voiceOutput; // --rig-audio-output, as given
    bool verify = false;
};

class HearingCommandLine
{
public:
    // Adds the options to the parser.
    explicit HearingCommandLine(QCommandLineParser& parser);

    // After the parser has processed the command line. Throws
    // std::invalid_argument, with a message naming the option, for a number
    // that is not one or is out of its range, and for a label that is not one
    // word of letters (A to Z, either case).
    HearingOptions read(const QCommandLineParser& parser) const;

private:
    QCommandLineOption input_, list_, decodeWav_, pitch_, wpm_, snr_, shortForm_, label_, output_, verify_;
};
