// Model selection, the keypad and the preset keys: they set the record and the
// entry, and never touch the rig.
#include "support/PanelTest.h"
#include "support/RowName.h"

#include <QTest>

#include <map>

using ::testing::IsEmpty;

namespace {

struct ModelRow {
    const char* proves;
    int row;
    const char* display;
    int16_t qrp;
    double w1aw, chu, wwv;
    const char *chuText, *wwvText, *qrpText, *w1awText;
};

const ModelRow modelRows[] = {
    {"KRV_80", 0, "3560", 3560, 3581.5, 3330.8, 5000.8, " 3330.8", " 5000.8", " 3560", " 3581.5"},
    {"KRV_40", 1, "7040", 7040, 7047.5, 7335.8, 10000.8, " 7335.8", " 10000.8", " 7040", " 7047.5"},
    {"KRV_30 shares the KRV_40 W1AW", 2, "10110", 10110, 7047.5, 7334.2, 9999.2, " 7334.2", " 9999.2", " 10110",
     " 7047.5"},
    {"KRV_20", 3, "14060", 14060, 14047.5, 14669.2, 14999.2, " 14669.2", " 14999.2", " 14060", " 14047.5"},
};

class ModelChoice : public PanelTest, public ::testing::WithParamInterface<ModelRow> {};

TEST_P(ModelChoice, SetsDisplaysPresetsAndLimitsWithoutPortTraffic)
{
    const ModelRow& m = GetParam();
    chooseModel(m.row);
    EXPECT_EQ(panel->Text1->text(), m.display);
    EXPECT_EQ(panel->Text3->text(), m.display);
    EXPECT_EQ(panel->preset_qrp, m.qrp);
    EXPECT_EQ(panel->preset_w1aw, m.w1aw);
    EXPECT_EQ(panel->preset_chu, m.chu);
    EXPECT_EQ(panel->preset_wwv, m.wwv);
    EXPECT_EQ(panel->tune_low, 540);
    EXPECT_EQ(panel->tune_high, 25000);
    EXPECT_THAT(traffic(), IsEmpty());

    const std::pair<QPushButton*, const char*> presets[] = {
        {panel->Command28, m.chuText}, {panel->Command29, m.wwvText},
        {panel->Command30, m.qrpText}, {panel->Command31, m.w1awText},
    };
    for (const auto& [key, text] : presets) {
        panel->Text5->setText(QStringLiteral("70"));
        key->click();
        EXPECT_EQ(panel->Text5->text(), text) << key->objectName().toStdString();
    }
    EXPECT_THAT(traffic(), IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(Rows, ModelChoice, ::testing::ValuesIn(modelRows), RowName());

} // namespace

using Model = PanelTest;

TEST_F(Model, ChoosingAgainResetsTheDisplaysAndLeavesStepRitSpeedAndCount)
{
    chooseModel(0);
    panel->RIT_ON->setChecked(true);
    panel->speed->setCurrentRow(0);
    panel->Text3->setText(QStringLiteral("3561.35"));
    panel->nsteps = 17;
    traffic();
    chooseModel(1);
    EXPECT_EQ(panel->Text1->text(), "7040");
    EXPECT_EQ(panel->Text3->text(), "7040");
    EXPECT_TRUE(panel->RIT_ON->isChecked());
    EXPECT_EQ(panel->step_hz, 50);
    EXPECT_EQ(panel->Text2->text(), " 50 Hz steps R");
    EXPECT_EQ(panel->enc_delay, 4);
    EXPECT_EQ(panel->nsteps, 17);
    EXPECT_THAT(traffic(), IsEmpty());
}

TEST_F(Model, ArrowKeysChooseAModelJustAsAClickDoes)
{
    panel->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(panel.get()));
    panel->KRV->setFocus();
    const std::map<QString, QString> displayOf = {
        {"KRV-80", "3560"}, {"KRV-40", "7040"}, {"KRV-30", "10110"}, {"KRV-20", "14060"}};
    for (int press = 0; press < 2; ++press) {
        QTest::keyClick(panel->KRV, Qt::Key_Down);
        ASSERT_EQ(panel->KRV->selectedItems().size(), 1);
        EXPECT_EQ(panel->Text1->text(), displayOf.at(panel->KRV->selectedItems().first()->text()));
    }
    EXPECT_NE(panel->KRV->selectedItems().first()->text(), "KRV-20");
    QTest::mouseClick(panel->KRV->viewport(), Qt::LeftButton, {},
                      panel->KRV->visualItemRect(panel->KRV->item(3)).center());
    EXPECT_EQ(panel->Text1->text(), "14060");
    EXPECT_THAT(traffic(), IsEmpty());
}

TEST_F(Model, TypingIntoControlsRunsNothing)
{
    panel->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(panel.get()));
    QSignalSpy failures(panel.get(), &Corvane::actionFailed);
    // Enter in the entry is "E", which sends nothing for "9x" and reports it.
    for (QWidget* w : {static_cast<QWidget*>(panel->Port), static_cast<QWidget*>(panel->Encoder),
                       static_cast<QWidget*>(panel->Text5)}) {
        w->setFocus();
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("9x"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    }
    EXPECT_THAT(traffic(), IsEmpty());
    ASSERT_EQ(failures.size(), 1);
    EXPECT_EQ(failures.at(0).at(0).toString(), "Freq entry \"9x\" is not a number");
    EXPECT_EQ(panel->Port->currentText(), "8889x");
    EXPECT_EQ(panel->Port->count(), 5); // nothing added to the list
}

using Keypad = PanelTest;

TEST_F(Keypad, KeysAppendAtTheEndWhateverTheEntryHolds)
{
    for (QPushButton* key : {panel->Command15, panel->Command24, panel->Command23, panel->Command24,
                             panel->Command25, panel->Command19})
        key->click();
    EXPECT_EQ(panel->Text5->text(), "7030.5");
    panel->Command25->click();
    panel->Command25->click();
    EXPECT_EQ(panel->Text5->text(), "7030.5..");

    panel->Text5->setText(QStringLiteral("typed"));
    panel->Text5->setCursorPosition(0);
    panel->Command21->click();
    EXPECT_EQ(panel->Text5->text(), "typed1");

    const std::pair<QPushButton*, char> keys[] = {
        {panel->Command15, '7'}, {panel->Command16, '8'}, {panel->Command17, '9'}, {panel->Command18, '4'},
        {panel->Command19, '5'}, {panel->Command20, '6'}, {panel->Command21, '1'}, {panel->Command22, '2'},
        {panel->Command23, '3'}, {panel->Command24, '0'}, {panel->Command25, '.'},
    };
    panel->Command27->click();
    std::string expected;
    for (const auto& [key, c] : keys) {
        key->click();
        expected += c;
    }
    EXPECT_EQ(panel->Text5->text().toStdString(), expected);
    EXPECT_THAT(traffic(), IsEmpty());
}

TEST_F(Keypad, ClearEmptiesTheEntryAndNothingElse)
{
    chooseModel(1);
    panel->Command27->click();
    EXPECT_EQ(panel->Text5->text(), "");
    panel->Command28->click();
    panel->Command27->click();
    EXPECT_EQ(panel->Text5->text(), "");
    EXPECT_EQ(panel->Text1->text(), "7040");
    EXPECT_THAT(traffic(), IsEmpty());
}

TEST_F(Keypad, DigitsAfterAPresetKeepItsLeadingBlank)
{
    chooseModel(0);
    panel->Command28->click();
    panel->Command19->click();
    EXPECT_EQ(panel->Text5->text(), " 3330.85");
}

using Presets = PanelTest;

TEST_F(Presets, BeforeAnyModelEveryPresetWritesBlankZero)
{
    for (QPushButton* key : {panel->Command28, panel->Command29, panel->Command30, panel->Command31}) {
        panel->Text5->setText(QStringLiteral("7030"));
        key->click();
        EXPECT_EQ(panel->Text5->text(), " 0");
    }
}

TEST_F(Presets, ChoosingAnotherModelLeavesTheEntryUntilTheNextPreset)
{
    chooseModel(0);
    panel->Command29->click();
    chooseModel(3);
    EXPECT_EQ(panel->Text5->text(), " 5000.8");
    panel->Command29->click();
    EXPECT_EQ(panel->Text5->text(), " 14999.2");
}
