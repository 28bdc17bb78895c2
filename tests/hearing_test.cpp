// The panel listening to the simulated rig inside the program: the line after
// annunciate, a drifted record, taking the rig's frequency, no listening, and
// every move verified by ear.
#include "aids/Announcer.h"
#include "aids/NewsNotice.h"
#include "aids/PanelAids.h"
#include "app/Settings.h"
#include "hear/HeardLine.h"
#include "hear/Hearing.h"
#include "hear/InProgramSound.h"
#include "hear/Listener.h"
#include "hear/Verifier.h"
#include "morse/Keyer.h"
#include "panel/Corvane.h"
#include "panel/RecordDoor.h"
#include "rigctl/PanelRig.h"
#include "rigctl/RigctlServer.h"
#include "sim/RigConsole.h"
#include "sim/SimulatedRig.h"
#include "support/Fakes.h"
#include "support/RigPanel.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QNetworkProxy>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <QThreadPool>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace
{

// Counts the writes that pass on their way to the rig.
class CountingPort : public PortIo
{
public:
    explicit CountingPort(PortIo& inner) : inner_(inner) {}
    int16_t Inp32(int16_t address) override { return inner_.Inp32(address); }
    void Out32(int16_t address, int16_t value) override
    {
        ++writes;
        inner_.Out32(address, value);
    }
    int writes = 0;

private:
    PortIo& inner_;
};

struct Listening {
    explicit Listening(rules::Encoder rigEncoder, bool shortForm = false, bool simulated = true)
        : rig({888, 7'040'000, rigEncoder}, clock.reader()), delay(clock),
          console(rig, rig, sink.get(), false), counting(console), panel(counting, delay)
    {
        HearingOptions options;
        options.voice.shortForm = shortForm;
        hearing = std::make_unique<Hearing>(panel, simulated ? &console : nullptr, options, nullptr);
        panel.KRV->setCurrentRow(1); // KRV-40: the record on 7040, where the rig starts
    }

    QString annunciate()
    {
        panel.Command1->click();
        return heard();
    }

    // The line once the capture has been read, which happens on a worker thread.
    QString heard()
    {
        EXPECT_TRUE(QTest::qWaitFor(
            [this] { return !panel.HeardLine->text().endsWith(QStringLiteral("...")); }, 20'000));
        return panel.HeardLine->text();
    }

    FakeClock clock;
    SimulatedRig rig;
    PreciseDelay delay;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> sink{std::tmpfile(), &std::fclose};
    RigConsole console;
    CountingPort counting;
    Corvane panel;
    std::unique_ptr<Hearing> hearing;
};

TEST(Hearing, AnnunciateHearsTheRigAgreeWithTheRecord)
{
    Listening l(rules::Encoder::halfCycles);
    const int before = l.counting.writes;
    EXPECT_EQ(l.annunciate().toStdString(), "Heard '7040.00': the record agrees");
    EXPECT_GT(l.counting.writes, before); // the key press itself still goes out
    EXPECT_FALSE(l.panel.TakeRig->isEnabled());
}

TEST(Hearing, TheShortFormTakesItsLeadingDigitsFromTheRecord)
{
    Listening l(rules::Encoder::halfCycles, true);
    EXPECT_EQ(l.annunciate().toStdString(), "Heard '040.00': the rig is at 7040.00 kHz; the record agrees");
}

TEST(Hearing, ADriftedRecordIsShownAndTakenWithoutPortTraffic)
{
    Listening l(rules::Encoder::wholeCycles); // the panel's Encoder says 1
    l.panel.Encoder->setCurrentText(QStringLiteral("1"));
    l.panel.Command5->click(); // 5 steps up on the record, fewer on the rig
    ASSERT_NE(displayHz(l.panel.Text1), l.rig.state().txHz);
    const QString record = l.panel.Text1->text();
    const QString rig = QString::fromStdString(kHzText(l.rig.state().txHz));
    const QString line = l.annunciate();
    EXPECT_TRUE(line.startsWith(
        QStringLiteral("Heard '%1': the rig is at %1 kHz; the record says %2 (").arg(rig, record)))
        << line.toStdString();
    ASSERT_TRUE(l.panel.TakeRig->isEnabled());
    l.panel.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&l.panel));
    l.panel.TakeRig->setFocus(Qt::MouseFocusReason); // as a click's press gives it

    const int before = l.counting.writes;
    l.panel.TakeRig->click();
    QCoreApplication::processEvents();
    EXPECT_EQ(l.counting.writes, before);
    EXPECT_EQ(displayHz(l.panel.Text1), l.rig.state().txHz);
    EXPECT_EQ(l.panel.Text3->text(), l.panel.Text1->text());
    EXPECT_EQ(l.panel.HeardLine->text(), QStringLiteral("Heard '%1': the record agrees").arg(rig))
        << l.panel.HeardLine->text().toStdString();
    EXPECT_FALSE(l.panel.TakeRig->isEnabled());
    // Not round the panel to the Encoder box, where its news would be read as that box's name.
    EXPECT_EQ(QApplication::focusWidget(), l.panel.Command1);
}

TEST(Hearing, TakingWithRitOnMovesReceiveByTheSameAmount)
{
    Listening l(rules::Encoder::wholeCycles);
    l.panel.Encoder->setCurrentText(QStringLiteral("1"));
    l.panel.Command5->click();
    l.panel.RIT_ON->click();
    l.panel.Command3->click(); // receive alone, 50 Hz up on the record
    const int64_t offset = displayHz(l.panel.Text3) - displayHz(l.panel.Text1);
    l.annunciate();
    l.panel.TakeRig->click();
    QCoreApplication::processEvents();
    EXPECT_EQ(displayHz(l.panel.Text1), l.rig.state().txHz);
    EXPECT_EQ(displayHz(l.panel.Text3) - displayHz(l.panel.Text1), offset);
}

// The line is reached by Tab before Take and named by its text. A reader
// ignores a label's name change: with the focus on the line, a notice carries
// the news.
TEST(Hearing, TheLineIsReachedByTabAndNamedByWhatItSays)
{
    Listening l(rules::Encoder::halfCycles);
    EXPECT_TRUE(l.panel.HeardLine->focusPolicy() & Qt::TabFocus);
    EXPECT_EQ(l.panel.HeardLine->nextInFocusChain(), l.panel.TakeRig);
    const QString line = l.annunciate();
    EXPECT_EQ(l.panel.HeardLine->accessibleName(), line);
    l.panel.show();
    l.panel.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&l.panel));
    l.panel.HeardLine->setFocus();
    const QString again = l.annunciate();
    const auto noticed = [&] {
        const QList<NewsNotice*> notices = l.panel.findChildren<NewsNotice*>();
        return std::any_of(notices.begin(), notices.end(),
                           [&](const NewsNotice* n) { return n->isVisible() && n->accessibleName() == again; });
    };
    EXPECT_TRUE(QTest::qWaitFor(noticed, 5'000));
}

TEST(Hearing, AChangedRecordMakesTheReadingOldNews)
{
    Listening l(rules::Encoder::halfCycles);
    l.annunciate();
    l.panel.Command3->click();
    EXPECT_EQ(l.panel.HeardLine->text().toStdString(), "Listening to the simulated rig at each annun-ciate");
}

TEST(Hearing, ARecordMovedWhileListeningIsNotSetAgainstWhatTheRigSaidBefore)
{
    Listening l(rules::Encoder::halfCycles);
    l.panel.Command1->click();
    l.panel.Command3->click(); // the rig has already told 7040.00; now it is a step up
    EXPECT_EQ(l.heard().toStdString(),
              "Heard '7040.00', but the record moved while listening: annun-ciate again");
    EXPECT_FALSE(l.panel.TakeRig->isEnabled());
}

TEST(Hearing, ANewPressDropsAReadingUnderWay)
{
    InProgramSound sound;
    Listener listener(&sound);
    std::vector<std::string> heard;
    QObject::connect(&listener, &Listener::heard, [&](const morse::Heard& h) { heard.push_back(h.text); });
    std::mt19937 random(1);
    listener.listen();
    sound.play(morse::keyed("7040.20", morse::Sending{}, 16000, random), 16000);
    QCoreApplication::processEvents(); // heard whole: the reading is under way
    ASSERT_TRUE(listener.listening());
    listener.listen();
    sound.play(std::vector<float>(16000, 0.0f), 16000); // a second of silence
    QCoreApplication::processEvents();
    ASSERT_TRUE(QThreadPool::globalInstance()->waitForDone(20'000));
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
    EXPECT_EQ(heard, std::vector<std::string>{""});
}

TEST(Hearing, WithoutASourceThePressWorksAndThePanelSaysItIsNotListening)
{
    Listening l(rules::Encoder::halfCycles, false, false);
    const int before = l.counting.writes;
    EXPECT_EQ(l.annunciate().toStdString(), "Not listening: no audio input (see --audio-input)");
    EXPECT_GT(l.counting.writes, before);
}

// With verify on, "E" ends with the rig's answer read inside its own action:
// the outcome is the action's last news, said once after the record's.
struct Verifying : Listening {
    explicit Verifying(rules::Encoder rigEncoder) : Listening(rigEncoder)
    {
        EXPECT_TRUE(hearing->verifier().setOn(true));
        panel.door().onNews(&panel, [this](const QString& text) { news << text; });
        QObject::connect(&panel, &Corvane::actionEnded, &panel, [this] { ++ended; });
    }

    // "E" on kHz; the click returns once its action, the check included, has ended.
    QString go(const QString& khz)
    {
        news.clear();
        panel.Text5->setText(khz);
        panel.Command26->click();
        EXPECT_FALSE(panel.busy());
        return panel.HeardLine->text();
    }

    QStringList news;
    int ended = 0;
};

TEST(Verify, AnEThatArrivesIsVerifiedByEarAndSaidOnceAfterTheRecord)
{
    Verifying l(rules::Encoder::halfCycles);
    const QString line = l.go(QStringLiteral("7041"));
    EXPECT_EQ(line.toStdString(), "Arrived, verified by ear: Heard '7041.00': the record agrees");
    EXPECT_EQ(l.news, (QStringList{QStringLiteral("going to 7041 kilohertz"),
                                   QStringLiteral("7041 kilohertz"), line}));
    EXPECT_EQ(l.ended, 1);
    EXPECT_FALSE(l.panel.TakeRig->isEnabled());
}

// A remote move ends as "E" does, and the peer is answered while the move
// waits for the reading.
TEST(Verify, ARemoteMoveIsVerifiedAndThePeerIsServedDuringTheWait)
{
    Verifying l(rules::Encoder::halfCycles);
    rigctl::PanelRig remote(l.panel);
    rigctl::RigctlServer server(remote);
    QString error;
    ASSERT_TRUE(server.listen(0, &error)) << error.toStdString();
    QTcpSocket peer;
    peer.setProxy(QNetworkProxy::NoProxy);
    peer.connectToHost(QHostAddress(QHostAddress::LocalHost), server.port());
    ASSERT_TRUE(QTest::qWaitFor([&peer] { return peer.state() == QAbstractSocket::ConnectedState; }, 5'000));
    std::string replies;
    bool answeredInTheWait = false;
    QObject::connect(&peer, &QIODevice::readyRead, &l.panel, [&] {
        replies += peer.readAll().toStdString();
        if (replies.ends_with("7041000\n"))
            answeredInTheWait = l.panel.runner().running();
    });
    // Asked once the press is out: the rig has spoken and the move waits for the reading.
    l.console.onAnnunciation = [&peer, voice = l.console.onAnnunciation](const std::string& text) {
        voice(text);
        peer.write("f\n");
    };
    peer.write("F 7041000\n");
    ASSERT_TRUE(QTest::qWaitFor([&] { return l.ended == 1 && replies.size() >= 15; }, 20'000)) << replies;
    EXPECT_EQ(replies, "RPRT 0\n7041000\n");
    EXPECT_TRUE(answeredInTheWait);
    EXPECT_EQ(l.panel.HeardLine->text().toStdString(),
              "Arrived, verified by ear: Heard '7041.00': the record agrees");
}

TEST(Verify, ADriftedRecordIsOfferedAsTheRigsFrequency)
{
    Verifying l(rules::Encoder::wholeCycles); // the panel's Encoder says 1: the rig moves fewer steps
    l.panel.Encoder->setCurrentText(QStringLiteral("1"));
    const QString line = l.go(QStringLiteral("7041"));
    ASSERT_NE(displayHz(l.panel.Text1), l.rig.state().txHz);
    const QString rig = QString::fromStdString(kHzText(l.rig.state().txHz));
    EXPECT_TRUE(line.startsWith(QStringLiteral("The rig says %1; Take? Heard '%1': the rig is at %1 kHz; "
                                               "the record says 7041 (")
                                    .arg(rig)))
        << line.toStdString();
    EXPECT_EQ(l.news.count(line), 1);
    EXPECT_TRUE(l.panel.TakeRig->isEnabled());
}

TEST(Verify, EscDuringTheWaitEndsTheActionAndTheRecordStays)
{
    Verifying l(rules::Encoder::halfCycles);
    l.hearing->line().onShown = [&l](const QString& text) {
        if (text.endsWith(QStringLiteral("...")))
            QTimer::singleShot(0, &l.panel, [&l] { QTest::keyClick(&l.panel, Qt::Key_Escape); });
    };
    EXPECT_EQ(l.go(QStringLiteral("7041")).toStdString(), "Not verified: stopped while listening");
    EXPECT_EQ(l.panel.Text1->text().toStdString(), "7041");
    EXPECT_EQ(l.rig.state().txHz, 7'041'000);
    EXPECT_EQ(l.ended, 1);
    EXPECT_FALSE(l.panel.TakeRig->isEnabled());
}

// Choosing the model asks the rig where it is; the record stands until taken.
TEST(Verify, ChoosingTheModelOffersWhereTheRigIs)
{
    Verifying l(rules::Encoder::halfCycles);
    l.rig.tuneTo(7'041'000);
    l.panel.KRV->clearSelection();
    l.panel.KRV->setCurrentRow(1);
    EXPECT_EQ(l.panel.HeardLine->text().toStdString(),
              "Heard '7041.00': the rig is at 7041.00 kHz; the record says 7040 (1000 Hz apart)");
    EXPECT_EQ(l.panel.Text1->text().toStdString(), "7040");
    EXPECT_TRUE(l.panel.TakeRig->isEnabled());
}

// Alt+V switches verify and says how it stands; it is remembered, and stays
// off where the panel does not listen.
TEST(Verify, TheKeySwitchesItTheSettingsRememberItAndItNeedsListening)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("corvane.conf"));
    const auto remembered = [&file](Listening& l) {
        auto* settings =
            new app::PanelSettings(l.panel, std::make_unique<QSettings>(file, QSettings::IniFormat));
        settings->keepVerify(l.hearing->verifier());
        settings->restore();
        return l.hearing->verifier().on();
    };
    const auto altV = [](Listening& l) {
        l.panel.show();
        l.panel.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&l.panel));
        QTest::keyClick(l.panel.windowHandle(), Qt::Key_V, Qt::AltModifier);
        return l.panel.aids().announcer().last().toStdString();
    };
    {
        Listening first(rules::Encoder::halfCycles);
        EXPECT_FALSE(remembered(first));
        EXPECT_EQ(altV(first), "Verify by ear on");
    }
    Listening again(rules::Encoder::halfCycles);
    EXPECT_TRUE(remembered(again));
    Listening deaf(rules::Encoder::halfCycles, false, false);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(remembered(deaf));
    EXPECT_EQ(
        testing::internal::GetCapturedStderr(),
        "corvane: verify by ear (remembered) stays off: the panel is not listening (see --audio-input)\n");
    EXPECT_EQ(altV(deaf), "Verify by ear needs an audio input (see --audio-input)");
    EXPECT_FALSE(deaf.hearing->verifier().on());
}

} // namespace
