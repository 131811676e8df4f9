// Resource and control ids of Morvask.exe. The code and the tests refer to
// them by number, so they never change.
#pragma once

// Pictures and the file icon.
#define IDB_DESTROY 101      // frowning face, thumb down, above "Destroy"
#define IDB_LEAVE_ALONE 103  // smiling face, thumb up, above "Leave Alone"
#define IDI_MORVASK 104      // icon group: one 48 x 48 image in 256 colours

// Dialog 102, the program's only window.
#define IDD_REMOVER 102
#define IDC_DESTROY 1001
#define IDC_LEAVE_ALONE 1002
#define IDC_LOG 1003
