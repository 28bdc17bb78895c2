#include "rigctl/CommandLine.h"

#include "rigctl/RigctlServer.h"
#include "text/WholeNumber.h"

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
    // Decimal digits only, as --rig-port takes them.
    const std::optional<unsigned long> port = wholeNumber(value.toStdString(), 65535);
    if (!port || *port == 0)
        return std::nullopt;
    return static_cast<quint16>(*port);
}

} // namespace rigctl
