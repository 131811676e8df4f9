// Which Windows the program runs on, as GetVersionExA reports it. Each
// program keeps its own reading of the answer: the remover tells the 9x
// family from the NT family, the modes page also the NT branches whose
// display drivers keep their keys apart.
#pragma once

enum WindowsBranch {
    kOtherWindows,  // another NT version (NT 4.0), another platform, or no answer
    kWindows9x,     // Windows 95, 98 and ME
    kWindows2000,   // NT 5.x other than 5.1
    kWindowsXP,     // NT 5.1
};

WindowsBranch DetectWindowsBranch();
