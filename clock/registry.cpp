// How Quillan's registry helpers behave: the plain allocator, and failed
// writes left to the caller's return value.
#include "cfg.h"

const CfgOptions g_cfgOptions = CFG_PLAIN_OPTIONS;
