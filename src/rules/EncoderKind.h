#pragma once
// The encoder kind the Encoder text names: exactly "1", a detent every half
// cycle of the two lines, or exactly "2", every whole cycle. Any other text
// (" 1", "1.0", "") names none: the step engine sends nothing for it, the
// settings do not restore it, and --rig-encoder refuses it. The same kinds
// are the simulated rig's encoders.

#include <QString>

#include <optional>

namespace rules
{

enum class Encoder { halfCycles = 1, wholeCycles = 2 };

std::optional<Encoder> encoderKind(const QString& text);

// Throws std::runtime_error, saying that nothing was sent, when `text` names
// no kind.
void requireEncoderKind(const QString& text);

} // namespace rules
