// Corvane: picks the port and delay library, opens the panel.
#include "hw/Backends.h"
#include "hw/LinuxSystem.h"
#include "panel/Corvane.h"
#include "sim/SimulatedPort.h"
#include "timing/PreciseDelay.h"
#include "trace/Trace.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QMessageBox>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr const char* version = "4.02";

struct Options {
    bool trace = false;
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
                       "Without hardware options it works a simulated port."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption trace(QStringLiteral("trace"),
                                   QStringLiteral("Write every port access and delay call to standard error."));
    parser.addOption(trace);
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
    parser.process(probe); // exits for --help, --version and unknown options
    options.trace = parser.isSet(trace);
    options.port = parser.value(port).toStdString();
    for (const QString& range : parser.values(allowIo))
        options.allowIo.push_back(range.toStdString());
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

    SimulatedPort simulated;
    PreciseDelay delay;
    PortIo* port = backend.port ? backend.port.get() : &simulated;
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
    panel->show();
    windowShown = true;
    qInstallMessageHandler(nullptr);
    return app.exec();
}
