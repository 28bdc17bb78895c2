// "E": the range, limit and grid tests, the split into 50 Hz and 200 Hz runs,
// and the order of toggles, runs and waits.
#include "support/PanelTest.h"
#include "support/RowName.h"
#include "support/TrafficSummary.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

using Calls = std::vector<std::string>;

std::string run(int count) { return (count < 0 ? "up " : "dn ") + std::to_string(std::abs(count)); }

// RIT off, step 200 Hz: the fine run framed by two toggles, then the coarse run.
Calls callsAt200(int fine, int coarse)
{
    Calls calls;
    if (fine != 0)
        calls.insert(calls.end(), {"step_tog", run(fine), "wait 1", "step_tog"});
    if (coarse != 0)
        calls.insert(calls.end(), {run(coarse), "wait 1"});
    return calls;
}

class GoTo : public PanelTest {
protected:
    // Puts `entry` into the entry field and presses "E".
    Calls press(const char* entry)
    {
        panel->Text5->setText(QString::fromLatin1(entry));
        traffic();
        panel->Command26->click();
        EXPECT_EQ(panel->Text5->text(), "") << "the entry is emptied after every E";
        return summarize(traffic());
    }
    void displays(const char* both)
    {
        panel->Text1->setText(QString::fromLatin1(both));
        panel->Text3->setText(QString::fromLatin1(both));
    }
};

struct PresetRow {
    const char* proves;
    int model;
    QPushButton* Corvane::*key;
    int fine, coarse;
    const char* lands;
};

const PresetRow presetRows[] = {
    {"KRV_80 down to CHU", 0, &Corvane::Command28, 0, 1146, "3330.8"},
    {"KRV_80 up to WWV", 0, &Corvane::Command29, 0, -7204, "5000.8"},
    {"KRV_80 QRP is where it is", 0, &Corvane::Command30, 0, 0, "3560"},
    {"KRV_80 up to W1AW with a fine run", 0, &Corvane::Command31, -2, -107, "3581.5"},
    {"KRV_40 up to CHU in whole 200 Hz steps", 1, &Corvane::Command28, 0, -1479, "7335.8"},
    {"KRV_40 up to WWV", 1, &Corvane::Command29, 0, -14804, "10000.8"},
    {"KRV_40 QRP is where it is", 1, &Corvane::Command30, 0, 0, "7040"},
    {"KRV_40 up to W1AW", 1, &Corvane::Command31, -2, -37, "7047.5"},
    {"KRV_30 down to CHU", 2, &Corvane::Command28, 0, 13879, "7334.2"},
    {"KRV_30 down to WWV", 2, &Corvane::Command29, 0, 554, "9999.2"},
    {"KRV_30 QRP is where it is", 2, &Corvane::Command30, 0, 0, "10110"},
    {"KRV_30 down to the KRV_40 W1AW", 2, &Corvane::Command31, 2, 15312, "7047.5"},
    {"KRV_20 up to CHU", 3, &Corvane::Command28, 0, -3046, "14669.2"},
    {"KRV_20 up to WWV", 3, &Corvane::Command29, 0, -4696, "14999.2"},
    {"KRV_20 QRP is where it is", 3, &Corvane::Command30, 0, 0, "14060"},
    {"KRV_20 down to W1AW", 3, &Corvane::Command31, 2, 62, "14047.5"},
};

class GoToPreset : public GoTo, public ::testing::WithParamInterface<PresetRow> {};

TEST_P(GoToPreset, SplitsTheDifferenceAndLandsOnThePreset)
{
    const PresetRow& row = GetParam();
    chooseModel(row.model);
    (panel.get()->*row.key)->click();
    const QString entry = panel->Text5->text();
    traffic();
    panel->Command26->click();
    EXPECT_EQ(summarize(traffic()), callsAt200(row.fine, row.coarse)) << entry.toStdString();
    if (row.fine != 0 || row.coarse != 0) {
        EXPECT_EQ(panel->fine_steps, row.fine);
        EXPECT_EQ(panel->coarse_steps, row.coarse);
    }
    EXPECT_EQ(panel->Text1->text(), row.lands);
    EXPECT_EQ(panel->Text3->text(), row.lands);
    EXPECT_EQ(panel->step_hz, 200);
    EXPECT_EQ(panel->Text2->text(), "200 Hz steps T/R");
    EXPECT_EQ(panel->Text5->text(), "");
}

INSTANTIATE_TEST_SUITE_P(Rows, GoToPreset, ::testing::ValuesIn(presetRows), RowName());

} // namespace

TEST_F(GoTo, WorkedExampleDownTo7030_05)
{
    chooseModel(1);
    EXPECT_EQ(press("7030.05"), (Calls{"step_tog", "dn 3", "wait 1", "step_tog", "dn 49", "wait 1"}));
    EXPECT_EQ(panel->fine_steps, 3);
    EXPECT_EQ(panel->coarse_steps, 49);
    EXPECT_EQ(panel->Text1->text(), "7030.05");
    EXPECT_EQ(panel->Text3->text(), "7030.05");
    EXPECT_EQ(panel->step_hz, 200);
    EXPECT_EQ(panel->step_khz, 0.2);
}

TEST_F(GoTo, WorkedExampleUpTo7031_15WithAndWithoutRit)
{
    chooseModel(1);
    displays("7030");
    EXPECT_EQ(press("7031.15"), (Calls{"step_tog", "up 3", "wait 1", "step_tog", "up 5", "wait 1"}));
    EXPECT_EQ(panel->fine_steps, -3);
    EXPECT_EQ(panel->coarse_steps, -5);
    EXPECT_EQ(panel->Text1->text(), "7031.15");

    displays("7030");
    panel->RIT_ON->setChecked(true);
    EXPECT_EQ(press("7031.15"), (Calls{"up 23", "wait 1"}));
    EXPECT_EQ(panel->Text3->text(), "7031.15");
    EXPECT_EQ(panel->Text1->text(), "7030");
    EXPECT_EQ(panel->step_hz, 50);
}

TEST_F(GoTo, RitOnWorksFromTheReceiveDisplay)
{
    chooseModel(1);
    panel->RIT_ON->setChecked(true);
    panel->Text3->setText(QStringLiteral("7040.5"));
    EXPECT_EQ(press("7040"), (Calls{"dn 10", "wait 1"}));
    EXPECT_EQ(panel->Text3->text(), "7040");
}

TEST_F(GoTo, EntryEqualToTheCurrentFrequency)
{
    chooseModel(1);
    EXPECT_THAT(press("7040"), IsEmpty());
    panel->RIT_ON->setChecked(true);
    EXPECT_EQ(press("7040"), (Calls{"run 0", "wait 1"}));
}

TEST_F(GoTo, FromFiftyHertzStepsTheCoarseRunIsFramedByToggles)
{
    chooseModel(1);
    panel->step_tog();
    displays("7030");
    EXPECT_EQ(press("7031.15"), (Calls{"up 3", "wait 1", "step_tog", "up 5", "wait 1", "step_tog"}));
    EXPECT_EQ(panel->Text1->text(), "7031.15");
    EXPECT_EQ(press("7030"), (Calls{"dn 3", "wait 1", "step_tog", "dn 5", "wait 1", "step_tog"}));
    EXPECT_EQ(panel->Text1->text(), "7030");
    EXPECT_EQ(panel->step_hz, 50);
    EXPECT_EQ(panel->Text2->text(), "  50 Hz steps T/R");
}

TEST_F(GoTo, OnlyAFineRunWhenLessThan200HzAway)
{
    chooseModel(1);
    EXPECT_EQ(press("7040.1"), (Calls{"step_tog", "up 2", "wait 1", "step_tog"}));
    EXPECT_EQ(panel->fine_steps, -2);
    EXPECT_EQ(panel->coarse_steps, 0);
}

TEST_F(GoTo, GridTestRoundsTo10HzHalvesToEven)
{
    chooseModel(1);
    for (const char* off : {"7030.01", "7030.045", "7040.01", "7039.99"}) {
        EXPECT_THAT(press(off), IsEmpty()) << off;
        EXPECT_EQ(panel->Text1->text(), "7040");
    }
    EXPECT_EQ(press("7030.0501"), (Calls{"step_tog", "dn 3", "wait 1", "step_tog", "dn 49", "wait 1"}));
    EXPECT_EQ(panel->Text1->text(), "7030.05");
    displays("7040");
    EXPECT_FALSE(press("7030.095").empty()) << "703009.5 rounds to 703010";
}

TEST_F(GoTo, RangeAndLimitsAcceptTheirEdges)
{
    EXPECT_THAT(press("7030"), IsEmpty()) << "no model chosen";
    chooseModel(1);
    panel->Encoder->setCurrentText(QStringLiteral("off")); // accepted entries run, but send no step
    for (const char* refused : {"", "539.95", "25000.05", "0"})
        EXPECT_THAT(press(refused), IsEmpty()) << refused;
    EXPECT_EQ(press("540"), (Calls{"run 0", "wait 1"}));
    EXPECT_EQ(press("25000"), (Calls{"run 0", "wait 1"}));
    EXPECT_EQ(panel->coarse_steps, -89800);
    EXPECT_EQ(panel->nsteps, -89800) << "the engine left the count as it was";
}

TEST_F(GoTo, RefusedEntriesSendNothingAndReportTheText)
{
    chooseModel(1);
    QSignalSpy failures(panel.get(), &Corvane::actionFailed);
    for (const char* entry : {"7030..5", "7030.5abc", "7 030.5", "7.0.5", "7o40", "abc", "."}) {
        EXPECT_THAT(press(entry), IsEmpty()) << entry;
        ASSERT_FALSE(failures.isEmpty());
        EXPECT_EQ(failures.takeLast().at(0).toString(),
                  QStringLiteral("Freq entry \"%1\" is not a number").arg(entry));
    }
    EXPECT_EQ(panel->Text1->text(), "7040");
    EXPECT_EQ(panel->Text3->text(), "7040");
    EXPECT_EQ(panel->step_hz, 200);
}

TEST_F(GoTo, DisplayWithoutANumberOrTooFarAwayIsRefusedBeforeAnythingIsSent)
{
    chooseModel(1);
    QSignalSpy failures(panel.get(), &Corvane::actionFailed);
    displays("");
    EXPECT_THAT(press("7030"), IsEmpty());
    ASSERT_EQ(failures.size(), 1);
    EXPECT_EQ(failures.takeLast().at(0).toString(), "Xmit freq \"\" is not a number");

    displays("1e12");
    EXPECT_THAT(press("7030"), IsEmpty());
    ASSERT_EQ(failures.size(), 1);
    EXPECT_EQ(failures.takeLast().at(0).toString(),
              "the step count from \"1e12\" to \"7030\" is out of range -2147483648..2147483647");

    // With RIT on the whole difference goes as 50 Hz steps, four to a coarse step.
    panel->RIT_ON->setChecked(true);
    panel->Text3->setText(QStringLiteral("2e8"));
    EXPECT_THAT(press("7030"), IsEmpty());
    EXPECT_EQ(failures.size(), 1);
    EXPECT_EQ(panel->Text3->text(), "2e8");
}
