#pragma once
// A name change as screen readers can speak it.
//
// Qt 6.4's AT-SPI bridge reports a name change with a reference to the object
// where the protocol carries the new name. Orca 43 hands that reference to its
// speech, which refuses it ("bad content sent to speak()"): a name change,
// the one change of the focused object it speaks, is never heard. This sends
// the change as the protocol has it, on the bridge's own connection, so that
// it comes from the object the reader knows.

class QAccessibleEvent;

namespace spokenname
{

// Sends `event` (a NameChanged) with the new name; false when there is no
// accessibility bus to send it on, and the event should take its usual way.
bool send(const QAccessibleEvent& event);

} // namespace spokenname
