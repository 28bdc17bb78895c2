#pragma once
// What the program says while its window is being opened. Qt ends on a fatal
// error (no display to connect to, say) with an abort and a page of text;
// before the window is up that is an ordinary failure to start: one line on
// standard error, exit code 1. Qt's other messages meanwhile wait until the
// window is up, then go to standard error in their order.

namespace app
{

// Whether a window can be tried at all: false, after one line on standard
// error, when no platform is named and neither DISPLAY nor WAYLAND_DISPLAY is
// set.
bool displayToConnectTo();

// From now until windowIsUp(), Qt's messages are held back, and a fatal one
// ends the program as above. Call before the QApplication is made.
void holdStartupMessages();

// The window is up: the messages held back are written, and Qt's own handler
// takes the later ones.
void windowIsUp();

} // namespace app
