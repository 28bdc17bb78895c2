#pragma once
// Tab enters an exclusive group of radio buttons on its checked button, and
// the next Tab leaves the group: only the checked button is a Tab stop, the
// arrow keys move within the group. (Qt itself makes a Tab stop of whichever
// button last had the focus, checked or not.)

class QButtonGroup;

// Keeps the Tab stop of `group` on its checked button from now on.
void keepTabStopOnChecked(QButtonGroup& group);
