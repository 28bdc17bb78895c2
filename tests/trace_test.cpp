// --trace: the line format the manual documents, in call order, with every
// call passed on unchanged.
#include "support/Fakes.h"
#include "trace/Trace.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

TEST(Trace, WritesOneLinePerCallAsTheManualShowsIt)
{
    TrafficLog passedOn;
    RecordingPort port(passedOn);
    RecordingTimer timer(passedOn);
    RefusingPort refusing(port, 264);
    char* text = nullptr;
    size_t size = 0;
    std::FILE* out = open_memstream(&text, &size);
    ASSERT_NE(out, nullptr);
    {
        TracingPort tracingPort(refusing, out);
        TracingTimer tracingTimer(timer, out);
        port.pinReading(-12272, 243);
        EXPECT_EQ(tracingPort.Inp32(-12272), 243);
        tracingPort.Out32(888, 0x1f3);
        EXPECT_THROW(tracingPort.Out32(264, 254), std::runtime_error);
        EXPECT_EQ(tracingTimer.DefineDelay(26, 1), 1);
        EXPECT_EQ(tracingTimer.DefineDelay(0, 1), 0);
        tracingTimer.WaitDelay(3);
    }
    std::fclose(out);
    const std::string trace(text, size);
    std::free(text);
    EXPECT_EQ(trace, "in -12272 243\n"
                     "out 888 243\n" // the low byte: what reached the wire
                     "define 26 1 1\n"
                     "define 0 1 0\n"
                     "wait 3\n");
    EXPECT_EQ(passedOn,
              (TrafficLog{"in -12272 243", "out 888 243", "define 26 1 1", "define 0 1 0", "wait 3"}));
}
