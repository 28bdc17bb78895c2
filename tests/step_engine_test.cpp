// Encoder phase sequences, the step engine and the step buttons.
#include "support/PanelTest.h"
#include "support/RowName.h"

#include <QTest>

using ::testing::ElementsAre;
using ::testing::Each;
using ::testing::StartsWith;

namespace {

struct PhaseRow {
    const char* proves;
    void (Corvane::*routine)();
    bool encHighBefore;
    std::vector<std::string> traffic;
    bool encHighAfter;
};

const PhaseRow phaseRows[] = {
    {"up1a A falls first from both high", &Corvane::up1a, true,
     {"out 888 251", "wait 3", "out 888 243", "wait 3"}, false},
    {"up1b B rises first from both low", &Corvane::up1b, false,
     {"out 888 247", "wait 3", "out 888 255", "wait 3"}, true},
    {"dn1a B falls first from both high", &Corvane::dn1a, true,
     {"out 888 247", "wait 3", "out 888 243", "wait 3"}, false},
    {"dn1b A rises first from both low", &Corvane::dn1b, false,
     {"out 888 251", "wait 3", "out 888 255", "wait 3"}, true},
    {"up2 whole cycle leaves the flag alone", &Corvane::up2, false,
     {"out 888 251", "wait 3", "out 888 243", "wait 3", "out 888 247", "wait 3", "out 888 255", "wait 3"}, false},
    {"dn2 whole cycle leaves the flag alone", &Corvane::dn2, true,
     {"out 888 247", "wait 3", "out 888 243", "wait 3", "out 888 251", "wait 3", "out 888 255", "wait 3"}, true},
};

class PhaseSequence : public PanelTest, public ::testing::WithParamInterface<PhaseRow> {};

TEST_P(PhaseSequence, WritesItsBytesWithAWaitAfterEach)
{
    const PhaseRow& row = GetParam();
    panel->enc_high = row.encHighBefore;
    std::vector<bool> flagAtWait;
    timer.onWait = [&](int16_t) { flagAtWait.push_back(panel->enc_high); };
    (panel.get()->*row.routine)();
    EXPECT_EQ(traffic(), row.traffic);
    EXPECT_EQ(panel->enc_high, row.encHighAfter);
    // Encoder 1 sets the flag after the second write, before the second wait.
    if (row.traffic.size() == 4) {
        EXPECT_EQ(flagAtWait, (std::vector<bool>{row.encHighBefore, row.encHighAfter}));
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, PhaseSequence, ::testing::ValuesIn(phaseRows), RowName());

} // namespace

class StepEngine : public PanelTest {
protected:
    StepEngine()
    {
        panel->Text1->setText(QStringLiteral("7040"));
        panel->Text3->setText(QStringLiteral("7040"));
    }
};

TEST_F(StepEngine, OneUpStepMovesBothDisplaysAndShowsTheReadout)
{
    panel->nsteps = -1;
    panel->dosteps();
    EXPECT_THAT(traffic(), ElementsAre("out 888 251", "wait 3", "out 888 243", "wait 3", "in 888 243"));
    EXPECT_EQ(panel->nsteps, 0);
    EXPECT_FALSE(panel->enc_high);
    EXPECT_EQ(panel->Text3->text(), "7040.2");
    EXPECT_EQ(panel->Text1->text(), "7040.2");
    EXPECT_EQ(panel->Text4->text(), "00B");
}

TEST_F(StepEngine, OddEncoderOneRunThenEncoderTwoRunStartsWithItsFirstByte)
{
    panel->nsteps = 3;
    panel->dosteps();
    EXPECT_FALSE(panel->enc_high);
    EXPECT_EQ(panel->Text4->text(), "00B");
    traffic();
    panel->Encoder->setCurrentText(QStringLiteral("2"));
    panel->nsteps = -1;
    panel->dosteps();
    EXPECT_THAT(traffic(), ElementsAre("out 888 251", "wait 3", "out 888 243", "wait 3", "out 888 247", "wait 3",
                                       "out 888 255", "wait 3", "in 888 255"));
    EXPECT_FALSE(panel->enc_high);
    EXPECT_EQ(panel->Text3->text(), "7039.6");
}

TEST_F(StepEngine, UpFiveThousandStepsEndsExactlyAThousandKilohertzUp)
{
    panel->Command13->click();
    const TrafficLog lines = traffic();
    ASSERT_EQ(lines.size(), 20001u);
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](auto& l) { return l.rfind("out 888 ", 0) == 0; }),
              10000);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "wait 3"), 10000);
    EXPECT_EQ(lines.back(), "in 888 255");
    EXPECT_EQ(panel->Text3->text(), "8040");
    EXPECT_EQ(panel->Text1->text(), "8040");
    EXPECT_EQ(panel->nsteps, 0);
    EXPECT_TRUE(panel->enc_high);
}

TEST_F(StepEngine, RitOnMovesOnlyTheReceiveDisplay)
{
    panel->RIT_ON->setChecked(true);
    panel->Text3->setText(QStringLiteral("7040.2"));
    panel->Encoder->setCurrentText(QStringLiteral("2"));
    traffic();
    panel->nsteps = 3;
    panel->dosteps();
    EXPECT_EQ(panel->Text3->text(), "7040.05");
    EXPECT_EQ(panel->Text1->text(), "7040");
    EXPECT_EQ(traffic().size(), 3u * 8 + 1);
}

TEST_F(StepEngine, HighSpeedUsesIndexFourInEveryWait)
{
    panel->speed->setCurrentRow(0);
    EXPECT_EQ(panel->enc_delay, 4);
    panel->Command7->click();
    TrafficLog waits;
    for (const std::string& l : traffic())
        if (l.rfind("wait", 0) == 0)
            waits.push_back(l);
    EXPECT_EQ(waits.size(), 50u);
    EXPECT_THAT(waits, Each(std::string("wait 4")));
    panel->speed->setCurrentRow(1);
    EXPECT_EQ(panel->enc_delay, 3);
}

TEST_F(StepEngine, ZeroCountOrUnknownEncoderMakesNoStepButRefreshesTheReadout)
{
    panel->nsteps = 0;
    panel->dosteps();
    EXPECT_THAT(traffic(), ElementsAre("in 888 255"));
    for (const char* kind : {"3", " 1", "1 ", ""}) {
        panel->Encoder->setCurrentText(QString::fromLatin1(kind));
        panel->nsteps = -4;
        panel->dosteps();
        EXPECT_THAT(traffic(), ElementsAre("in 888 255")) << kind;
        EXPECT_EQ(panel->nsteps, -4) << kind;
    }
    EXPECT_EQ(panel->Text3->text(), "7040");
}

TEST_F(StepEngine, ReceiveDisplayWithoutANumberStopsAfterTheFirstStepsPulses)
{
    QSignalSpy failures(panel.get(), &Corvane::actionFailed);
    panel->Text3->clear();
    panel->Command5->click();
    EXPECT_THAT(traffic(), ElementsAre("out 888 251", "wait 3", "out 888 243", "wait 3"));
    EXPECT_EQ(panel->nsteps, -4);
    ASSERT_EQ(failures.size(), 1);
    EXPECT_EQ(failures.at(0).at(0).toString(), "Rcv freq \"\" is not a number");
    EXPECT_EQ(panel->Text1->text(), "7040");
}

TEST_F(StepEngine, PortOfLettersStopsTheRunAtTheFirstWrite)
{
    panel->Port->setCurrentText(QStringLiteral("abc"));
    EXPECT_THROW(panel->Command4_Click(), numtext::ConversionError);
    EXPECT_TRUE(traffic().empty());
    EXPECT_EQ(panel->nsteps, 1);
    EXPECT_TRUE(panel->enc_high);
}

TEST_F(StepEngine, EveryStepButtonStoresItsCountAndCallsTheEngine)
{
    const std::pair<QPushButton*, int> buttons[] = {
        {panel->Command3, -1},    {panel->Command4, 1},      {panel->Command5, -5},   {panel->Command6, 5},
        {panel->Command7, -25},   {panel->Command8, 25},     {panel->Command9, -125}, {panel->Command10, 125},
        {panel->Command11, -500}, {panel->Command12, 500},   {panel->Command13, -5000},
        {panel->Command14, 5000},
    };
    // With an encoder text that makes no step, the stored count stays to be
    // seen, and the click says why nothing moved.
    QSignalSpy failures(panel.get(), &Corvane::actionFailed);
    panel->Encoder->setCurrentText(QStringLiteral("none"));
    for (const auto& [button, count] : buttons) {
        panel->nsteps = 77;
        button->click();
        EXPECT_EQ(panel->nsteps, count) << button->objectName().toStdString();
        EXPECT_THAT(traffic(), ElementsAre("in 888 255"));
        ASSERT_EQ(failures.size(), 1) << button->objectName().toStdString();
        EXPECT_EQ(failures.takeFirst().at(0).toString(),
                  "Encoder \"none\": the encoder kind is 1 or 2; nothing was sent");
    }
    EXPECT_EQ(panel->Text3->text(), "7040");
}

TEST_F(StepEngine, SpeedTextOtherThanHighOrLowLeavesTheDelay)
{
    panel->speed->item(0)->setText(QStringLiteral("Fast"));
    panel->speed->setCurrentRow(0);
    EXPECT_EQ(panel->enc_delay, 3);
}

class LongRun : public StepEngine {
protected:
    LongRun()
    {
        panel->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(panel.get()));
        QCoreApplication::processEvents();
        // Each look at the clock is 10 ms later than the last.
        panel->setDisplayClock([this] { return now += std::chrono::milliseconds(10); });
    }
    std::chrono::steady_clock::time_point now{};
};

namespace {
// Writes "paint" into the traffic log whenever the receive display is painted.
struct PaintLogger : QObject {
    explicit PaintLogger(TrafficLog& log) : log(log) {}
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint)
            log.push_back("paint");
        return false;
    }
    TrafficLog& log;
};
} // namespace

TEST_F(LongRun, DisplaysAreRepaintedBetweenStepsNeverWithinOne)
{
    PaintLogger logger(log);
    panel->Text3->installEventFilter(&logger);
    // A step takes its two waits, 10 ms; a look at the clock takes no time,
    // and so neither does a serving.
    panel->setDisplayClock([this] { return now; });
    timer.onWait = [this](int16_t) { now += std::chrono::milliseconds(5); };
    panel->Command11->click();
    const TrafficLog lines = traffic();
    int paints = 0, outsSoFar = 0;
    for (const std::string& l : lines) {
        if (l.rfind("out 888 ", 0) == 0)
            ++outsSoFar;
        if (l == "paint") {
            ++paints;
            EXPECT_EQ(outsSoFar % 2, 0) << "painted between the two line changes of a step";
        }
    }
    // 500 steps 10 ms apart: a paint every serving interval.
    EXPECT_EQ(paints, 500 * std::chrono::milliseconds(10) / ActionRunner::serveInterval);
    EXPECT_EQ(panel->Text3->text(), "7140");
}

TEST_F(LongRun, InputDuringARunWaitsUntilTheRunHasEnded)
{
    bool posted = false;
    timer.onWait = [&](int16_t) {
        if (posted)
            return;
        posted = true;
        const QPoint centre = panel->Command4->rect().center();
        const QPointF global = panel->Command4->mapToGlobal(centre);
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease})
            QCoreApplication::postEvent(panel->Command4, new QMouseEvent(type, centre, global, Qt::LeftButton,
                                                                         type == QEvent::MouseButtonPress
                                                                             ? Qt::LeftButton
                                                                             : Qt::NoButton,
                                                                         Qt::NoModifier));
    };
    panel->Command7->click();
    EXPECT_TRUE(posted);
    EXPECT_EQ(panel->Text3->text(), "7045"); // all 25 up, none down yet
    EXPECT_EQ(panel->nsteps, 0);
    timer.onWait = nullptr;
    QCoreApplication::processEvents();
    EXPECT_EQ(panel->Text3->text(), "7044.8"); // the waiting click ran after the run
}
