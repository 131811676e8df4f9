// How Serrafin's registry helpers behave: its own heap, and failed writes
// shown to the user.
#include "cfg.h"

const CfgOptions g_cfgOptions = CFG_PRIVATE_HEAP_OPTIONS;
