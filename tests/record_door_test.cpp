// The record's one door: its guard, Take, remote moves that settle, and every
// way in at random against the simulated rig.
#include "panel/RecordDoor.h"
#include "rigctl/PanelRig.h"
#include "support/PanelTest.h"
#include "support/RigPanel.h"
#include "support/RowName.h"

#include <QTest>

#include <random>

namespace
{

struct GuardRow {
    const char* proves;
    int model; // row in the list, -1: none chosen
    double khz;
    const char* refusal; // a part of the reason, nullptr: accepted
};

const GuardRow guardRows[] = {
    {"no model refuses all, and says so", -1, 7040, "choose the rig model first"},
    {"on the 50 Hz grid passes", 1, 7040.05, nullptr},
    {"off the grid is refused", 1, 7040.02, "50 Hz grid"},
    {"below 540 kHz is refused", 1, 539.95, "540..25000 kHz"},
    {"above 25000 kHz is refused", 2, 25000.05, "540..25000 kHz"},
    {"a heard 57040.2 is refused", 1, 57040.2, "540..25000 kHz"},
};

class Guard : public PanelTest, public ::testing::WithParamInterface<GuardRow>
{
};

TEST_P(Guard, AcceptsWhatEWouldTuneToAndSaysWhyNot)
{
    const GuardRow& row = GetParam();
    if (row.model >= 0)
        chooseModel(row.model);
    const std::optional<QString> why = panel->door().refusal(row.khz);
    if (!row.refusal)
        EXPECT_FALSE(why) << why->toStdString();
    else
        EXPECT_THAT(why.value_or(QString()).toStdString(), ::testing::HasSubstr(row.refusal));
}
INSTANTIATE_TEST_SUITE_P(Rows, Guard, ::testing::ValuesIn(guardRows), RowName());

struct TakeRow {
    const char* proves;
    bool rit;
    int64_t rigHz;
    const char *xmit, *rcv; // afterwards
    bool refused;
};

const TakeRow takeRows[] = {
    {"RIT off: both displays", false, 7041000, "7041", "7041", false},
    {"RIT on: receive keeps its offset", true, 7041000, "7041", "7041.25", false},
    {"impossible: refused, the record stays", false, 57040200, "7040", "7040", true},
    {"off the grid: refused", false, 7040020, "7040", "7040", true},
};

class Take : public PanelTest, public ::testing::WithParamInterface<TakeRow>
{
};

TEST_P(Take, SetsOnlyWhatAHandEditCouldAndNothingGoesToThePort)
{
    const TakeRow& row = GetParam();
    chooseModel(1);
    if (row.rit) {
        panel->RIT_ON->click();
        for (int step = 0; step < 5; ++step)
            panel->Command3->click(); // receive 250 Hz above, in 50 Hz steps
    }
    traffic();
    QSignalSpy failures(panel.get(), &Corvane::actionFailed);
    record::RecordDoor& door = panel->door();
    door.ask([&] { door.take(row.rigHz); });
    EXPECT_TRUE(QTest::qWaitFor([&] { return !panel->busy() && panel->runner().waiting() == 0; }));
    EXPECT_EQ(panel->Text1->text(), row.xmit);
    EXPECT_EQ(panel->Text3->text(), row.rcv);
    EXPECT_EQ(failures.size(), row.refused ? 1 : 0);
    EXPECT_THAT(traffic(), ::testing::IsEmpty());
}
INSTANTIATE_TEST_SUITE_P(Rows, Take, ::testing::ValuesIn(takeRows), RowName());

using RemoteMove = PanelTest;

TEST_F(RemoteMove, ANudgeSupersededBeforeItsTurnPlaysNothing)
{
    // A logging program's connect: the frequency nudged, then put back at once.
    chooseModel(1);
    rigctl::PanelRig remote(*panel);
    traffic();
    ASSERT_TRUE(remote.tune(7'040'055, nullptr));
    ASSERT_TRUE(remote.tune(7'040'000, nullptr));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !remote.settling() && !panel->busy() && panel->runner().waiting() == 0; }));
    EXPECT_THAT(traffic(), ::testing::IsEmpty());
    ASSERT_TRUE(remote.tune(7'040'200, nullptr));
    EXPECT_TRUE(QTest::qWaitFor([&] { return panel->Text1->text() == "7040.2"; }));
}

// Every way in, at random, against the simulated rig: the operator keeps the
// rig where the panel believes it (choosing a model, correcting a display and
// taking a heard frequency are all statements about where the rig is).
TEST(RecordDoorProperty, EveryWayInKeepsTheRecordTheRigsAndAcceptable)
{
    for (uint32_t seed = 0; seed < 6; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::mt19937 random(seed);
        const auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
        RigPanel bench(RigSettings{});
        Corvane& p = bench.panel;
        rigctl::PanelRig remote(p);
        record::RecordDoor& door = p.door();
        p.KRV->setCurrentRow(1);
        std::string log;
        for (int op = 0; op < 40; ++op) {
            const int64_t near = bench.rig.state().txHz + (pick(81) - 40) * 50 + (pick(4) == 0 ? 20 : 0);
            const int64_t wild = pick(3) == 0 ? 57'040'200 : near;
            switch (pick(8)) {
            case 0:
                log += " step";
                (pick(2) ? p.Command3 : p.Command6)->click();
                break;
            case 1:
                log += " E" + std::to_string(wild);
                p.Text5->setText(numtext::toText(static_cast<double>(wild) / 1000));
                p.Command26->click();
                break;
            case 2: { // a hand edit: the operator read the rig's own dial
                if (p.RIT_ON->isChecked())
                    break;
                log += " edit" + std::to_string(wild);
                if (!door.refusal(static_cast<double>(wild) / 1000))
                    bench.rig.tuneTo(static_cast<int32_t>(wild));
                QLineEdit* display = pick(2) ? p.Text3 : p.Text1;
                display->selectAll();
                display->insert(numtext::toText(static_cast<double>(wild) / 1000));
                door.commitEdit(display == p.Text1 ? record::Display::transmit : record::Display::receive);
                break;
            }
            case 3:
                log += " F" + std::to_string(wild);
                (void)remote.tune(static_cast<double>(wild), nullptr);
                (void)QTest::qWaitFor([&] { return !remote.settling(); });
                break;
            case 4:
                if (p.RIT_ON->isChecked())
                    break;
                log += " take" + std::to_string(wild);
                if (!door.refusal(static_cast<double>(wild) / 1000))
                    bench.rig.tuneTo(static_cast<int32_t>(wild));
                door.ask([&door, wild] { door.take(wild); });
                break;
            case 5:
                log += " RIT";
                (p.RIT_ON->isChecked() ? p.RIT_OFF : p.RIT_ON)->click();
                break;
            case 6:
                log += " size";
                p.Command2->click();
                break;
            case 7: {
                const int row = pick(4);
                log += " model" + std::to_string(row);
                if (p.KRV->currentRow() != row && !p.RIT_ON->isChecked()) {
                    const int32_t qrp[] = {3'560'000, 7'040'000, 10'110'000, 14'060'000};
                    bench.rig.tuneTo(qrp[row]);
                    p.KRV->setCurrentRow(row);
                }
                break;
            }
            }
            (void)QTest::qWaitFor([&] { return !p.busy() && p.runner().waiting() == 0; });
            const RigState& rig = bench.rig.state();
            const std::optional<record::Record> now = door.record();
            ASSERT_TRUE(now) << log;
            ASSERT_EQ(now->transmitHz, rig.txHz) << log;
            ASSERT_EQ(now->receiveHz, rig.rxHz) << log;
            ASSERT_EQ(now->rit, rig.rit) << log;
            ASSERT_FALSE(door.refusal(static_cast<double>(now->transmitHz) / 1000)) << log;
            ASSERT_FALSE(door.refusal(static_cast<double>(now->receiveHz) / 1000)) << log;
        }
    }
}

} // namespace
