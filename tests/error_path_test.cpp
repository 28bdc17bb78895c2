// A failed conversion stops the handler where it happened; a direct call lets
// the error escape, a click reports it through actionFailed and the panel goes on.
#include "support/PanelTest.h"

#include <QTest>

using ::testing::ElementsAre;
using ::testing::IsEmpty;

using ErrorPath = PanelTest;

TEST_F(ErrorPath, DirectCallLetsTheConversionErrorEscape)
{
    setPort("abc");
    EXPECT_THROW(panel->RIT_ON_Click(), numtext::ConversionError);
    // What the handler did before its first port access stays done.
    EXPECT_EQ(panel->step_hz, 50);
    EXPECT_EQ(panel->Text2->text(), " 50 Hz steps R");
    EXPECT_THAT(traffic(), IsEmpty());
}

TEST_F(ErrorPath, FailedRitSwitchIsReportedAndLeavesTheOptionAndStepAsTheyWere)
{
    QSignalSpy failures(panel.get(), &Corvane::actionFailed);
    setPort("abc");
    panel->RIT_ON->setChecked(true);
    ASSERT_EQ(failures.size(), 1);
    EXPECT_EQ(failures.at(0).at(0).toString(), "Port \"abc\" is not a number");
    EXPECT_TRUE(panel->RIT_OFF->isChecked());
    EXPECT_EQ(panel->step_hz, 200);
    EXPECT_EQ(panel->step_khz, 0.2);
    EXPECT_EQ(panel->Text2->text(), "200 Hz steps T/R");
    EXPECT_THAT(traffic(), IsEmpty()) << "the option went back without running RIT OFF";

    setPort("888");
    panel->RIT_ON->setChecked(true);
    EXPECT_EQ(failures.size(), 1);
    EXPECT_THAT(traffic(), ElementsAre("in 890 244", "out 890 246"));
    setPort("abc");
    panel->RIT_OFF->setChecked(true);
    ASSERT_EQ(failures.size(), 2);
    EXPECT_TRUE(panel->RIT_ON->isChecked());
    EXPECT_EQ(panel->step_hz, 50);
    EXPECT_EQ(panel->step_khz, 0.05);
    EXPECT_EQ(panel->Text2->text(), " 50 Hz steps R");
    EXPECT_THAT(traffic(), IsEmpty());
}

TEST_F(ErrorPath, MouseClickReportsTheFailureWithThePortText)
{
    QSignalSpy failures(panel.get(), &Corvane::actionFailed);
    setPort("40000");
    panel->show();
    QTest::mouseClick(panel->Command1, Qt::LeftButton);
    ASSERT_EQ(failures.size(), 1);
    EXPECT_EQ(failures.at(0).at(0).toString(), "Port \"40000\" + 1 is out of range -32768..32767");
    EXPECT_THAT(traffic(), IsEmpty());
}

TEST_F(ErrorPath, RefusedWriteStopsTheHandlerAfterWhatItAlreadyWrote)
{
    TrafficLog log2;
    RecordingPort recording(log2);
    RefusingPort refusing(recording, 888);
    RecordingTimer timer2(log2);
    // Start-up writes 255 to 888 literally, so let it through first.
    struct Late : PortIo {
        PortIo* current;
        int16_t Inp32(int16_t a) override { return current->Inp32(a); }
        void Out32(int16_t a, int16_t v) override { current->Out32(a, v); }
    } late;
    late.current = &recording;
    Corvane p(late, timer2);
    late.current = &refusing;
    log2.clear();

    QSignalSpy failures(&p, &Corvane::actionFailed);
    p.Text3->setText(QStringLiteral("7040"));
    p.Command3->click();
    ASSERT_EQ(failures.size(), 1);
    EXPECT_EQ(failures.at(0).at(0).toString(), "no port at 888");
    EXPECT_TRUE(log2.empty());
    EXPECT_EQ(p.Text3->text(), "7040");
    EXPECT_EQ(p.nsteps, -1);
}
