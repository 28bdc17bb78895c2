#pragma once
// The --rigctld[=PORT] option. QCommandLineParser has no optional values, so a
// bare --rigctld is given the default port before the parser sees it.

#include <QCommandLineOption>
#include <QStringList>

#include <optional>

namespace rigctl {

QCommandLineOption portOption();

// The arguments with every bare --rigctld before a "--" written as
// --rigctld=4532.
QStringList withDefaultPort(QStringList arguments);

// The option's value as a port, 1..65535 in decimal digits only; nullopt for
// anything else (blanks and signs included).
std::optional<quint16> parsePort(const QString& value);

} // namespace rigctl
