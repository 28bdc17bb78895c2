#include "rules/GoTo.h"

#include "rules/Steps.h"

#include <cmath>

namespace rules
{

bool inEntryRange(double khz)
{
    return khz >= entryLowKhz && khz <= entryHighKhz;
}

bool withinLimits(double khz, int16_t lowKhz, int16_t highKhz)
{
    return khz >= lowKhz && khz <= highKhz;
}

bool onFiftyHzGrid(double khz)
{
    return std::fmod(numtext::roundHalfEven(khz * 100), fineStepHz / 10) == 0;
}

bool tunable(double khz, int16_t lowKhz, int16_t highKhz)
{
    return inEntryRange(khz) && withinLimits(khz, lowKhz, highKhz) && onFiftyHzGrid(khz);
}

double nearestOnGridKhz(double hz)
{
    return std::round(hz / fineStepHz) / (1000 / fineStepHz);
}

EntryDecision decideEntry(const QString& text, int16_t lowKhz, int16_t highKhz, QStringView control)
{
    if (text.count(u' ') == text.size())
        return {Dropped::Empty};
    double khz = 0;
    try {
        khz = numtext::toDouble(text, control);
    } catch (const numtext::ConversionError&) {
        // Too large for a double is a number still, and far out of range.
        if (!numtext::isNumber(text))
            throw;
        return {Dropped::OutOfRange};
    }
    if (!inEntryRange(khz))
        return {Dropped::OutOfRange};
    if (lowKhz == 0 && highKhz == 0)
        return {Dropped::NoModel};
    if (!withinLimits(khz, lowKhz, highKhz))
        return {Dropped::OutsideLimits};
    if (!onFiftyHzGrid(khz))
        return {Dropped::OffGrid};
    return {Dropped::Not, khz};
}

std::optional<double> acceptedEntry(const QString& text, int16_t lowKhz, int16_t highKhz, QStringView control)
{
    const EntryDecision decision = decideEntry(text, lowKhz, highKhz, control);
    if (decision.dropped != Dropped::Not)
        return std::nullopt;
    return decision.khz;
}

MovePlan planMove(double fromKhz, double toKhz, QStringView span)
{
    const double diff = fromKhz - toKhz;
    // In 10 Hz units; the remainder beyond a coarse step takes the sign of the dividend.
    const double hundredths = numtext::roundHalfEven(diff * 100);
    MovePlan plan;
    plan.fineSteps = numtext::roundToInt16(std::fmod(hundredths, coarseStepHz / 10) / (fineStepHz / 10),
                                           u"the 50 Hz step count");
    plan.coarseSteps = numtext::roundToInt32((diff - plan.fineSteps * fineStepKhz) / coarseStepKhz, span);
    return plan;
}

int32_t ritSteps(const MovePlan& plan, QStringView span)
{
    return numtext::roundToInt32(
        static_cast<double>(plan.coarseSteps) * (coarseStepHz / fineStepHz) + plan.fineSteps, span);
}

bool switchesStep(const MovePlan& plan, int16_t stepHz, bool rit)
{
    if (rit)
        return false;
    return (stepHz == coarseStepHz && plan.fineSteps != 0) || (stepHz == fineStepHz && plan.coarseSteps != 0);
}

} // namespace rules
