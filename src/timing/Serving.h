#pragma once
// What a long wait may lend its time to: the program's event loop, served
// until a given moment. Handed to the pacer by whoever builds it; the pacer
// knows nothing else about what is served.

#include <chrono>

class Serving
{
public:
    virtual ~Serving() = default;
    // Serves until about returnBy on the steady clock, and returns no later
    // than a serving's length after it; may return at once (nothing may be
    // served now). Never shortens the caller's wait: the caller waits out the
    // rest itself.
    virtual void serveUntil(std::chrono::steady_clock::time_point returnBy) = 0;
    // Answers the calls other programs are waiting on (a screen reader's
    // questions) and nothing else: no painting, no input. Returns at once when
    // none waits, so it may be asked in every gap of a run.
    virtual void answerWaiting() {}
};
