#pragma once
// The rig's two tuning steps, and the grid they put every frequency on: the
// fine step's. Free of Qt, so the Morse decoder and the simulated rig share it
// with the rules for "E".

#include <cstdint>

namespace rules
{

inline constexpr int16_t coarseStepHz = 200;
inline constexpr int16_t fineStepHz = 50;
static_assert(coarseStepHz % fineStepHz == 0, "a coarse step is a whole number of fine steps");

// The same in kHz, as the panel's step record keeps them: the doubles nearest
// 0.2 and 0.05, as those decimals would give.
inline constexpr double coarseStepKhz = coarseStepHz / 1000.0;
inline constexpr double fineStepKhz = fineStepHz / 1000.0;
static_assert(coarseStepKhz == 0.2 && fineStepKhz == 0.05, "the kHz steps are the decimals' own doubles");

} // namespace rules
