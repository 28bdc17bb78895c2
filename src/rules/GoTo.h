#pragma once
// What "E" accepts and how it plans a move: the one home of these rules, asked
// by the "E" key, by the edits of the frequency displays and by the remote
// peer. Frequencies are in kHz; step counts are signed, positive down (from
// above the target towards it), as the step engine counts them.
//
// Accepted: an entry that is a number as numtext::toDouble reads it (blanks
// around, sign, point, exponent: " 7040 ", "7040.", "7.04e3"), lying in
// entryLowKhz..entryHighKhz (540..25000, rules/Models.h), within the model's
// limits (both 0 until a model is chosen, which refuses everything) and on the
// 50 Hz grid once rounded to 10 Hz, halves to even (7030.05 and 7030.0501
// pass, 7030.045 does not: 703004.5 rounds to the even 703004).
// A number that fails a test, and an entry of blanks only (nothing entered),
// is dropped without a word. Any other text is no number ("7.0.5", "7o40",
// "."): that is a ConversionError naming the control.
//
// Planned: the rig steps by 200 Hz or 50 Hz only, so a move is split into
// whole 200 Hz steps and what is left, 0..3 steps of 50 Hz with the sign of
// the move. With RIT on every step is 50 Hz: four per 200 Hz step.

#include "rules/Models.h"
#include "text/NumberText.h"

#include <QString>
#include <QStringView>

#include <cstdint>
#include <optional>

namespace rules
{

bool inEntryRange(double khz);
bool withinLimits(double khz, int16_t lowKhz, int16_t highKhz);
bool onFiftyHzGrid(double khz);

// All three tests on a number that is its own leading number.
bool tunable(double khz, int16_t lowKhz, int16_t highKhz);

// The 50 Hz grid point nearest to hz (Hz), in kHz, halves away from zero: a
// whole number of 50 Hz steps divided by 20, whose text reads back exactly
// onto the grid.
double nearestOnGridKhz(double hz);

// Why "E" drops an entry, in the order the tests are made.
enum class Dropped {
    Not,           // accepted
    Empty,         // blanks only: nothing entered
    OutOfRange,    // a number outside entryLowKhz..entryHighKhz
    NoModel,       // no model chosen: its limits are both 0
    OutsideLimits, // outside the model's limits
    OffGrid,       // not on the 50 Hz grid
};

struct EntryDecision {
    Dropped dropped = Dropped::Not;
    double khz = 0; // what "E" tunes to, when not dropped
};

// What "E" does with `text`. Throws ConversionError (named `control`) as above.
EntryDecision decideEntry(const QString& text, int16_t lowKhz, int16_t highKhz, QStringView control);

// The kHz "E" tunes to for `text`, or nothing; throws as decideEntry().
std::optional<double> acceptedEntry(const QString& text, int16_t lowKhz, int16_t highKhz,
                                    QStringView control);

struct MovePlan {
    int16_t fineSteps = 0;   // 50 Hz steps, -3..3
    int32_t coarseSteps = 0; // 200 Hz steps
};

// The move from fromKhz to toKhz. The rounding of the coarse part absorbs the
// representation error of decimal kHz (9.95 is 9.949999999999818). Throws
// ConversionError when the coarse count does not fit; `span` names the move
// in that message.
MovePlan planMove(double fromKhz, double toKhz, QStringView span);

// The whole move in 50 Hz steps, as RIT takes it. Throws ConversionError when
// it does not fit.
int32_t ritSteps(const MovePlan& plan, QStringView span);

// Whether carrying the plan out switches the rig's step (and back): with RIT
// off, a run at the size the rig is not on. stepHz: the step in force.
bool switchesStep(const MovePlan& plan, int16_t stepHz, bool rit);

} // namespace rules
