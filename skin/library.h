// What differs between the two page libraries that share frame/ and skin/.
// Each deliverable's build defines exactly one of LIBRARY_QUILLAN or
// LIBRARY_SERRAFIN; code that must differ asks kIsSerrafin (or the values
// below) instead of keeping a second copy of itself.
#pragma once

#if defined(LIBRARY_QUILLAN) && defined(LIBRARY_SERRAFIN)
#error "a page library is either Quillan or Serrafin"
#endif

#if defined(LIBRARY_SERRAFIN)
enum { kIsSerrafin = 1 };
#define LIBRARY_MODULE_NAME "Serrafin.dll"
#define LIBRARY_ROOT_KEY "Software\\Vantrel\\Modivane"
enum { kPageIconId = 134 };
#else
// Quillan's copy is the base; the remover links the base registry helpers too.
enum { kIsSerrafin = 0 };
#define LIBRARY_MODULE_NAME "Quillan.dll"
#define LIBRARY_ROOT_KEY "Software\\Vantrel\\ATI Radeon Tachyra"
enum { kPageIconId = 102 };
#endif
