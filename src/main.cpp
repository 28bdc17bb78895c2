// Corvane: reads the command line, hands the choices to the I/O chain and the
// remote peer, opens the panel.
#include "actions/ActionRunner.h"
#include "app/CommandLine.h"
#include "app/FailureReport.h"
#include "app/IoChain.h"
#include "app/ModelChoice.h"
#include "app/RemotePeer.h"
#include "app/Settings.h"
#include "app/SignalClose.h"
#include "app/StartupMessages.h"
#include "hear/Devices.h"
#include "hear/Hearing.h"
#include "hear/WavFile.h"
#include "hw/Backends.h"
#include "hw/LinuxSystem.h"
#include "panel/Corvane.h"
#ifdef CORVANE_WEB
#include "web/Passphrase.h"
#include "web/WebStation.h"
#endif

#include <QApplication>

#include <csignal>
#include <cstdio>
#include <memory>
#include <optional>
#include <stdexcept>

int main(int argc, char** argv)
{
    // Before anything else: a SIGTERM while the program starts ends it with 0 too.
    try {
        SignalClose::catchFromStart();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "corvane: %s\n", e.what());
        return 1;
    }
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
        if (options.hearing.listDevices || options.hearing.decodeWav)
            SignalClose::leaveToDefault(); // a command's output cut short must not pass for success
        if (options.hearing.listDevices) {
            hear::listDevices(stdout);
            return 0;
        }
        if (options.hearing.decodeWav)
            return hear::decodeWavFile(QString::fromStdString(*options.hearing.decodeWav), stdout, stderr);
#ifdef CORVANE_WEB
        if (options.setWebPassphrase)
            return web::setPassphraseFromInput(*web::passphraseStore(), stdin, stdout, stderr);
#else
        if (options.setWebPassphrase || options.webPort) {
            std::fputs("corvane: --web is not in this build\n", stderr);
            return 1;
        }
#endif
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

    if (!app::displayToConnectTo())
        return 1;
    app::holdStartupMessages();
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));

    // One runner for the panel's actions; the long waits serve the program
    // through it, as the steps of a run do.
    ActionRunner runner;
    app::IoChain chain(backend.port.get(), options.rig,
                       {.trace = options.trace, .realtime = options.realtime, .out = stderr, .serving = &runner});
    QObject::connect(&runner, &ActionRunner::ended, &runner, [&chain] { chain.actionEnded(); });
    const auto checkPort = [&chain](int16_t address, bool write) { chain.checkAccess(address, write); };

    std::unique_ptr<Corvane> panel;
    std::optional<SignalClose> signalClose;
    try {
        panel = std::make_unique<Corvane>(chain.port(), chain.timer(), runner);
        // From here a signal closes the window, whose close path releases the key.
        signalClose.emplace(*panel);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "corvane: %s\n", e.what());
        return 1;
    }
    // Start-up's rest writes were the last that may go to a standard port the PC lacks.
    chain.endStartup();
    app::reportFailures(*panel);
    // Listening first: with --verify a model chosen here asks the rig where it is.
    Hearing hearing(*panel, chain.rigConsole(), options.hearing,
                    options.settings ? app::standardStore() : nullptr, options.trace ? stderr : nullptr);
    app::chooseModel(*panel, options.model);
    std::optional<app::RemotePeer> remote;
    if (options.rigctldPort)
        remote.emplace(*panel, checkPort, *options.rigctldPort);
#ifdef CORVANE_WEB
    std::unique_ptr<web::WebStation> webStation;
    if (options.webPort) {
        webStation = web::WebStation::start(
            *panel, {.port = *options.webPort, .address = options.webAddress, .certFile = options.webCert,
                     .keyFile = options.webKey},
            *web::passphraseStore(), stderr);
        if (!webStation)
            return 1;
    }
#endif
    // After start-up, so that what was remembered never changes its port traffic.
    if (options.settings) {
        auto* settings = new app::PanelSettings(*panel, app::standardStore(), checkPort);
        settings->keepVerify(hearing.verifier());
        settings->restore();
    }
    panel->show();
    app::windowIsUp();
    return app.exec();
}
