#pragma once
// The program's command line: every option, its help text and its checks, in
// one place that neither prints nor exits, so that it can be tested like the
// rest of the program and its texts shared with the manual.

#include "hear/HearingCommandLine.h"
#include "hw/GpioSettings.h"
#include "sim/SimulatedRig.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <string>
#include <vector>

namespace app {

inline constexpr const char* version = "4.02";
// --web alone: a port of its own, clear of rigctld's 4532 and of the ports
// web servers and proxies usually take, unprivileged, and below the range the
// system hands out for outgoing connections.
inline constexpr quint16 webDefaultPort = 7373;

struct Options {
    bool trace = false;
    bool realtime = false;
    bool settings = true;               // remember the operator's settings between runs
    RigSettings rig;
    std::optional<quint16> rigctldPort; // set: serve rigctld clients on this port
    std::string port = "sim";           // the port backend: sim, ppdev, direct or gpio
    std::vector<std::string> allowIo;   // --allow-io ranges, as given
    GpioTexts gpio;                     // the --gpio-* options, as given
    std::optional<std::string> model;   // --model: the panel's rig model, chosen at start-up
    HearingOptions hearing;             // listening to the rig, and the simulated rig's voice
    std::optional<quint16> webPort;     // set: serve the panel to browsers on this port
    QString webAddress = QStringLiteral("127.0.0.1"); // where --web listens; "any" for every address
    QString webCert, webKey;            // --web-cert, --web-key: PEM files, both or neither
    bool setWebPassphrase = false;      // read a passphrase, store its hash, exit
};

// What the command line asks for: either options to go on with, or an end
// (help, version or a refusal) with its exit code and text.
struct Parsed {
    std::optional<Options> options;
    int exitCode = 0;
    QString text; // for standard output when exitCode is 0, standard error otherwise; ends in a newline
};

// arguments: as QCoreApplication::arguments(), the program first. Needs a
// QCoreApplication for the program's name in the help text. Refused with exit
// code 1: an unknown option, any positional argument, an option with a value
// given twice (--allow-io may repeat), and a number that is not plain decimal
// digits (no blank, no sign).
Parsed parseCommandLine(const QStringList& arguments);

} // namespace app
