#include "hear/HearingCommandLine.h"

#include "text/WholeNumber.h"

#include <QCommandLineParser>

#include <optional>
#include <stdexcept>

namespace
{

double number(const QCommandLineParser& parser, const QCommandLineOption& option, double lo, double hi)
{
    const QString text = parser.value(option);
    const std::optional<double> value = decimalNumber(text.toStdString(), lo, hi);
    if (!value)
        throw std::invalid_argument(QStringLiteral("--%1: \"%2\" is not a number from %3 to %4")
                                        .arg(option.names().first(), text)
                                        .arg(lo)
                                        .arg(hi)
                                        .toStdString());
    return *value;
}

} // namespace

HearingCommandLine::HearingCommandLine(QCommandLineParser& parser)
    : input_(QStringLiteral("audio-input"),
             QStringLiteral(
                 "Listen to the rig's answer to annun-ciate on this audio input, as --list-audio names "
                 "it, or \"default\"; remembered for later runs."),
             QStringLiteral("NAME")),
      list_(QStringLiteral("list-audio"), QStringLiteral("List the audio inputs and outputs, then exit.")),
      decodeWav_(QStringLiteral("decode-wav"),
                 QStringLiteral("Decode the Morse in a WAV file, print the text heard, then exit."),
                 QStringLiteral("FILE")),
      pitch_(QStringLiteral("rig-pitch"),
             QStringLiteral("The simulated rig's sidetone pitch in Hz, 300 to 1200 (default 700)."),
             QStringLiteral("HZ")),
      wpm_(QStringLiteral("rig-wpm"),
           QStringLiteral("The simulated rig's Morse speed in words a minute, 10 to 40 (default 20)."),
           QStringLiteral("N")),
      snr_(QStringLiteral("rig-snr"),
           QStringLiteral("Add white noise to the simulated rig's voice: tone over noise in 2500 Hz, in dB."),
           QStringLiteral("DB")),
      shortForm_(
          QStringLiteral("rig-short-form"),
          QStringLiteral("The simulated rig leaves out the leading digits (\"030.05\" for 7030.05 kHz).")),
      label_(QStringLiteral("rig-label"),
             QStringLiteral("The simulated rig sends this word of letters before the frequency "
                            "(\"F\" gives \"F 7030.05\")."),
             QStringLiteral("WORD")),
      output_(QStringLiteral("rig-audio-output"),
              QStringLiteral("Play the simulated rig's voice on this audio output, as --list-audio names it, "
                             "instead of to the panel inside the program."),
              QStringLiteral("NAME")),
      verify_(
          QStringLiteral("verify"),
          QStringLiteral("Check every move by ear: each \"E\", remote move and model choice ends with an "
                         "annun-ciate press and a reading of the rig's answer (needs listening; remembered; "
                         "Alt+V switches it)."))
{
    parser.addOptions({input_, list_, decodeWav_, pitch_, wpm_, snr_, shortForm_, label_, output_, verify_});
}

HearingOptions HearingCommandLine::read(const QCommandLineParser& parser) const
{
    HearingOptions o;
    if (parser.isSet(input_))
        o.input = parser.value(input_).toStdString();
    o.listDevices = parser.isSet(list_);
    if (parser.isSet(decodeWav_))
        o.decodeWav = parser.value(decodeWav_).toStdString();
    if (parser.isSet(pitch_))
        o.voice.pitchHz = number(parser, pitch_, 300, 1200);
    if (parser.isSet(wpm_))
        o.voice.wpm = number(parser, wpm_, 10, 40);
    if (parser.isSet(snr_))
        o.voice.snrDb = number(parser, snr_, -30, 60);
    o.voice.shortForm = parser.isSet(shortForm_);
    if (parser.isSet(label_)) {
        o.voice.label = parser.value(label_).toStdString();
        if (o.voice.label.empty() ||
            o.voice.label.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") !=
                std::string::npos)
            throw std::invalid_argument("--rig-label: \"" + o.voice.label + "\" is not a word of letters");
    }
    if (parser.isSet(output_))
        o.voiceOutput = parser.value(output_).toStdString();
    o.verify = parser.isSet(verify_);
    return o;
}
