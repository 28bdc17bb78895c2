// The remote panel's message parser: the messages it must take as they are,
// and a few thousand seeded mutations of them that it must survive and judge
// soundly (the fuzz target's checks, without a fuzzer).
#include "support/MessageCheck.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>

namespace
{

const QByteArray valid[] = {
    R"({"t":"login","pass":"right horse"})",
    R"({"t":"resume","token":"0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef"})",
    R"({"t":"take"})",
    R"({"t":"release"})",
    R"({"t":"stop"})",
    R"({"t":"press","b":"up5k"})",
    R"({"t":"press","b":"rit-off"})",
    R"({"t":"press","b":"W1AW"})",
};

TEST(WebMessage, TakesEachKindAsWritten)
{
    for (const QByteArray& text : valid) {
        const web::Parsed p = web::parseMessage(text, &record::RecordDoor::knows);
        EXPECT_TRUE(p.message) << text.toStdString() << ": " << p.refusal.toStdString();
    }
    EXPECT_EQ(web::parseMessage(R"({"t":"press","b":"up5k"})", &record::RecordDoor::knows).message->text,
              QStringLiteral("up5k"));
}

TEST(WebMessage, SurvivesAndJudgesSoundlyThousandsOfMutations)
{
    QRandomGenerator random(20260);
    int accepted = 0;
    for (int i = 0; i < 4000; ++i) {
        QByteArray text = valid[random.bounded(int(std::size(valid)))];
        for (int edits = random.bounded(1, 6); edits > 0; --edits) {
            const int at = random.bounded(int(text.size()) + 1);
            switch (random.bounded(4)) {
            case 0:
                text.insert(at, char(random.bounded(256)));
                break;
            case 1:
                if (at < text.size())
                    text.remove(at, 1);
                break;
            case 2:
                if (at < text.size())
                    text[at] = char(random.bounded(256));
                break;
            case 3:
                text.insert(at, text.mid(random.bounded(int(text.size())), random.bounded(400)));
                break;
            }
        }
        ASSERT_TRUE(messageHolds(text)) << text.toStdString();
        accepted += web::parseMessage(text, &record::RecordDoor::knows).message.has_value();
    }
    // The mutations reach both sides of the parser.
    EXPECT_GT(accepted, 0);
    EXPECT_LT(accepted, 4000);
}

} // namespace
