// Corvane: picks the port and delay library, opens the panel.
#include "panel/Corvane.h"
#include "rigctl/CommandLine.h"
#include "rigctl/PanelRig.h"
#include "rigctl/RigctlServer.h"
#include "sim/SimulatedPort.h"
#include "timing/PreciseDelay.h"
#include "trace/Trace.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QMessageBox>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>

namespace {

constexpr const char* version = "4.02";

struct Options {
    bool trace = false;
    std::optional<quint16> rigctldPort;
};

// Parses the command line; help and version are printed here. Returns the
// exit code to end with, or -1 to go on.
int parseOptions(int argc, char** argv, Options& options)
{
    // A core application only: --help and --version must work without a display.
    QCoreApplication probe(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("corvane"));
    QCoreApplication::setApplicationVersion(QLatin1String(version));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Front panel for the KRV single-band transceivers, driven through a PC parallel port.\n"
                       "Without hardware options it works a simulated port."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption trace(QStringLiteral("trace"),
                                   QStringLiteral("Write every port access and delay call to standard error."));
    parser.addOption(trace);
    const QCommandLineOption rigctld = rigctl::portOption();
    parser.addOption(rigctld);
    // exits for --help, --version and unknown options
    parser.process(rigctl::withDefaultPort(QCoreApplication::arguments()));
    options.trace = parser.isSet(trace);
    // "--rigctld 4533" would otherwise serve 4532 and drop the 4533 unseen.
    if (!parser.positionalArguments().isEmpty()) {
        std::fprintf(stderr, "corvane: unexpected argument \"%s\" (see --help)\n",
                     qPrintable(parser.positionalArguments().first()));
        return 1;
    }
    if (parser.isSet(rigctld)) {
        options.rigctldPort = rigctl::parsePort(parser.value(rigctld));
        if (!options.rigctldPort) {
            std::fprintf(stderr, "corvane: --rigctld: \"%s\" is not a port (1..65535)\n",
                         qPrintable(parser.value(rigctld)));
            return 1;
        }
    }
    return -1;
}

bool windowShown = false;

// Qt ends on a fatal error (no display to connect to, say) with an abort; before
// the window is up that is an ordinary failure to start: one line, exit 1.
void startupMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    std::fprintf(stderr, "corvane: %s\n", qPrintable(message));
    if (type == QtFatalMsg && !windowShown)
        std::_Exit(1);
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    if (const int code = parseOptions(argc, argv, options); code >= 0)
        return code;

    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        std::fprintf(stderr, "corvane: no display to connect to (DISPLAY is not set)\n");
        return 1;
    }
    qInstallMessageHandler(startupMessages);
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));

    SimulatedPort simulated;
    PreciseDelay delay;
    PortIo* port = &simulated;
    DelayTimer* timer = &delay;
    std::unique_ptr<TracingPort> tracingPort;
    std::unique_ptr<TracingTimer> tracingTimer;
    if (options.trace) {
        tracingPort = std::make_unique<TracingPort>(*port, stderr);
        tracingTimer = std::make_unique<TracingTimer>(*timer, stderr);
        port = tracingPort.get();
        timer = tracingTimer.get();
    }

    std::unique_ptr<Corvane> panel;
    try {
        panel = std::make_unique<Corvane>(*port, *timer);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "corvane: %s\n", e.what());
        return 1;
    }
    QObject::connect(panel.get(), &Corvane::actionFailed, panel.get(), [&panel](const QString& message) {
        std::fprintf(stderr, "corvane: %s\n", qPrintable(message));
        QMessageBox::warning(panel.get(), QStringLiteral("Corvane"), message);
    });
    // A port already taken costs the remote access only, never the panel.
    std::unique_ptr<rigctl::PanelRig> rig;
    std::unique_ptr<rigctl::RigctlServer> server;
    if (options.rigctldPort) {
        rig = std::make_unique<rigctl::PanelRig>(*panel);
        server = std::make_unique<rigctl::RigctlServer>(*rig);
        if (QString error; !server->listen(*options.rigctldPort, &error))
            std::fprintf(stderr, "corvane: --rigctld: %s\n", qPrintable(error));
    }
    panel->show();
    windowShown = true;
    qInstallMessageHandler(nullptr);
    return app.exec();
}
