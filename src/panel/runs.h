#pragma once
// The mark of the run machinery for the handlers that run steps and key
// presses (see Corvane.h, "One action at a time").

#include "actions/ActionRunner.h"
#include "panel/Corvane.h"

// The handler's work is an action, whether a click started it or a caller
// called the handler directly: anything asked for meanwhile waits its turn,
// and the long waits inside it may serve the program.
class Corvane::Busy
{
public:
    explicit Busy(Corvane& panel) : scope_(panel.runner_) {}

private:
    ActionRunner::Scope scope_;
};
