#include "panel/PanelAids.h"

#include "panel/Corvane.h"

PanelAids::PanelAids(Corvane& panel) : QObject(&panel), panel_(panel)
{
    keepBaseLayout();
    setupDisplayEdits();
    describeControls();
    setupKeys();
    setupFocusRing();
    // Start-up's own record is no news: only what actions change is announced.
    announcement_ = recordSummary();
    connect(&panel_, &Corvane::actionEnded, this, &PanelAids::announceRecord);
}
