// The rules the panel, the display edits and the remote peer share: what "E"
// accepts, how it splits a move, the encoder kind.
#include "rules/EncoderKind.h"
#include "rules/GoTo.h"
#include "support/FakeSystem.h"
#include "support/RowName.h"

#include <gtest/gtest.h>

#include <optional>

namespace
{

constexpr double refused = -1;
constexpr double throws = -2;

struct EntryRow {
    const char* proves;
    const char* text;
    int16_t low, high;
    double khz; // refused, throws, or the kHz accepted
};

class EntryRule : public ::testing::TestWithParam<EntryRow>
{
};

struct PlanRow {
    const char* proves;
    double from, to;
    int16_t fine;
    int32_t coarse;
    int32_t ritSteps;
    bool switchesAt200, switchesAt50;
};

class PlanRule : public ::testing::TestWithParam<PlanRow>
{
};

} // namespace

TEST_P(EntryRule, AcceptsOrDropsTheEntry)
{
    const EntryRow& row = GetParam();
    const auto accept = [&] {
        return rules::acceptedEntry(QString::fromLatin1(row.text), row.low, row.high, u"Freq entry");
    };
    if (row.khz == throws) {
        EXPECT_EQ(thrownMessage<numtext::ConversionError>(accept),
                  "Freq entry \"" + std::string(row.text) + "\" is not a number");
        return;
    }
    EXPECT_EQ(accept(), row.khz == refused ? std::nullopt : std::optional<double>(row.khz));
    // The remote peer asks the number alone; it must agree wherever the text is the number.
    bool isNumber = false;
    const double value = QString::fromLatin1(row.text).toDouble(&isNumber);
    if (isNumber) {
        EXPECT_EQ(rules::tunable(value, row.low, row.high), row.khz != refused);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, EntryRule,
    ::testing::Values(EntryRow{"in_range", "7040", 540, 25000, 7040},
                      EntryRow{"lowest", "540", 540, 25000, 540},
                      EntryRow{"below_the_range", "539.95", 0, 25000, refused},
                      EntryRow{"highest", "25000", 540, 25000, 25000},
                      EntryRow{"above_the_range", "25000.05", 540, 30000, refused},
                      EntryRow{"no_model_chosen", "7040", 0, 0, refused},
                      EntryRow{"beyond_the_model", "7040", 540, 7000, refused},
                      EntryRow{"on_the_grid", "7030.05", 540, 25000, 7030.05},
                      EntryRow{"on_the_grid_at_10_Hz", "7030.0501", 540, 25000, 7030.0501},
                      EntryRow{"half_rounds_to_even_off_the_grid", "7030.045", 540, 25000, refused},
                      EntryRow{"off_the_grid", "7030.04", 540, 25000, refused},
                      EntryRow{"leading_number_in_range_text_no_number", "7040.0.3", 540, 25000, throws},
                      EntryRow{"blanks_inside_read_by_the_leading_number", "70 40", 540, 25000, throws},
                      EntryRow{"two_points", "7.0.5", 540, 25000, throws},
                      EntryRow{"a_letter_for_a_digit", "7o40", 540, 25000, throws},
                      EntryRow{"letters_alone", "abc", 540, 25000, throws},
                      EntryRow{"a_point_alone", ".", 540, 25000, throws},
                      EntryRow{"a_sign_alone", "-", 540, 25000, throws},
                      EntryRow{"nothing_entered", "", 540, 25000, refused},
                      EntryRow{"blanks_only", "   ", 540, 25000, refused},
                      EntryRow{"trailing_point", "7040.", 540, 25000, 7040},
                      EntryRow{"blanks_around", " 7040 ", 540, 25000, 7040},
                      EntryRow{"exponent", "7.04e3", 540, 25000, 7040},
                      EntryRow{"a_number_out_of_range_below", "-7040", 540, 25000, refused},
                      EntryRow{"beyond_a_double", "1e999", 540, 25000, refused}),
    RowName());

TEST_P(PlanRule, SplitsTheMoveIntoFiftyAndTwoHundredHertzRuns)
{
    const PlanRow& row = GetParam();
    const rules::MovePlan plan = rules::planMove(row.from, row.to, u"the move");
    EXPECT_EQ(plan.fineSteps, row.fine);
    EXPECT_EQ(plan.coarseSteps, row.coarse);
    EXPECT_EQ(rules::ritSteps(plan, u"the move"), row.ritSteps);
    EXPECT_EQ(rules::switchesStep(plan, 200, false), row.switchesAt200);
    EXPECT_EQ(rules::switchesStep(plan, 50, false), row.switchesAt50);
    EXPECT_FALSE(rules::switchesStep(plan, 200, true)); // RIT on: always 50 Hz, no switch
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PlanRule,
    ::testing::Values(PlanRow{"nowhere", 7040, 7040, 0, 0, 0, false, false},
                      PlanRow{"one_200_Hz_step_up", 7040, 7040.2, 0, -1, -4, false, true},
                      PlanRow{"one_50_Hz_step_up", 7040, 7040.05, -1, 0, -1, true, false},
                      PlanRow{"three_50_Hz_steps_stay_fine", 7040, 7040.15, -3, 0, -3, true, false},
                      PlanRow{"both_runs_down", 3560.2, 3550.5, 2, 48, 194, true, true},
                      PlanRow{"decimal_error_absorbed", 7040, 7030.05, 3, 49, 199, true, true}),
    RowName());

TEST(PlanRule, ACountThatDoesNotFitIsAnError)
{
    EXPECT_EQ(thrownMessage<numtext::ConversionError>([] { rules::planMove(1e9, 540, u"the move"); }),
              "the move is out of range -2147483648..2147483647");
    const rules::MovePlan plan{0, 600'000'000};
    EXPECT_THROW(rules::ritSteps(plan, u"the move"), numtext::ConversionError);
}

TEST(GridRule, TheRemotePeersHertzRoundToTheNearestGridPoint)
{
    EXPECT_EQ(rules::nearestOnGridKhz(7'040'024), 7040);
    EXPECT_EQ(rules::nearestOnGridKhz(7'040'025), 7040.05);
    EXPECT_EQ(rules::nearestOnGridKhz(7'040'074), 7040.05);
}

TEST(EncoderRule, OnlyOneAndTwoExactlyNameAKind)
{
    EXPECT_EQ(rules::encoderKind(QStringLiteral("1")), rules::Encoder::halfCycles);
    EXPECT_EQ(rules::encoderKind(QStringLiteral("2")), rules::Encoder::wholeCycles);
    for (const char* text : {" 1", "1.0", "01", "", "3"}) {
        EXPECT_EQ(rules::encoderKind(QString::fromLatin1(text)), std::nullopt) << text;
        EXPECT_EQ(
            thrownMessage<std::runtime_error>([&] { rules::requireEncoderKind(QString::fromLatin1(text)); }),
            "Encoder \"" + std::string(text) + "\": the encoder kind is 1 or 2; nothing was sent");
    }
}
