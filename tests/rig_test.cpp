// The simulated rig: its encoder decoder driven by the panel's own phase
// routines, its key timing on a fake clock, RIT, what its port reads, and the
// order of its lines in the trace.
#include "app/ModelChoice.h"
#include "sim/RigCommandLine.h"
#include "sim/RigConsole.h"
#include "sim/SimulatedPc.h"
#include "support/FakeSystem.h"
#include "support/PanelTest.h"
#include "support/RigPanel.h"
#include "support/RowName.h"
#include "trace/Trace.h"

#include <QCommandLineParser>

#include <cstdio>
#include <cstdlib>
#include <sstream>

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using namespace std::chrono_literals;

namespace {

constexpr int32_t krv40Hz = 7'040'000;

RigSettings settingsAt(int16_t base, rules::Encoder kind = rules::Encoder::halfCycles)
{
    return {base, krv40Hz, kind};
}

// Everything the rig reported, in order.
struct RigEars {
    explicit RigEars(SimulatedRig& rig)
    {
        rig.onStateChanged = [this](const RigState& s) { changes.push_back(s); };
        rig.onAnnunciation = [this](const std::string& text) { annunciations.push_back(text); };
    }
    std::vector<RigState> changes;
    std::vector<std::string> annunciations;
};

using Routine = void (Corvane::*)();

struct DecoderRow {
    const char* proves;
    rules::Encoder kind;
    std::vector<Routine> routines;
    int32_t movedHz;
    size_t detents;
};

class RigDecoder : public ::testing::TestWithParam<DecoderRow> {};

} // namespace

TEST_P(RigDecoder, TurnsThePanelsPhaseRoutinesIntoDetents)
{
    const DecoderRow& row = GetParam();
    RigPanel bench(settingsAt(888, row.kind));
    RigEars ears(bench.rig);
    for (Routine routine : row.routines)
        (bench.panel.*routine)();
    EXPECT_EQ(bench.rig.state().txHz, krv40Hz + row.movedHz);
    EXPECT_EQ(bench.rig.state().rxHz, krv40Hz + row.movedHz);
    EXPECT_EQ(ears.changes.size(), row.detents);
    EXPECT_EQ(bench.rig.badTransitions(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, RigDecoder,
    ::testing::Values(
        DecoderRow{"half_cycle_up1a_is_a_detent_up", rules::Encoder::halfCycles, {&Corvane::up1a}, 200, 1},
        DecoderRow{"half_cycle_up1a_up1b_are_two",
                   rules::Encoder::halfCycles,
                   {&Corvane::up1a, &Corvane::up1b},
                   400,
                   2},
        DecoderRow{"half_cycle_dn1a_dn1b_are_two_down",
                   rules::Encoder::halfCycles,
                   {&Corvane::dn1a, &Corvane::dn1b},
                   -400,
                   2},
        DecoderRow{"half_cycle_up1a_dn1b_come_back",
                   rules::Encoder::halfCycles,
                   {&Corvane::up1a, &Corvane::dn1b},
                   0,
                   2},
        DecoderRow{"half_cycle_up2_is_two_detents", rules::Encoder::halfCycles, {&Corvane::up2}, 400, 2},
        DecoderRow{
            "half_cycle_dn2_is_two_detents_down", rules::Encoder::halfCycles, {&Corvane::dn2}, -400, 2},
        DecoderRow{"whole_cycle_up2_is_a_detent", rules::Encoder::wholeCycles, {&Corvane::up2}, 200, 1},
        DecoderRow{"whole_cycle_dn2_is_a_detent_down", rules::Encoder::wholeCycles, {&Corvane::dn2}, -200, 1},
        DecoderRow{"whole_cycle_half_is_no_detent", rules::Encoder::wholeCycles, {&Corvane::up1a}, 0, 0},
        DecoderRow{"whole_cycle_two_halves_are_one",
                   rules::Encoder::wholeCycles,
                   {&Corvane::up1a, &Corvane::up1b},
                   200,
                   1},
        DecoderRow{"whole_cycle_dn_halves_are_one_down",
                   rules::Encoder::wholeCycles,
                   {&Corvane::dn1a, &Corvane::dn1b},
                   -200,
                   1},
        DecoderRow{"whole_cycle_turned_back_half_way_is_none",
                   rules::Encoder::wholeCycles,
                   {&Corvane::up1a, &Corvane::dn1b},
                   0,
                   0}),
    RowName());

namespace {

struct LinesRow {
    const char* proves;
    rules::Encoder kind;
    std::vector<int16_t> bytes; // written to the data register in turn, from 255
    int32_t movedHz;
    int bad;
};

class RigLines : public ::testing::TestWithParam<LinesRow> {};

} // namespace

TEST_P(RigLines, DecodeOnlyOneLineChangingAtATime)
{
    const LinesRow& row = GetParam();
    FakeClock clock;
    SimulatedRig rig(settingsAt(888, row.kind), clock.reader());
    for (int16_t byte : row.bytes)
        rig.Out32(888, byte);
    EXPECT_EQ(rig.state().rxHz, krv40Hz + row.movedHz);
    EXPECT_EQ(rig.badTransitions(), row.bad);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, RigLines,
    ::testing::Values(
        LinesRow{"jump_of_both_lines_is_counted_not_turned", rules::Encoder::halfCycles, {243}, 0, 1},
        LinesRow{"jump_forgets_the_quarter_turned_before", rules::Encoder::halfCycles, {251, 247, 255}, 0, 1},
        LinesRow{"clean_half_cycle_after_a_jump_counts", rules::Encoder::halfCycles, {243, 247, 255}, 200, 1},
        LinesRow{"turned_back_before_the_detent_moves_nothing", rules::Encoder::halfCycles, {251, 255}, 0, 0},
        LinesRow{"rewriting_the_same_lines_is_no_transition",
                 rules::Encoder::halfCycles,
                 {255, 251, 251, 243},
                 200,
                 0},
        LinesRow{
            "other_data_bits_are_not_encoder_lines", rules::Encoder::halfCycles, {254, 250, 0x00f2}, 200, 0},
        LinesRow{"only_the_low_byte_is_written", rules::Encoder::halfCycles, {0x7ffb, 0x7ff3}, 200, 0},
        LinesRow{"whole_cycle_jump_across_the_far_side", rules::Encoder::wholeCycles, {251, 243, 255}, 0, 1},
        LinesRow{"whole_cycle_back_from_the_far_side_is_none",
                 rules::Encoder::wholeCycles,
                 {251, 243, 251, 255},
                 0,
                 0},
        LinesRow{"whole_cycle_two_cycles_down",
                 rules::Encoder::wholeCycles,
                 {247, 243, 251, 255, 247, 243, 251, 255},
                 -400,
                 0}),
    RowName());

namespace {

struct KeyRow {
    const char* proves;
    int16_t base;
    std::chrono::milliseconds held;
    int16_t stepAfter;
    bool annunciates;
};

class RigKey : public ::testing::TestWithParam<KeyRow> {};

} // namespace

TEST_P(RigKey, HeldForThreeHundredMillisecondsTogglesTheStepShorterAnnunciates)
{
    const KeyRow& row = GetParam();
    FakeClock clock;
    SimulatedRig rig(settingsAt(row.base), clock.reader());
    RigEars ears(rig);
    const bool standard = row.base == 888;
    const auto key = static_cast<int16_t>(standard ? 890 : row.base + 1);
    rig.Out32(key, standard ? 244 : 255); // at rest, as start-up leaves it
    rig.Out32(key, standard ? 245 : 254);
    clock.advance(row.held);
    rig.Out32(key, standard ? 244 : 255);
    EXPECT_EQ(rig.state().stepHz, row.stepAfter);
    EXPECT_EQ(ears.changes.size(), row.annunciates ? 0u : 1u);
    if (row.annunciates)
        EXPECT_THAT(ears.annunciations, ElementsAre("7040.00"));
    else
        EXPECT_THAT(ears.annunciations, IsEmpty());
    EXPECT_EQ(rig.state().txHz, krv40Hz);
}

INSTANTIATE_TEST_SUITE_P(Rows, RigKey,
                         ::testing::Values(KeyRow{"standard_299_ms_annunciates", 888, 299ms, 200, true},
                                           KeyRow{"standard_300_ms_toggles", 888, 300ms, 50, false},
                                           KeyRow{"standard_short_press_annunciates", 888, 55ms, 200, true},
                                           KeyRow{"standard_long_press_toggles", 888, 650ms, 50, false},
                                           KeyRow{"other_299_ms_annunciates", 4264, 299ms, 200, true},
                                           KeyRow{"other_300_ms_toggles", 4264, 300ms, 50, false}),
                         RowName());

TEST(RigKeyLine, PanelPressesAreMeasuredOnTheRigsClock)
{
    RigPanel bench(settingsAt(888));
    RigEars ears(bench.rig);
    bench.panel.KRV->setCurrentRow(1);
    bench.panel.Command1->click();
    EXPECT_THAT(ears.annunciations, ElementsAre("7040.00"));
    bench.panel.Command2->click();
    EXPECT_EQ(bench.rig.state().stepHz, 50);
    bench.panel.Command2->click();
    EXPECT_EQ(bench.rig.state().stepHz, 200);
    EXPECT_EQ(ears.annunciations.size(), 1u);
}

TEST(RigKeyLine, KeyLowSincePowerOnIsNoPress)
{
    FakeClock clock;
    SimulatedRig rig(settingsAt(888), clock.reader());
    RigEars ears(rig);
    rig.Out32(890, 253); // start-up's RIT off: the key bit stays set
    clock.advance(1s);
    rig.Out32(890, 244);
    EXPECT_THAT(ears.changes, IsEmpty());
    EXPECT_THAT(ears.annunciations, IsEmpty());
    rig.Out32(890, 245);
    clock.advance(55ms);
    rig.Out32(890, 244);
    EXPECT_THAT(ears.annunciations, ElementsAre("7040.00"));
}

TEST(RigKeyLine, KeyAndRitShareTheControlRegisterWithoutDisturbingEachOther)
{
    FakeClock clock;
    SimulatedRig rig(settingsAt(888), clock.reader());
    RigEars ears(rig);
    rig.Out32(890, 246); // RIT on
    rig.Out32(890, 247); // key down, RIT kept
    clock.advance(55ms);
    rig.Out32(890, 246);
    EXPECT_TRUE(rig.state().rit);
    EXPECT_EQ(ears.changes.size(), 1u);
    // The rig tells its transmit frequency, RIT or not.
    rig.Out32(888, 251);
    rig.Out32(888, 243);
    EXPECT_EQ(rig.state().rxHz, krv40Hz + 50);
    rig.Out32(890, 247);
    clock.advance(55ms);
    rig.Out32(890, 246);
    EXPECT_THAT(ears.annunciations, ElementsAre("7040.00", "7040.00"));
}

TEST(RigRit, OnTunesReceiveAloneInFiftyHertzOffBringsItBack)
{
    for (const char* port : {"888", "4264"}) {
        SCOPED_TRACE(port);
        RigPanel bench(settingsAt(static_cast<int16_t>(std::atoi(port))));
        Corvane& p = bench.panel;
        p.Port->setCurrentText(QLatin1String(port));
        p.KRV->setCurrentRow(1);
        p.RIT_ON->click();
        EXPECT_TRUE(bench.rig.state().rit);
        p.Command5->click();
        EXPECT_EQ(bench.rig.state().rxHz, krv40Hz + 250);
        EXPECT_EQ(bench.rig.state().txHz, krv40Hz);
        EXPECT_EQ(bench.rig.state().stepHz, 200);
        p.RIT_OFF->click();
        EXPECT_FALSE(bench.rig.state().rit);
        EXPECT_EQ(bench.rig.state().rxHz, krv40Hz);
        p.Command3->click();
        EXPECT_EQ(bench.rig.state().rxHz, krv40Hz + 200);
        EXPECT_EQ(bench.rig.state().txHz, krv40Hz + 200);
    }
}

namespace {

struct ReadRow {
    const char* proves;
    int16_t base;
    std::vector<std::pair<int16_t, int16_t>> writes;
    int16_t address;
    int16_t reads;
};

class RigReads : public ::testing::TestWithParam<ReadRow> {};

} // namespace

TEST_P(RigReads, BehaveAsARealPort)
{
    const ReadRow& row = GetParam();
    FakeClock clock;
    SimulatedRig rig(settingsAt(row.base), clock.reader());
    for (const auto& [address, value] : row.writes)
        rig.Out32(address, value);
    EXPECT_EQ(rig.Inp32(row.address), row.reads);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, RigReads,
    ::testing::Values(ReadRow{"data_starts_with_both_lines_high", 888, {}, 888, 255},
                      ReadRow{"data_reads_back_the_lines_as_driven", 888, {{888, 243}}, 888, 243},
                      ReadRow{"control_reads_255_before_any_write", 888, {}, 890, 255},
                      ReadRow{"control_reads_its_last_byte", 888, {{890, 246}}, 890, 246},
                      ReadRow{"status_reads_floating_inputs", 888, {{889, 0}}, 889, 127},
                      ReadRow{"no_port_below_the_base", 888, {{887, 0}}, 887, 255},
                      ReadRow{"other_standard_ports_are_empty", 888, {{632, 243}}, 632, 255},
                      ReadRow{"other_base_key_latch_reads_back", 4264, {{4265, 254}}, 4265, 254},
                      ReadRow{"other_base_rit_latch_starts_high", 4264, {}, 4266, 255},
                      ReadRow{"negative_address_has_no_port", 888, {}, -1, 255},
                      ReadRow{"base_at_the_top_has_its_registers", 32765, {{32767, 254}}, 32767, 254}),
    RowName());

TEST(RigStartup, PanelStartUpMovesNothingOnAnyBase)
{
    // Start-up rests all three standard ports and first reads and writes back
    // 890 for RIT off; none of it may reach the rig as a detent or a key press.
    for (int16_t base : {632, 888, 956, 264, 4264, 886, 887, 889}) {
        SCOPED_TRACE(base);
        FakeClock clock;
        SimulatedRig rig(settingsAt(base), clock.reader());
        RigEars ears(rig);
        PreciseDelay delay(clock);
        Corvane panel(rig, delay);
        EXPECT_THAT(ears.changes, IsEmpty());
        EXPECT_THAT(ears.annunciations, IsEmpty());
        EXPECT_EQ(rig.badTransitions(), 0);
        EXPECT_EQ(rig.state(), (RigState{krv40Hz, krv40Hz, 200, false}));
    }
}

TEST(RigPc, HasOnePortAndRefusesAnyOtherAfterStartUp)
{
    FakeClock clock;
    SimulatedRig rig(settingsAt(888), clock.reader());
    SimulatedPc pc(rig, 888);
    PreciseDelay delay(clock);
    Corvane panel(pc, delay); // start-up rests 632 and 956 too: they go nowhere
    pc.endStartup();
    const std::pair<int16_t, const char*> refused[] = {
        {632, "no parallel port at 632 (the simulated PC has one, at 888); the rig's port is --rig-port"},
        {889, "889 is the read-only status register of the parallel port at 888"},
    };
    for (const auto& [address, message] : refused)
        EXPECT_EQ(thrownMessage<PortRefused>([&] { pc.Out32(address, 254); }), message);

    // A remembered Port the rig is not on: the step is refused, not believed.
    QSignalSpy failures(&panel, &Corvane::actionFailed);
    panel.Port->setCurrentText(QStringLiteral("632"));
    panel.Text1->setText(QStringLiteral("7040"));
    panel.Text3->setText(QStringLiteral("7040"));
    panel.show();
    panel.Command3->click();
    ASSERT_EQ(failures.size(), 1);
    EXPECT_EQ(failures.at(0).at(0).toString().toStdString(), refused[0].second);
    EXPECT_EQ(panel.Text3->text(), "7040");
    EXPECT_EQ(rig.state(), (RigState{krv40Hz, krv40Hz, 200, false}));
}

TEST(RigModels, EachListItemChosenByModelShowsWhereTheRigOfThatNameStarts)
{
    // The list, --model, --rig-model and the rig each read the model table; a
    // model one of them knew otherwise would leave the record off the rig.
    const RigPanel list(settingsAt(888));
    for (int row = 0; row < list.panel.KRV->count(); ++row) {
        const QString name = list.panel.KRV->item(row)->text();
        QCommandLineParser parser;
        const RigCommandLine options(parser);
        ASSERT_TRUE(parser.parse({QStringLiteral("corvane"), QStringLiteral("--rig-model"), name}));
        RigPanel bench(options.read(parser));
        app::chooseModel(bench.panel, name.toStdString());
        EXPECT_EQ(bench.panel.KRV->currentRow(), row) << name.toStdString();
        EXPECT_EQ(bench.rig.state().txHz, displayHz(bench.panel.Text1)) << name.toStdString();
    }
    EXPECT_EQ(rules::findModel("KRV-40 "), nullptr);
}

TEST(RigText, FrequenciesAreKilohertzWithTwoDecimals)
{
    EXPECT_EQ(kHzText(7'030'050), "7030.05");
    EXPECT_EQ(kHzText(7'040'200), "7040.20");
    EXPECT_EQ(kHzText(14'060'000), "14060.00");
    EXPECT_EQ(kHzText(0), "0.00");
    EXPECT_EQ(kHzText(-200), "-0.20");
    EXPECT_EQ(rigLine({7'040'200, 7'040'050, 50, true}), "rig 7040.20 7040.05 50 on");
    EXPECT_EQ(rigLine({3'560'000, 3'560'000, 200, false}), "rig 3560.00 3560.00 200 off");
}

namespace {

// A stream in memory, read back line by line.
class MemoryStream {
public:
    MemoryStream() { file_ = open_memstream(&data_, &size_); }
    ~MemoryStream()
    {
        std::fclose(file_);
        std::free(data_);
    }
    std::FILE* file() const { return file_; }
    // The lines written since the last call.
    std::vector<std::string> newLines()
    {
        std::fflush(file_);
        std::istringstream in(std::string(data_ + read_, size_ - read_));
        read_ = size_;
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }

private:
    char* data_ = nullptr;
    size_t size_ = 0;
    size_t read_ = 0;
    std::FILE* file_ = nullptr;
};

// The program's own chain: panel, console, trace wrappers, rig.
struct TracedRigPanel {
    explicit TracedRigPanel(bool stateLines)
        : rig(settingsAt(888), clock.reader()), delay(clock), tracingPort(rig, out.file()),
          tracingTimer(delay, out.file()), console(tracingPort, rig, out.file(), stateLines),
          panel(console, tracingTimer)
    {
        panel.KRV->setCurrentRow(1);
        out.newLines();
    }
    MemoryStream out;
    FakeClock clock;
    SimulatedRig rig;
    PreciseDelay delay;
    TracingPort tracingPort;
    TracingTimer tracingTimer;
    RigConsole console;
    Corvane panel;
};

} // namespace

TEST(RigTrace, StateLineFollowsTheOutLineThatCausedIt)
{
    TracedRigPanel bench(true);
    bench.panel.Command3->click();
    EXPECT_THAT(bench.out.newLines(), ElementsAre("out 888 251", "wait 3", "out 888 243",
                                                  "rig 7040.20 7040.20 200 off", "wait 3", "in 888 243"));
    bench.panel.Command2->click();
    EXPECT_THAT(bench.out.newLines(), ElementsAre("in 890 244", "out 890 245", "wait 2", "out 890 244",
                                                  "rig 7040.20 7040.20 50 off", "wait 2"));
    bench.panel.RIT_ON->click();
    EXPECT_THAT(bench.out.newLines(), ElementsAre("in 890 244", "out 890 246", "rig 7040.20 7040.20 50 on"));
}

TEST(RigTrace, AnnunciationFollowsTheRelease)
{
    TracedRigPanel bench(true);
    bench.panel.Command1->click();
    EXPECT_THAT(bench.out.newLines(),
                ElementsAre("in 890 244", "out 890 245", "wait 1", "out 890 244", "7040.00"));
}

TEST(RigTrace, WithoutStateLinesOnlyTheAnnunciationIsWritten)
{
    FakeClock clock;
    SimulatedRig rig(settingsAt(888), clock.reader());
    MemoryStream out;
    {
        RigConsole console(rig, rig, out.file(), false);
        console.Out32(890, 244);
        console.Out32(888, 251);
        console.Out32(888, 243);
        console.Out32(890, 245);
        clock.advance(100ms);
        console.Out32(890, 244);
        EXPECT_THAT(out.newLines(), ElementsAre("7040.20"));
    }
    // Gone with the console: the rig no longer calls into it.
    EXPECT_FALSE(rig.onAnnunciation);
    EXPECT_FALSE(rig.onStateChanged);
}

namespace {

struct OptionsRow {
    const char* proves;
    QStringList arguments;
    const char* error; // nullptr: accepted with the settings below
    RigSettings settings;
};

class RigOptions : public ::testing::TestWithParam<OptionsRow> {};

} // namespace

TEST_P(RigOptions, ReadTheRigFromTheCommandLine)
{
    const OptionsRow& row = GetParam();
    QCommandLineParser parser;
    const RigCommandLine options(parser);
    ASSERT_TRUE(parser.parse(QStringList{QStringLiteral("corvane")} + row.arguments));
    if (row.error) {
        try {
            options.read(parser);
            ADD_FAILURE() << "accepted";
        } catch (const std::invalid_argument& e) {
            EXPECT_STREQ(e.what(), row.error);
        }
        return;
    }
    const RigSettings settings = options.read(parser);
    EXPECT_EQ(settings.base, row.settings.base);
    EXPECT_EQ(settings.startHz, row.settings.startHz);
    EXPECT_EQ(settings.encoder, row.settings.encoder);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, RigOptions,
    ::testing::Values(
        OptionsRow{"defaults_are_a_krv40_at_888_half_cycle",
                   {},
                   nullptr,
                   {888, 7'040'000, rules::Encoder::halfCycles}},
        OptionsRow{"all_three_given",
                   {"--rig-port", "4264", "--rig-model", "KRV-20", "--rig-encoder", "2"},
                   nullptr,
                   {4264, 14'060'000, rules::Encoder::wholeCycles}},
        OptionsRow{
            "highest_base", {"--rig-port=32765"}, nullptr, {32765, 7'040'000, rules::Encoder::halfCycles}},
        OptionsRow{"base_beyond_the_top",
                   {"--rig-port", "32766"},
                   "--rig-port \"32766\": expected an address from 0 to 32765",
                   {}},
        OptionsRow{"model_names_are_exact",
                   {"--rig-model", "krv-40"},
                   "--rig-model \"krv-40\": expected KRV-80, KRV-40, KRV-30 or KRV-20",
                   {}},
        OptionsRow{"encoder_kind_3", {"--rig-encoder", "3"}, "--rig-encoder \"3\": expected 1 or 2", {}}),
    RowName());
