#pragma once
// Reads a standard port's traffic (base 888) back as the operations that made
// it, for tests that care about the order of whole runs rather than bytes:
//   "step_tog"        a long key press (two waits with index 2)
//   "up N", "dn N"    a run of N Encoder 1 steps ended by the readout
//   "run 0"           a run that made no step (only the readout)
//   "wait 1"          the pause after a run of "E"
// Anything it does not recognise is kept as it stands.

#include "support/Fakes.h"

#include <string>
#include <vector>

std::vector<std::string> summarize(const TrafficLog& log);
