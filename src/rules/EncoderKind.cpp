#include "rules/EncoderKind.h"

#include <stdexcept>

namespace rules
{

std::optional<Encoder> encoderKind(const QString& text)
{
    if (text == u"1")
        return Encoder::halfCycles;
    if (text == u"2")
        return Encoder::wholeCycles;
    return std::nullopt;
}

void requireEncoderKind(const QString& text)
{
    if (!encoderKind(text))
        throw std::runtime_error(
            QStringLiteral("Encoder \"%1\": the encoder kind is 1 or 2; nothing was sent")
                .arg(text)
                .toStdString());
}

} // namespace rules
