#pragma once
// The two marks of the run machinery, for the handlers that run steps and key
// presses (see Corvane.h, "One action at a time").

#include "panel/Corvane.h"

// An action, or a serving of the program, is under way: anything asked for
// meanwhile waits its turn. When the outermost one ends, what waited for it
// (held input, queued actions, a close) is taken up from the event loop.
class Corvane::Busy {
public:
    explicit Busy(Corvane& panel);
    ~Busy();
    Busy(const Busy&) = delete;
    Busy& operator=(const Busy&) = delete;

private:
    Corvane& panel_;
};

// A step (its line changes and their waits) or a key press (press, hold,
// release) is under way: nothing is served, so nothing can come between.
class Corvane::NoServe {
public:
    explicit NoServe(Corvane& panel) : panel_(panel) { ++panel_.noServeDepth_; }
    ~NoServe() { --panel_.noServeDepth_; }
    NoServe(const NoServe&) = delete;
    NoServe& operator=(const NoServe&) = delete;

private:
    Corvane& panel_;
};
