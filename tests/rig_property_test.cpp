// The panel's record against the rig's truth: after any sequence of operator
// actions, the rig's receive frequency is the number in Text3 and its transmit
// frequency the number in Text1, to the Hz, when the rig started on the
// displays' frequency and the panel's Encoder matches the rig's encoder. Its
// RIT and step follow the panel's too, it never sees both lines jump, and an
// entry that "E" takes lands it exactly there.
#include "support/RigPanel.h"

#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

namespace {

constexpr const char* portTexts[] = {"888", "632", "956", "264", "4264"};

enum class Action {
    Step,
    Step5k,
    Speed,
    StepSize,
    RitOn,
    RitOff,
    Model,
    Key,
    GoNear,
    Preset,
    Enter,
    Annunciate
};

// How often each action comes up. Long runs cost time (a few hundred
// sequences must take seconds), so 5000 steps and presets, which may lie
// thousands of kHz away, come up about once per 50 sequences each.
constexpr std::pair<Action, double> actionWeights[] = {
    {Action::Step, 20},   {Action::Step5k, 0.1}, {Action::Speed, 3}, {Action::StepSize, 6},
    {Action::RitOn, 5},   {Action::RitOff, 5},   {Action::Model, 2}, {Action::Key, 4},
    {Action::GoNear, 12}, {Action::Preset, 0.1}, {Action::Enter, 2}, {Action::Annunciate, 2},
};

// What the sequences did, so that a block can show it tested something.
struct Tally {
    int entriesThatTuned = 0;
    int ritSteps = 0;
    int fiftyHertzSteps = 0;
};

class Operator {
public:
    // throughGpio: the panel drives a GPIO chip the rig listens on, with a
    // random choice of lines active-low.
    explicit Operator(uint32_t seed, bool throughGpio = false)
        : random_(seed), port_(portTexts[pick(std::size(portTexts))]),
          kind_(pick(2) == 0 ? rules::Encoder::halfCycles : rules::Encoder::wholeCycles), model_(pick(4)),
          bench_(RigSettings{static_cast<int16_t>(std::stoi(port_)), modelHz(model_), kind_},
                 throughGpio ? std::optional<unsigned>(pick(16)) : std::nullopt)
    {
        std::vector<double> weights;
        for (const auto& [action, weight] : actionWeights)
            weights.push_back(weight);
        choose_ = std::discrete_distribution<size_t>(weights.begin(), weights.end());
        Corvane& p = bench_.panel;
        p.Port->setCurrentText(QLatin1String(port_));
        p.Encoder->setCurrentText(kind_ == rules::Encoder::halfCycles ? QStringLiteral("1")
                                                                      : QStringLiteral("2"));
        p.KRV->setCurrentRow(model_);
        log_ = std::string("port ") + port_ + ", encoder " +
               (kind_ == rules::Encoder::halfCycles ? "1" : "2") + ", " +
               p.KRV->item(model_)->text().toStdString() + ":";
    }

    void act(Tally& tally)
    {
        Corvane& p = bench_.panel;
        const RigState before = bench_.rig.state();
        bool entered = false;
        switch (actionWeights[choose_(random_)].first) {
        case Action::Step: {
            // Up and down in pairs: 1, 5, 25, 125 and 500 steps.
            QPushButton* const buttons[] = {p.Command3, p.Command4, p.Command5,  p.Command6,  p.Command7,
                                            p.Command8, p.Command9, p.Command10, p.Command11, p.Command12};
            click(buttons[2 * stepCount_(random_) + static_cast<size_t>(pick(2))]);
            if (p.RIT_ON->isChecked())
                ++tally.ritSteps;
            else if (p.step_hz == 50)
                ++tally.fiftyHertzSteps;
            break;
        }
        case Action::Step5k:
            click(pick(2) == 0 ? p.Command13 : p.Command14);
            break;
        case Action::Speed:
            p.speed->setCurrentRow(pick(2));
            log_ += " speed" + std::to_string(p.speed->currentRow());
            break;
        case Action::StepSize:
            click(p.Command2);
            break;
        case Action::RitOn:
            click(p.RIT_ON);
            break;
        case Action::RitOff:
            click(p.RIT_OFF);
            break;
        case Action::Model:
            chooseAnotherModel();
            break;
        case Action::Key:
            typeOnKeypad(QStringLiteral("0123456789.C").at(pick(12)));
            break;
        case Action::GoNear:
            goNear();
            entered = true;
            break;
        case Action::Preset: {
            QPushButton* const presets[] = {p.Command28, p.Command29, p.Command30, p.Command31};
            click(presets[pick(std::size(presets))]);
            click(p.Command26);
            entered = true;
            break;
        }
        case Action::Enter:
            click(p.Command26);
            entered = true;
            break;
        case Action::Annunciate:
            click(p.Command1);
            break;
        }
        if (entered && bench_.rig.state() != before)
            ++tally.entriesThatTuned;
    }

    ::testing::AssertionResult agrees() const
    {
        const Corvane& p = bench_.panel;
        const RigState& rig = bench_.rig.state();
        const int64_t tx = displayHz(p.Text1);
        const int64_t rx = displayHz(p.Text3);
        if (tx == rig.txHz && rx == rig.rxHz && rig.rit == p.RIT_ON->isChecked() &&
            rig.stepHz == p.tr_step_hz && bench_.rig.badTransitions() == 0 && missed_ == 0)
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure()
               << "panel " << p.Text1->text().toStdString() << '/' << p.Text3->text().toStdString()
               << " step " << p.tr_step_hz << (p.RIT_ON->isChecked() ? " RIT on" : " RIT off") << ", rig "
               << rig.txHz << '/' << rig.rxHz << " step " << rig.stepHz << (rig.rit ? " RIT on" : " RIT off")
               << ", " << bench_.rig.badTransitions() << " bad transitions, missed entry " << missed_
               << " Hz\nafter " << log_;
    }

private:
    int pick(size_t n) { return std::uniform_int_distribution<int>(0, static_cast<int>(n) - 1)(random_); }

    static int32_t modelHz(int row) { return rules::models.at(static_cast<size_t>(row)).qrpHz(); }

    void click(QAbstractButton* button)
    {
        button->click();
        log_ += ' ' + button->text().trimmed().toStdString();
    }

    // The panel sets its displays to the model's frequency and tells the rig
    // nothing, so the rig is put there by hand, as its operator would.
    void chooseAnotherModel()
    {
        model_ = (model_ + 1 + pick(3)) % 4;
        bench_.panel.KRV->setCurrentRow(model_);
        bench_.rig.tuneTo(modelHz(model_));
        log_ += " model" + std::to_string(model_);
    }

    void typeOnKeypad(QChar c)
    {
        Corvane& p = bench_.panel;
        QPushButton* const keys[] = {p.Command24, p.Command21, p.Command22, p.Command23,
                                     p.Command18, p.Command19, p.Command20, p.Command15,
                                     p.Command16, p.Command17, p.Command25, p.Command27};
        const qsizetype index = QStringLiteral("0123456789.C").indexOf(c);
        click(keys[index]);
    }

    // Types a frequency within 10 kHz of the one "E" starts from, on the 50 Hz
    // grid three times in four and on the 10 Hz grid otherwise, and enters it.
    // An entry that "E" takes must land the rig on it exactly: agreement alone
    // would pass a panel that stepped both itself and the rig to the wrong place.
    void goNear()
    {
        Corvane& p = bench_.panel;
        const int64_t from = displayHz(p.RIT_ON->isChecked() ? p.Text3 : p.Text1);
        const int64_t grid = pick(4) == 0 ? 10 : 50;
        const int64_t offset = std::uniform_int_distribution<int64_t>(-10'000, 10'000)(random_) / grid * grid;
        // Stepped far down, the rig may stand below 10 kHz; the keypad has no minus.
        const int64_t target = std::max<int64_t>(from + offset, 0);
        typeOnKeypad(u'C');
        for (QChar c : numtext::toText(static_cast<double>(target) / 1000))
            typeOnKeypad(c);
        click(p.Command26);
        const RigState& rig = bench_.rig.state();
        if (target % 50 == 0 && target >= 540'000 && target <= 25'000'000 &&
            (p.RIT_ON->isChecked() ? rig.rxHz : rig.txHz) != target)
            missed_ = target;
    }

    std::mt19937 random_;
    std::discrete_distribution<size_t> choose_;
    std::discrete_distribution<size_t> stepCount_{4, 4, 3, 1, 0.3};
    const char* port_;
    rules::Encoder kind_;
    int model_;
    RigPanel bench_;
    std::string log_;
    int64_t missed_ = 0; // an entry "E" did not land on
};

constexpr uint32_t sequencesPerBlock = 50;
constexpr int actionsPerSequence = 25;

class RigAgreement : public ::testing::TestWithParam<uint32_t> {};
class RigAgreementThroughGpio : public ::testing::TestWithParam<uint32_t> {};

void runBlock(uint32_t block, bool throughGpio)
{
    Tally tally;
    for (uint32_t seed = block * sequencesPerBlock; seed < (block + 1) * sequencesPerBlock; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        Operator op(seed, throughGpio);
        ASSERT_TRUE(op.agrees());
        for (int i = 0; i < actionsPerSequence; ++i) {
            op.act(tally);
            ASSERT_TRUE(op.agrees());
        }
    }
    // The property holds for nothing if the sequences never tuned.
    EXPECT_GT(tally.entriesThatTuned, 0);
    EXPECT_GT(tally.ritSteps, 0);
    EXPECT_GT(tally.fiftyHertzSteps, 0);
}

std::string seedBlockName(const ::testing::TestParamInfo<uint32_t>& block)
{
    const uint32_t first = block.param * sequencesPerBlock;
    return "seeds_" + std::to_string(first) + "_to_" + std::to_string(first + sequencesPerBlock - 1);
}

} // namespace

TEST_P(RigAgreement, PanelDisplaysAreTheRigsFrequenciesAfterAnyActions)
{
    runBlock(GetParam(), false);
}

TEST_P(RigAgreementThroughGpio, PanelDisplaysAreTheRigsFrequenciesAfterAnyActions)
{
    runBlock(GetParam(), true);
}

INSTANTIATE_TEST_SUITE_P(Seeds, RigAgreement, ::testing::Range(0u, 6u), seedBlockName);
// Fewer blocks: the sequences are the same, only the road to the rig differs.
INSTANTIATE_TEST_SUITE_P(Seeds, RigAgreementThroughGpio, ::testing::Range(0u, 2u), seedBlockName);
