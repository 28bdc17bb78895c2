// Corvane: reads the command line, hands the choices to the I/O chain and the
// remote peer, opens the panel.
#include "actions/ActionRunner.h"
#include "app/CommandLine.h"
#include "app/IoChain.h"
#include "app/RemotePeer.h"
#include "app/Settings.h"
#include "app/SignalClose.h"
#include "hear/Devices.h"
#include "hear/Hearing.h"
#include "hear/WavFile.h"
#include "hw/Backends.h"
#include "hw/LinuxSystem.h"
#include "panel/Corvane.h"

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
        if (options.hearing.listDevices) {
            hear::listDevices(stdout);
            return 0;
        }
        if (options.hearing.decodeWav)
            return hear::decodeWavFile(QString::fromStdString(*options.hearing.decodeWav), stdout, stderr);
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

    // One runner for the panel's actions; the long waits serve the program
    // through it, as the steps of a run do.
    ActionRunner runner;
    app::IoChain chain(backend.port.get(), options.rig,
                       {.trace = options.trace, .realtime = options.realtime, .out = stderr, .serving = &runner});
    QObject::connect(&runner, &ActionRunner::ended, &runner, [&chain] { chain.actionEnded(); });

    std::unique_ptr<Corvane> panel;
    try {
        panel = std::make_unique<Corvane>(chain.port(), chain.timer(), runner);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "corvane: %s\n", e.what());
        return 1;
    }
    // Start-up's rest writes were the last that may go to a standard port the PC lacks.
    chain.endStartup();
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
    const Hearing hearing(*panel, chain.rigConsole(), options.hearing,
                          options.settings ? app::standardStore() : nullptr, options.trace ? stderr : nullptr);
    std::optional<app::RemotePeer> remote;
    if (options.rigctldPort)
        remote.emplace(
            *panel, [&chain](int16_t address, bool write) { chain.checkAccess(address, write); },
            *options.rigctldPort);
    const SignalClose signalClose(*panel);
    // After start-up, so that what was remembered never changes its port traffic.
    if (options.settings)
        (new app::PanelSettings(*panel, app::standardStore()))->restore();
    panel->show();
    windowIsUp();
    return app.exec();
}
