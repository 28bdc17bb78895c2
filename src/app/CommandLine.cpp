#include "app/CommandLine.h"

#include "hw/LinuxSystem.h"
#include "rigctl/CommandLine.h"
#include "rules/Models.h"
#include "rules/StandardPort.h"
#include "sim/RigCommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <stdexcept>

namespace app {

namespace {

Parsed refusal(const QString& message) { return Parsed{std::nullopt, 1, QStringLiteral("corvane: %1\n").arg(message)}; }

// The options of --port gpio; their texts are checked when the backend opens.
class GpioOptions
{
public:
    explicit GpioOptions(QCommandLineParser& parser)
    {
        parser.addOptions({chip, lines, activeLow, drive, base});
    }

    GpioTexts read(const QCommandLineParser& parser) const
    {
        const auto text = [&](const QCommandLineOption& option) -> std::optional<std::string> {
            if (!parser.isSet(option))
                return std::nullopt;
            return parser.value(option).toStdString();
        };
        return {text(chip), text(lines), text(activeLow), text(drive), text(base)};
    }

private:
    const QCommandLineOption chip{
        QStringLiteral("gpio-chip"),
        QStringLiteral(
            "With --port gpio: the GPIO chip as gpioinfo names it (gpiochip0), its number or its path."),
        QStringLiteral("CHIP")};
    const QCommandLineOption lines{
        QStringLiteral("gpio-lines"),
        QStringLiteral("With --port gpio: the chip's lines for encoder A, encoder B, key "
                       "and RIT, by offset or name (17,27,22,23)."),
        QStringLiteral("A,B,KEY,RIT")};
    const QCommandLineOption activeLow{
        QStringLiteral("gpio-active-low"),
        QStringLiteral("With --port gpio: the lines that reach the rig through an "
                       "inverting stage, among a, b, key and rit."),
        QStringLiteral("LINES")};
    const QCommandLineOption drive{
        QStringLiteral("gpio-drive"),
        QStringLiteral("With --port gpio: how the lines drive, push-pull (the default) or open-drain."),
        QStringLiteral("push-pull|open-drain")};
    const QCommandLineOption base{
        QStringLiteral("gpio-base"),
        QStringLiteral("With --port gpio: the Port address the lines answer at (default %1).")
            .arg(rules::defaultBase),
        QStringLiteral("ADDRESS")};
};

} // namespace

Parsed parseCommandLine(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Front panel for the KRV single-band transceivers, driven through a PC parallel port.\n"
                       "Without hardware options it works a simulated KRV rig."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    const QCommandLineOption trace(QStringLiteral("trace"),
                                   QStringLiteral("Write every port access and delay call to standard error."));
    parser.addOption(trace);
    const QCommandLineOption realtime(
        QStringLiteral("realtime"),
        QStringLiteral("Run the waits of each run under SCHED_FIFO where the system allows it."));
    parser.addOption(realtime);
    const QCommandLineOption noSettings(
        QStringLiteral("no-settings"),
        QStringLiteral("Start from the panel's own start-up state and remember nothing: neither read nor write "
                       "the settings file."));
    parser.addOption(noSettings);
    const RigCommandLine rig(parser);
    const HearingCommandLine hearing(parser);
    const QCommandLineOption port(
        QStringLiteral("port"),
        QStringLiteral("Port backend: sim (simulated, the default), ppdev (the kernel's parallel ports, "
                       "/dev/parportN), direct (port I/O for other cards; root or CAP_SYS_RAWIO%1) or gpio "
                       "(four lines of a GPIO chip, /dev/gpiochipN).")
            .arg(LinuxSystem::portInstructions ? QString() : QStringLiteral("; not in this build, x86 only")),
        QStringLiteral("sim|ppdev|direct|gpio"), QStringLiteral("sim"));
    const QCommandLineOption allowIo(
        QStringLiteral("allow-io"),
        QStringLiteral("With --port direct: also let the panel touch the I/O addresses FIRST to LAST, decimal "
                       "or 0x-hex (repeatable). Parallel ports that /proc/ioports lists are allowed anyway."),
        QStringLiteral("FIRST-LAST"));
    parser.addOption(port);
    parser.addOption(allowIo);
    const GpioOptions gpio(parser);
    const QString models = QString::fromStdString(rules::modelNames());
    const QCommandLineOption model(
        QStringLiteral("model"),
        QStringLiteral(
            "Choose the panel's rig model at start-up, as in its list (%1): for use without a screen.")
            .arg(models),
        QStringLiteral("model"));
    parser.addOption(model);
    const QCommandLineOption rigctld = rigctl::portOption();
    parser.addOption(rigctld);
    const QCommandLineOption web(
        QStringLiteral("web"),
        QStringLiteral("Serve the panel to browsers on port <PORT>; --web alone: port %1. This machine only "
                       "(plain HTTP) unless a passphrase is set and --web-address says otherwise.")
            .arg(webDefaultPort),
        QStringLiteral("PORT"));
    const QCommandLineOption webAddress(
        QStringLiteral("web-address"),
        QStringLiteral("With --web: the IP address to listen on, or \"any\" (default 127.0.0.1). Any but "
                       "loopback needs a passphrase and is served over TLS only."),
        QStringLiteral("ADDRESS"));
    const QCommandLineOption webCert(QStringLiteral("web-cert"),
                                     QStringLiteral("With --web: the TLS certificate (PEM); made at the first start "
                                                    "when not given."),
                                     QStringLiteral("FILE"));
    const QCommandLineOption webKey(QStringLiteral("web-key"),
                                    QStringLiteral("With --web-cert: its private key (PEM, unencrypted)."),
                                    QStringLiteral("FILE"));
    const QCommandLineOption setWebPassphrase(
        QStringLiteral("set-web-passphrase"),
        QStringLiteral("Read the passphrase for --web from standard input (twice), store it hashed, and exit."));
    parser.addOptions({web, webAddress, webCert, webKey, setWebPassphrase});

    // "--web" alone takes the default port, as "--rigctld" does.
    QStringList given = rigctl::withDefaultPort(arguments);
    for (qsizetype i = 1; i < given.size() && given[i] != u"--"; ++i)
        if (given[i] == u"--web")
            given[i] = QStringLiteral("--web=%1").arg(webDefaultPort);
    if (!parser.parse(given))
        return refusal(parser.errorText());
    if (parser.isSet(help))
        return Parsed{std::nullopt, 0, parser.helpText()};
    if (parser.isSet(versionOption))
        return Parsed{std::nullopt, 0,
                      QStringLiteral("%1 %2\n").arg(QCoreApplication::applicationName(), QLatin1String(version))};

    // A second value would silently win over the first; only --allow-io adds up.
    for (const QString& name : parser.optionNames())
        if (name != allowIo.names().first() && parser.values(name).size() > 1)
            return refusal(QStringLiteral("--%1 given twice").arg(name));

    Options options;
    options.trace = parser.isSet(trace);
    options.realtime = parser.isSet(realtime);
    options.settings = !parser.isSet(noSettings);
    options.port = parser.value(port).toStdString();
    for (const QString& range : parser.values(allowIo))
        options.allowIo.push_back(range.toStdString());
    options.gpio = gpio.read(parser);
    if (parser.isSet(model)) {
        if (!rules::findModel(parser.value(model).toStdString()))
            return refusal(
                QStringLiteral("--model: \"%1\" is no KRV model (%2)").arg(parser.value(model), models));
        options.model = parser.value(model).toStdString();
    }
    try {
        options.rig = rig.read(parser);
        options.hearing = hearing.read(parser);
    } catch (const std::invalid_argument& e) {
        return refusal(QString::fromUtf8(e.what()));
    }
    // "--rigctld 4533" would otherwise serve 4532 and drop the 4533 unseen.
    if (!parser.positionalArguments().isEmpty())
        return refusal(
            QStringLiteral("unexpected argument \"%1\" (see --help)").arg(parser.positionalArguments().first()));
    if (parser.isSet(rigctld)) {
        options.rigctldPort = rigctl::parsePort(parser.value(rigctld));
        if (!options.rigctldPort)
            return refusal(QStringLiteral("--rigctld: \"%1\" is not a port (1..65535)").arg(parser.value(rigctld)));
    }
    if (parser.isSet(web)) {
        options.webPort = rigctl::parsePort(parser.value(web));
        if (!options.webPort)
            return refusal(QStringLiteral("--web: \"%1\" is not a port (1..65535)").arg(parser.value(web)));
    }
    for (const QCommandLineOption* needsWeb : {&webAddress, &webCert, &webKey})
        if (parser.isSet(*needsWeb) && !options.webPort)
            return refusal(QStringLiteral("--%1 goes with --web").arg(needsWeb->names().first()));
    if (parser.isSet(webCert) != parser.isSet(webKey))
        return refusal(QStringLiteral("--web-cert and --web-key go together"));
    if (parser.isSet(webAddress))
        options.webAddress = parser.value(webAddress);
    options.webCert = parser.value(webCert);
    options.webKey = parser.value(webKey);
    options.setWebPassphrase = parser.isSet(setWebPassphrase);
    return Parsed{std::move(options), 0, {}};
}

} // namespace app
