#include "sim/RigCommandLine.h"

#include "rules/EncoderKind.h"
#include "rules/Models.h"
#include "rules/StandardPort.h"
#include "text/WholeNumber.h"

#include <QCommandLineParser>

#include <stdexcept>
#include <string>

namespace {

[[noreturn]] void refuse(const QString& option, const QString& value, const QString& expected)
{
    throw std::invalid_argument(QStringLiteral("--%1 \"%2\": %3").arg(option, value, expected).toStdString());
}

QString modelChoice()
{
    return QString::fromStdString(rules::modelNames(" or "));
}

} // namespace

RigCommandLine::RigCommandLine(QCommandLineParser& parser)
    : port_(QStringLiteral("rig-port"),
            QStringLiteral("Base address of the port the simulated rig sits on: 632, 888, 956, or another "
                           "address up to 32765 (key and RIT as whole bytes at base+1, base+2)."),
            QStringLiteral("address"), QString::number(rules::defaultBase)),
      model_(
          QStringLiteral("rig-model"),
          QStringLiteral("The simulated rig: %1; it starts on the model's QRP frequency.").arg(modelChoice()),
          QStringLiteral("model"),
          QString::fromLatin1(defaultRigModel.data(), static_cast<qsizetype>(defaultRigModel.size()))),
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
        refuse(port_.names().first(), port, QStringLiteral("expected an address from 0 to 32765"));
    settings.base = static_cast<int16_t>(*base);

    const QString model = parser.value(model_);
    const rules::Model* found = rules::findModel(model.toStdString());
    if (!found)
        refuse(model_.names().first(), model, QStringLiteral("expected ") + modelChoice());
    settings.startHz = found->qrpHz();

    const QString encoder = parser.value(encoder_);
    const std::optional<rules::Encoder> kind = rules::encoderKind(encoder);
    if (!kind)
        refuse(encoder_.names().first(), encoder, QStringLiteral("expected 1 or 2"));
    settings.encoder = *kind;
    return settings;
}
