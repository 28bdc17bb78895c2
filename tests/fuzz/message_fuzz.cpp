// libFuzzer's entry point for the remote panel's message parser; built only
// with clang (see tests/CMakeLists.txt). The same checks run in the seeded
// gtest row of web_message_test.cpp.
#include "support/MessageCheck.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    checkMessage(QByteArrayView(data, static_cast<qsizetype>(size)));
    return 0;
}
