#include "app/FailureReport.h"

#include "panel/Corvane.h"

#include <QGuiApplication>
#include <QMessageBox>

#include <cstdio>

namespace app
{

void reportFailures(Corvane& panel)
{
    const bool headless = QGuiApplication::platformName() == u"offscreen";
    QObject::connect(&panel, &Corvane::actionFailed, &panel, [&panel, headless](const QString& message) {
        std::fprintf(stderr, "corvane: %s\n", qPrintable(message));
        if (!headless)
            QMessageBox::warning(&panel, QStringLiteral("Corvane"), message);
    });
}

} // namespace app
