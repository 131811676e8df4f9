// Resource and control ids of Serrafin.dll, shared by serrafin.rc and the code.
#ifndef MODES_SERRAFINIDS_H
#define MODES_SERRAFINIDS_H

#include "../skin/skinids.h"

#define IDI_PAGE 134
#define IDI_MODE_ON 135
#define IDI_MODE_OFF 136

// Modes page (dialog 101)
#define IDC_MODES_FRAME 1478
#define IDC_MODE_LIST 1479

#endif
