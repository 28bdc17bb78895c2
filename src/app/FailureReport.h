#pragma once
// Where a failed action is reported: one line on standard error, and a
// message box over the panel, except on a run without a screen (the
// "offscreen" platform), where nobody could close the box and the panel would
// wait on it for ever.

class Corvane;

namespace app
{

// From now on, every actionFailed of the panel is reported as above. Needs
// the QApplication.
void reportFailures(Corvane& panel);

} // namespace app
