// Corvane: picks the port and delay library, opens the panel.
#include "actions/ActionRunner.h"
#include "app/CommandLine.h"
#include "app/SignalClose.h"
#include "app/Settings.h"
#include "hw/Backends.h"
#include "hw/LinuxSystem.h"
#include "panel/Corvane.h"
#include "rigctl/PanelRig.h"
#include "rigctl/RigctlServer.h"
#include "sim/RigConsole.h"
#include "sim/SimulatedRig.h"
#include "timing/EdgePacer.h"
#include "timing/PreciseDelay.h"
#include "timing/RealtimeDelay.h"
#include "trace/Trace.h"

#include <QApplication>
#include <QListWidget>
#include <QMessageBox>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

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
    // A --trace reader that has gone away ends the trace, not the program.
    std::signal(SIGPIPE, SIG_IGN);
    app::Options options;
    {
        // A core application only: --help and --version must work without a display.
        QCoreApplication probe(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("corvane"));
        QCoreApplication::setApplicationVersion(QLatin1String(app::version));
        const app::Parsed parsed = app::parseCommandLine(QCoreApplication::arguments());
        if (!parsed.options) {
            std::fputs(qPrintable(parsed.text), parsed.exitCode == 0 ? stdout : stderr);
            return parsed.exitCode;
        }
        options = *parsed.options;
    }

    // The hardware opens before any window and writes nothing until the panel starts.
    LinuxSystem system;
    PortBackend backend;
    try {
        backend = openPortBackend(options.port, options.allowIo, system, options.gpio);
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
    // The waits are paced at the port: the work between two line changes is
    // done inside the gap, not added to it.
    // One runner for the panel's actions; the long waits serve the program
    // through it, as the steps of a run do.
    ActionRunner runner;
    PreciseDelay delay;
    EdgePacer pacer(&runner);
    PacedDelay pacedDelay(delay, pacer);
    PacedPort pacedPort(backend.port ? *backend.port : static_cast<PortIo&>(rig), pacer);
    PortIo* port = &pacedPort;
    DelayTimer* timer = &pacedDelay;
    std::unique_ptr<RealtimeDelay> realtime;
    if (options.realtime) {
        realtime = std::make_unique<RealtimeDelay>(*timer);
        timer = realtime.get();
        QObject::connect(&runner, &ActionRunner::ended, &runner, [&realtime] { realtime->actionEnded(); });
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
        panel = std::make_unique<Corvane>(*port, *timer, runner);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "corvane: %s\n", e.what());
        return 1;
    }
    // Start-up's rest writes were the last that may go to a standard port the PC lacks.
    if (backend.port)
        backend.port->endStartup();
    // Without a screen nobody could close the dialog, and the panel would wait on it for ever.
    const bool headless = QGuiApplication::platformName() == u"offscreen";
    QObject::connect(panel.get(), &Corvane::actionFailed, panel.get(), [&panel, headless](const QString& message) {
        std::fprintf(stderr, "corvane: %s\n", qPrintable(message));
        if (!headless)
            QMessageBox::warning(panel.get(), QStringLiteral("Corvane"), message);
    });
    if (options.model) {
        const auto found = panel->KRV->findItems(QString::fromStdString(*options.model), Qt::MatchExactly);
        panel->KRV->setCurrentItem(found.value(0));
    }
    // A port already taken costs the remote access only, never the panel.
    std::unique_ptr<rigctl::PanelRig> panelRig;
    std::unique_ptr<rigctl::RigctlServer> server;
    if (options.rigctldPort) {
        rigctl::PanelRig::PortCheck check;
        if (backend.port)
            check = [hardware = backend.port.get()](int16_t address, bool write) {
                hardware->checkAccess(address, write);
            };
        panelRig = std::make_unique<rigctl::PanelRig>(*panel, std::move(check));
        server = std::make_unique<rigctl::RigctlServer>(*panelRig);
        if (QString error; !server->listen(*options.rigctldPort, &error))
            std::fprintf(stderr, "corvane: --rigctld: %s\n", qPrintable(error));
    }
    const SignalClose signalClose(*panel);
    // After start-up, so that what was remembered never changes its port traffic.
    if (options.settings)
        (new app::PanelSettings(*panel, app::standardStore()))->restore();
    panel->show();
    windowIsUp();
    return app.exec();
}
