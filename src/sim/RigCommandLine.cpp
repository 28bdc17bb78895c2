#include "sim/RigCommandLine.h"

#include "text/WholeNumber.h"

#include <QCommandLineParser>

#include <stdexcept>
#include <string>

namespace {

[[noreturn]] void refuse(const QString& option, const QString& value, const char* expected)
{
    throw std::invalid_argument(
        QStringLiteral("--%1 \"%2\": %3").arg(option, value, QLatin1String(expected)).toStdString());
}

} // namespace

RigCommandLine::RigCommandLine(QCommandLineParser& parser)
    : port_(QStringLiteral("rig-port"),
            QStringLiteral("Base address of the port the simulated rig sits on: 632, 888, 956, or another "
                           "address up to 32765 (key and RIT as whole bytes at base+1, base+2)."),
            QStringLiteral("address"), QStringLiteral("888")),
      model_(
          QStringLiteral("rig-model"),
          QStringLiteral("The simulated rig: KRV-80, KRV-40, KRV-30 or KRV-20; it starts on the model's QRP "
                         "frequency."),
          QStringLiteral("model"), QStringLiteral("KRV-40")),
      encoder_(QStringLiteral("rig-encoder"),
               QStringLiteral("The simulated rig's encoder: 1 turns a detent every half cycle, 2 every whole "
                              "cycle."),
               QStringLiteral("kind"), QStringLiteral("1"))
{
    parser.addOption(port_);
    parser.addOption(model_);
    parser.addOption(encoder_);
}

RigSettings RigCommandLine::read(const QCommandLineParser& parser) const
{
    RigSettings settings;

    const QString port = parser.value(port_);
    // Decimal only, as the panel's Port box takes it; base+2 must still be an address.
    const std::optional<unsigned long> base = wholeNumber(port.toStdString(), 32765);
    if (!base)
        refuse(port_.names().first(), port, "expected an address from 0 to 32765");
    settings.base = static_cast<int16_t>(*base);

    const QString model = parser.value(model_);
    const std::optional<int32_t> startHz = rigModelStartHz(model.toStdString());
    if (!startHz)
        refuse(model_.names().first(), model, "expected KRV-80, KRV-40, KRV-30 or KRV-20");
    settings.startHz = *startHz;

    const QString encoder = parser.value(encoder_);
    if (encoder == u"1")
        settings.encoder = EncoderKind::HalfCycle;
    else if (encoder == u"2")
        settings.encoder = EncoderKind::WholeCycle;
    else
        refuse(encoder_.names().first(), encoder, "expected 1 or 2");
    return settings;
}
