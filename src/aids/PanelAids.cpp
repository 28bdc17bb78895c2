#include "aids/PanelAids.h"

#include "aids/Announcer.h"
#include "aids/FocusRing.h"
#include "aids/QuietDisplays.h"
#include "aids/Selection.h"
#include "aids/TabStop.h"
#include "aids/Zoom.h"
#include "panel/Corvane.h"

#include <QButtonGroup>
#include <QLineEdit>
#include <QRadioButton>

PanelAids::PanelAids(Corvane& panel) : QObject(&panel), panel_(panel)
{
    // Start-up's own record is no news: only what actions change is announced.
    selection::apply(panel_);
    announcer_ = new Announcer(panel_, this);
    zoom_ = new Zoom(panel_, *announcer_, this); // takes the places as they are as 100 %
    setupDisplayEdits();
    describeControls();
    setupKeys();
    new FocusRing(panel_, this);
    keepTabStopOnChecked(*panel_.RIT_ON->group());
    new QuietDisplays(panel_, {panel_.Text1, panel_.Text2, panel_.Text3, panel_.Text4, panel_.Text5}, this);
}

QString PanelAids::announcement() const
{
    return announcer_->last();
}
