// Corvane: picks the port and delay library, opens the panel.
#include "hw/Backends.h"
#include "hw/LinuxSystem.h"
#include "panel/Corvane.h"
#include "rigctl/CommandLine.h"
#include "rigctl/PanelRig.h"
#include "rigctl/RigctlServer.h"
#include "sim/RigCommandLine.h"
#include "sim/RigConsole.h"
#include "sim/SimulatedRig.h"
#include "timing/PreciseDelay.h"
#include "timing/RealtimeDelay.h"
#include "trace/Trace.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QMessageBox>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr const char* version = "4.02";

struct Options {
    bool trace = false;
    bool realtime = false;
    RigSettings rig;
    std::optional<quint16> rigctldPort;
    std::string port = "sim";
    std::vector<std::string> allowIo;
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
                       "Without hardware options it works a simulated KRV rig."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption trace(QStringLiteral("trace"),
                                   QStringLiteral("Write every port access and delay call to standard error."));
    parser.addOption(trace);
    const QCommandLineOption realtime(
        QStringLiteral("realtime"),
        QStringLiteral("Run the waits of each run under SCHED_FIFO where the system allows it."));
    parser.addOption(realtime);
    const RigCommandLine rig(parser);
    const QCommandLineOption port(
        QStringLiteral("port"),
        QStringLiteral("Port backend: sim (simulated, the default), ppdev (the kernel's parallel ports, "
                       "/dev/parportN) or direct (port I/O for other cards; root or CAP_SYS_RAWIO%1).")
            .arg(LinuxSystem::portInstructions ? QString() : QStringLiteral("; not in this build, x86 only")),
        QStringLiteral("sim|ppdev|direct"), QStringLiteral("sim"));
    const QCommandLineOption allowIo(
        QStringLiteral("allow-io"),
        QStringLiteral("With --port direct: also let the panel touch the I/O addresses FIRST to LAST, decimal "
                       "or 0x-hex (repeatable). Parallel ports that /proc/ioports lists are allowed anyway."),
        QStringLiteral("FIRST-LAST"));
    parser.addOption(port);
    parser.addOption(allowIo);
    const QCommandLineOption rigctld = rigctl::portOption();
    parser.addOption(rigctld);
    // exits for --help, --version and unknown options
    parser.process(rigctl::withDefaultPort(QCoreApplication::arguments()));
    options.trace = parser.isSet(trace);
    options.realtime = parser.isSet(realtime);
    options.port = parser.value(port).toStdString();
    for (const QString& range : parser.values(allowIo))
        options.allowIo.push_back(range.toStdString());
    try {
        options.rig = rig.read(parser);
    } catch (const std::invalid_argument& e) {
        std::fprintf(stderr, "corvane: %s\n", e.what());
        return 1;
    }
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

QStringList earlyMessages;

// Qt ends on a fatal error (no display to connect to, say) with an abort and a
// page of text; before the window is up that is an ordinary failure to start:
// one line, exit 1. Other early messages wait until the window is up.
void startupMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type != QtFatalMsg) {
        earlyMessages << message;
        return;
    }
    const QString cause = earlyMessages.isEmpty() ? message.section(u'\n', 0, 0) : earlyMessages.first();
    std::fprintf(stderr, "corvane: cannot open the window: %s\n", qPrintable(cause));
    std::_Exit(1);
}

void windowIsUp()
{
    qInstallMessageHandler(nullptr);
    for (const QString& message : std::as_const(earlyMessages))
        std::fprintf(stderr, "%s\n", qPrintable(message));
    earlyMessages.clear();
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    if (const int code = parseOptions(argc, argv, options); code >= 0)
        return code;

    // The hardware opens before any window and writes nothing until the panel starts.
    LinuxSystem system;
    PortBackend backend;
    try {
        backend = openPortBackend(options.port, options.allowIo, system);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "corvane: %s\n", e.what());
        return 1;
    }
    if (!backend.summary.empty())
        std::fprintf(stderr, "corvane: %s\n", backend.summary.c_str());

    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        std::fprintf(stderr, "corvane: no display to connect to (DISPLAY is not set)\n");
        return 1;
    }
    qInstallMessageHandler(startupMessages);
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));

    SimulatedRig rig(options.rig, [] { return std::chrono::steady_clock::now(); });
    PreciseDelay delay;
    PortIo* port = backend.port ? backend.port.get() : &rig;
    DelayTimer* timer = &delay;
    std::unique_ptr<RealtimeDelay> realtime;
    if (options.realtime) {
        realtime = std::make_unique<RealtimeDelay>(*timer);
        timer = realtime.get();
    }
    std::unique_ptr<TracingPort> tracingPort;
    std::unique_ptr<TracingTimer> tracingTimer;
    if (options.trace) {
        tracingPort = std::make_unique<TracingPort>(*port, stderr);
        tracingTimer = std::make_unique<TracingTimer>(*timer, stderr);
        port = tracingPort.get();
        timer = tracingTimer.get();
    }
    // Outermost, so that what the rig says follows the trace line of its cause.
    // A real port has no simulated rig to hear.
    std::optional<RigConsole> rigConsole;
    if (!backend.port)
        port = &rigConsole.emplace(*port, rig, stderr, options.trace);

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
    std::unique_ptr<rigctl::PanelRig> panelRig;
    std::unique_ptr<rigctl::RigctlServer> server;
    if (options.rigctldPort) {
        panelRig = std::make_unique<rigctl::PanelRig>(*panel);
        server = std::make_unique<rigctl::RigctlServer>(*panelRig);
        if (QString error; !server->listen(*options.rigctldPort, &error))
            std::fprintf(stderr, "corvane: --rigctld: %s\n", qPrintable(error));
    }
    panel->show();
    windowIsUp();
    return app.exec();
}
