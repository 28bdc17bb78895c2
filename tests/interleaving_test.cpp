// Everything that can meet a run, met at random. A seeded operator works the
// panel on a simulated rig; at random servings inside the runs the test clicks
// any control (the button held down and the RIT pair too), types shortcuts,
// step keys, Esc and entry text, chooses a speed, sends remote moves and reads
// from clients that stay or leave at once, and closes the window. After each
// action, once everything queued has been taken up:
//   - the record is the rig, no step was half played, the key line is up;
//   - every click was played once, in the order given, unless a close came;
//   - the newest remote move answered "RPRT 0" was played, unless a stop or a
//     close came after it (older ones may be superseded).
#include "rigctl/PanelRig.h"
#include "rigctl/RigctlServer.h"
#include "support/RigPanel.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QListWidget>
#include <QNetworkProxy>
#include <QPushButton>
#include <QRadioButton>
#include <QTcpSocket>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

namespace
{

struct Ack {
    int64_t hz;
    bool played = false;
    bool excused = false; // a stop or a close came after it
};

class Interleaving
{
public:
    explicit Interleaving(uint32_t seed)
        : random_(seed), standardPort_(seed % 2 == 0),
          bench_(RigSettings{static_cast<int16_t>(standardPort_ ? 888 : 264), 7'040'000,
                             seed % 3 == 0 ? rules::Encoder::wholeCycles : rules::Encoder::halfCycles}),
          remote_(bench_.panel), server_(remote_)
    {
        Corvane& p = bench_.panel;
        p.Port->setCurrentText(standardPort_ ? QStringLiteral("888") : QStringLiteral("264"));
        p.Encoder->setCurrentText(seed % 3 == 0 ? QStringLiteral("2") : QStringLiteral("1"));
        p.KRV->setCurrentRow(1); // KRV-40 at 7040 kHz, where the rig starts
        p.show();
        p.activateWindow();
        (void)QTest::qWaitForWindowActive(&p);
        QString error;
        listening_ = server_.listen(0, &error);
        for (QAbstractButton* b : p.findChildren<QAbstractButton*>())
            QObject::connect(b, &QAbstractButton::clicked, &p, [this, b] { clicked_.push_back(name(b)); });
        QObject::connect(&p.runner(), &ActionRunner::aboutToServe, &p, [this] { maybeInject(); });
        QObject::connect(&p, &Corvane::actionEnded, &p, [this] { notePlayed(); });
    }

    bool listening() const { return listening_; }
    bool closed() const { return closed_; }
    int injected() const { return injected_; }

    void act()
    {
        Corvane& p = bench_.panel;
        injectedThisAction_ = 0;
        const int choice = pick(20);
        if (choice < 9) {
            QPushButton* const buttons[] = {p.Command3, p.Command4, p.Command5,  p.Command6,  p.Command7,
                                            p.Command8, p.Command9, p.Command10, p.Command11, p.Command12};
            click(buttons[pick(std::size(buttons))]);
        } else if (choice < 13) {
            goNear();
        } else if (choice < 15) {
            click(p.Command2);
        } else if (choice < 18) {
            click(pick(2) == 0 ? p.RIT_ON : p.RIT_OFF);
        } else if (choice < 19) {
            click(p.Command1);
        } else {
            click(pick(2) == 0 ? p.Command13 : p.Command14);
        }
        settle();
    }

    ::testing::AssertionResult holds()
    {
        const Corvane& p = bench_.panel;
        const RigState& rig = bench_.rig.state();
        std::string faults;
        if (displayHz(p.Text1) != rig.txHz || displayHz(p.Text3) != rig.rxHz ||
            rig.rit != p.RIT_ON->isChecked() || rig.stepHz != p.tr_step_hz ||
            bench_.rig.badTransitions() != 0 || p.nsteps != 0)
            faults += "record " + p.Text1->text().toStdString() + '/' + p.Text3->text().toStdString() +
                      (p.RIT_ON->isChecked() ? " RIT" : "") + " step " + std::to_string(p.tr_step_hz) +
                      ", rig " + std::to_string(rig.txHz) + '/' + std::to_string(rig.rxHz) +
                      (rig.rit ? " RIT" : "") + " step " + std::to_string(rig.stepHz) + "; ";
        if (!keyIsUp())
            faults += "key held down; ";
        const bool prefix = clicked_.size() <= expected_.size() &&
                            std::equal(clicked_.begin(), clicked_.end(), expected_.begin());
        if (!prefix || (!closed_ && clicked_.size() != expected_.size()))
            faults += "clicked " + join(clicked_) + " for " + join(expected_) + "; ";
        if (!acks_.empty() && !acks_.back().played && !acks_.back().excused)
            faults += "answered move to " + std::to_string(acks_.back().hz) + " not played; ";
        if (faults.empty())
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << faults << "\nafter" << log_;
    }

private:
    static constexpr int maxInjected = 12; // per action of the operator

    int pick(size_t n) { return std::uniform_int_distribution<int>(0, static_cast<int>(n) - 1)(random_); }

    static std::string name(const QAbstractButton* b)
    {
        return qobject_cast<const QRadioButton*>(b) ? "RIT" : b->objectName().toStdString();
    }

    static std::string join(const std::vector<std::string>& names)
    {
        std::string all;
        for (const std::string& n : names)
            all += ' ' + n;
        return '[' + all + " ]";
    }

    // A programmatic click, as the operator's own: runs at once when idle.
    void click(QAbstractButton* b)
    {
        expected_.push_back(name(b));
        log_ += ' ' + name(b);
        b->click();
    }

    void goNear()
    {
        Corvane& p = bench_.panel;
        const int64_t from = displayHz(p.RIT_ON->isChecked() ? p.Text3 : p.Text1);
        const int64_t target = from + std::uniform_int_distribution<int64_t>(-200, 200)(random_) * 50;
        click(p.Command27);
        QPushButton* const keys[] = {p.Command24, p.Command21, p.Command22, p.Command23, p.Command18,
                                     p.Command19, p.Command20, p.Command15, p.Command16, p.Command17};
        for (QChar c : numtext::toText(static_cast<double>(target) / 1000))
            click(c == u'.' ? p.Command25 : keys[c.digitValue()]);
        click(p.Command26);
    }

    // Takes up everything queued and held, as the event loop would.
    void settle()
    {
        ActionRunner& runner = bench_.panel.runner();
        // A remote move waits a moment for newer ones before it is queued.
        (void)QTest::qWaitFor(
            [&] {
                return !runner.busy() && runner.waiting() == 0 && !runner.closePending() && !remote_.settling();
            },
            5000);
        QCoreApplication::processEvents();
    }

    bool keyIsUp()
    {
        // The control register: bit 0 drives the key on a standard port;
        // base+1 reads 255 (released) on another.
        if (standardPort_)
            return (bench_.rig.Inp32(890) & 1) == 0;
        return (bench_.rig.Inp32(265) & 0xff) == 255;
    }

    void notePlayed()
    {
        const RigState& rig = bench_.rig.state();
        for (Ack& ack : acks_)
            if (ack.hz == rig.txHz || ack.hz == rig.rxHz)
                ack.played = true;
    }

    void excuseAcks()
    {
        for (Ack& ack : acks_)
            ack.excused = true;
    }

    void maybeInject()
    {
        if (closed_ || injectedThisAction_ >= maxInjected || pick(4) != 0)
            return;
        ++injectedThisAction_;
        ++injected_;
        Corvane& p = bench_.panel;
        switch (pick(12)) {
        case 0:
        case 1: { // any button: step buttons, keypad, step size, annunciate, the RIT pair
            QAbstractButton* const buttons[] = {p.Command3,  p.Command4,  p.Command5,  p.Command6,
                                                p.Command9,  p.Command10, p.Command1,  p.Command2,
                                                p.Command15, p.Command24, p.Command25, p.Command27,
                                                p.Command26, p.RIT_ON,    p.RIT_OFF};
            QAbstractButton* b = buttons[pick(std::size(buttons))];
            mouseClick(b);
            break;
        }
        case 2: { // the button held down ("E" for a remote move)
            auto* down = static_cast<QPushButton*>(const_cast<void*>(p.runner().runningTag()));
            mouseClick(down ? down : p.Command26);
            break;
        }
        case 3: { // a shortcut
            const std::pair<Qt::Key, std::string> shortcuts[] = {
                {Qt::Key_R, "RIT"}, {Qt::Key_S, "Command2"}, {Qt::Key_A, "Command1"}};
            const auto& [key, button] = shortcuts[pick(std::size(shortcuts))];
            expected_.push_back(button);
            log_ += " [Alt+" + button + ']';
            QTest::keyClick(&p, key, Qt::AltModifier);
            break;
        }
        case 4: // a step key on a button
            expected_.push_back("Command3");
            log_ += " [Up]";
            QTest::keyClick(p.Command3, Qt::Key_Up);
            break;
        case 5:
            log_ += " [Esc]";
            if (p.runner().running())
                excuseAcks();
            QTest::keyClick(p.Text5, Qt::Key_Escape);
            break;
        case 6:
            log_ += " [type 7]";
            QTest::keyClicks(p.Text5, QStringLiteral("7"));
            break;
        case 7: {
            const int row = pick(2);
            log_ += " [speed " + std::to_string(row) + ']';
            const QRect item = p.speed->visualItemRect(p.speed->item(row));
            windowClick(p.speed->viewport(), item.center());
            break;
        }
        case 8:
        case 9:
            remote(pick(3) != 0);
            break;
        case 11: { // the model list: the model chosen, which changes nothing
            log_ += " [model]";
            const QRect item = p.KRV->visualItemRect(p.KRV->item(1));
            windowClick(p.KRV->viewport(), item.center());
            break;
        }
        case 10:
            if (pick(4) == 0) {
                log_ += " [close]";
                closed_ = true;
                excuseAcks();
                p.close();
            }
            break;
        }
    }

    void mouseClick(QAbstractButton* b)
    {
        // Only the button that stops the run is shown held down.
        if (b->isDown()) {
            log_ += " [stop " + name(b) + ']';
            excuseAcks();
        } else {
            expected_.push_back(name(b));
            log_ += " [" + name(b) + ']';
        }
        windowClick(b, b->rect().center());
    }

    // Through the window, as the windowing system delivers a click.
    void windowClick(QWidget* w, QPoint at)
    {
        Corvane& p = bench_.panel;
        QTest::mouseClick(p.windowHandle(), Qt::LeftButton, {}, w->mapTo(&p, at));
    }

    // A remote move (or a read) from a client that leaves at once or stays.
    void remote(bool move)
    {
        auto client = std::make_unique<QTcpSocket>();
        client->setProxy(QNetworkProxy::NoProxy);
        client->connectToHost(QHostAddress::LocalHost, server_.port());
        const int64_t hz = 7'040'000 + std::uniform_int_distribution<int64_t>(-400, 400)(random_) * 50;
        const QByteArray request = move ? "F " + QByteArray::number(hz) + '\n' : QByteArray("f\n");
        QByteArray reply;
        QDeadlineTimer deadline(5000);
        bool sent = false;
        while (!reply.endsWith('\n') && !deadline.hasExpired()) {
            QCoreApplication::processEvents();
            if (!sent && client->state() == QAbstractSocket::ConnectedState)
                sent = client->write(request) > 0;
            reply += client->readAll();
        }
        log_ += move ? " [F " + std::to_string(hz) + " -> " + reply.trimmed().toStdString() + ']' : " [f]";
        if (move && reply == "RPRT 0\n")
            acks_.push_back({hz});
        if (pick(2) == 0)
            client->abort();
        else
            clients_.push_back(std::move(client));
    }

    std::mt19937 random_;
    bool standardPort_;
    RigPanel bench_;
    rigctl::PanelRig remote_;
    rigctl::RigctlServer server_;
    bool listening_ = false;
    bool closed_ = false;
    int injected_ = 0;
    int injectedThisAction_ = 0;
    std::vector<std::string> expected_, clicked_;
    std::vector<Ack> acks_;
    std::vector<std::unique_ptr<QTcpSocket>> clients_;
    std::string log_;
};

constexpr uint32_t sequencesPerBlock = 25;
constexpr int actionsPerSequence = 8;

class InterleavedInput : public ::testing::TestWithParam<uint32_t>
{
};

TEST_P(InterleavedInput, RecordClicksAndAnsweredMovesHoldWhateverMeetsARun)
{
    int injected = 0;
    for (uint32_t seed = GetParam() * sequencesPerBlock; seed < (GetParam() + 1) * sequencesPerBlock;
         ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        Interleaving sequence(seed);
        ASSERT_TRUE(sequence.listening());
        for (int i = 0; i < actionsPerSequence && !sequence.closed(); ++i) {
            sequence.act();
            ASSERT_TRUE(sequence.holds());
        }
        injected += sequence.injected();
    }
    // The property holds for nothing if nothing ever met a run.
    EXPECT_GT(injected, static_cast<int>(sequencesPerBlock));
}

INSTANTIATE_TEST_SUITE_P(Seeds, InterleavedInput, ::testing::Range(0u, 4u));

} // namespace
