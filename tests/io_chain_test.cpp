// The I/O chain main builds: the order of its layers as the operator sees it
// in a --trace, where the waits are taken and for how long they run raised
// (--realtime), and the port the remote peer asks.
#include "app/IoChain.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace
{

struct Stop {
};

// A serving that cuts the wait short, so that nothing sleeps here.
struct StoppingServing : Serving {
    void serveUntil(std::chrono::steady_clock::time_point) override { throw Stop{}; }
};

// The text written so far to a memory stream.
std::string written(std::FILE* out, char* const& text, const size_t& size)
{
    std::fflush(out);
    return std::string(text, size);
}

} // namespace

TEST(IoChain, TheRigSpeaksAfterItsCauseAndTheWaitsArePacedAndRaisedForOneAction)
{
    char* text = nullptr;
    size_t size = 0;
    std::FILE* out = open_memstream(&text, &size);
    ASSERT_NE(out, nullptr);
    {
        StoppingServing serving;
        std::vector<std::string> policy;
        const RealtimeDelay::Scheduler scheduler{[&] {
                                                     policy.push_back("raise");
                                                     return true;
                                                 },
                                                 [&] { policy.push_back("lower"); }};
        app::IoChain chain(
            nullptr, RigSettings{},
            {.trace = true, .realtime = true, .out = out, .serving = &serving, .scheduler = scheduler});
        ASSERT_NE(chain.rig(), nullptr);
        // RIT on at the rig's standard port 888: the control register's bit 1.
        chain.port().Out32(890, 246);
        EXPECT_EQ(written(out, text, size), "out 890 246\nrig 7040.00 7040.00 200 on\n");

        // A long wait returns at once and is taken before the next access
        // reaches the rig; the serving throws to cut it short here.
        chain.timer().WaitDelay(chain.timer().DefineDelay(1000, 2));
        EXPECT_EQ(written(out, text, size),
                  "out 890 246\nrig 7040.00 7040.00 200 on\ndefine 1000 2 1\nwait 1\n");
        EXPECT_THROW(chain.port().Out32(890, 244), Stop);
        EXPECT_TRUE(chain.rig()->state().rit);
        // That wait ran raised until the action's end.
        EXPECT_EQ(policy, std::vector<std::string>{"raise"});
        chain.actionEnded();
        EXPECT_EQ(policy, (std::vector<std::string>{"raise", "lower"}));

        // The simulated PC has the one port the rig is on; the remote peer asks it.
        chain.endStartup();
        EXPECT_THROW(chain.checkAccess(632, true), PortRefused);
        EXPECT_EQ(written(out, text, size),
                  "out 890 246\nrig 7040.00 7040.00 200 on\ndefine 1000 2 1\nwait 1\n");
    }
    std::fclose(out);
    std::free(text);
}
