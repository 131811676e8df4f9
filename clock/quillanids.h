// Resource and control ids of Quillan.dll, shared by quillan.rc and the code.
#ifndef CLOCK_QUILLANIDS_H
#define CLOCK_QUILLANIDS_H

#include "../skin/skinids.h"

#define IDI_PAGE 102

// Clock page (dialog 101)
#define IDC_OUTER_FRAME 1441
#define IDC_CORE_FRAME 1458
#define IDC_CORE_SLIDER 1457
#define IDC_MEMORY_FRAME 1459
#define IDC_MEMORY_SLIDER 1455
#define IDC_TIMING_FRAME 1465
#define IDC_TIMING_SLOW 1462
#define IDC_TIMING_MEDIUM 1463
#define IDC_TIMING_FAST 1464
#define IDC_LATENCY_FRAME 1469
#define IDC_LATENCY_SLOW 1466
#define IDC_LATENCY_MEDIUM 1467
#define IDC_LATENCY_FAST 1468
#define IDC_VALUES_FRAME 1470
#define IDC_VALUES_TEXT 1471
#define IDC_LOGO 1473
#define IDC_PROFILE_NAME 1485
#define IDC_PROFILE_SAVE 1483
#define IDC_PROFILE_DELETE 1484
#define IDC_FACTORY_DEFAULTS 1418

#endif
