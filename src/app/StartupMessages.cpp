#include "app/StartupMessages.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>

namespace app
{

namespace
{

QStringList earlyMessages;

void startupMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type != QtFatalMsg) {
        earlyMessages << message;
        return;
    }
    // The first message held back usually says why the platform failed; the
    // fatal one only that it did.
    const QString cause = earlyMessages.isEmpty() ? message.section(u'\n', 0, 0) : earlyMessages.first();
    std::fprintf(stderr, "corvane: cannot open the window: %s\n", qPrintable(cause));
    std::_Exit(1);
}

} // namespace

bool displayToConnectTo()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        std::fprintf(stderr, "corvane: no display to connect to (DISPLAY is not set)\n");
        return false;
    }
    return true;
}

void holdStartupMessages()
{
    qInstallMessageHandler(startupMessages);
}

void windowIsUp()
{
    qInstallMessageHandler(nullptr);
    for (const QString& message : std::as_const(earlyMessages))
        std::fprintf(stderr, "%s\n", qPrintable(message));
    earlyMessages.clear();
}

} // namespace app
