#pragma once
// The operator aids live in their own folder; this name stays for the panel's own files.
#include "aids/PanelAids.h"
