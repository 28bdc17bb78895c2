#include "rigctl/CommandLine.h"

#include "rigctl/RigctlServer.h"

#include <charconv>
#include <string>

namespace rigctl {

QCommandLineOption portOption()
{
    return QCommandLineOption(
        QStringLiteral("rigctld"),
        QStringLiteral(
            "Answer Hamlib clients (rigctl -m 2, WSJT-X, fldigi) as rigctld does, on localhost port "
            "<PORT>; --rigctld alone: port %1.")
            .arg(defaultPort),
        QStringLiteral("PORT"));
}

QStringList withDefaultPort(QStringList arguments)
{
    const QString bare = QStringLiteral("--rigctld");
    // The first argument is the program; "--" ends the options.
    for (qsizetype i = 1; i < arguments.size() && arguments[i] != u"--"; ++i)
        if (arguments[i] == bare)
            arguments[i] = bare + u'=' + QString::number(defaultPort);
    return arguments;
}

std::optional<quint16> parsePort(const QString& value)
{
    // Decimal digits only, as --rig-port takes them: from_chars takes no blank and no sign.
    const std::string digits = value.toStdString();
    unsigned port = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), port);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size() || port == 0 ||
        port > 65535)
        return std::nullopt;
    return static_cast<quint16>(port);
}

} // namespace rigctl
