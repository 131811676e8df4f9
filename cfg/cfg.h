// Registry access: every setting of the page libraries is read and written
// through these helpers, which open and close keys, fall back to lesser
// access rights, allocate buffers and convert value types. They are compiled
// once; each program that links them says how they behave (where blocks come
// from, whether failed writes are shown) in g_cfgOptions.
#pragma once
#include <windows.h>

struct CfgOptions {
    void *(*alloc)(SIZE_T size);
    void (*free)(void *block);
    bool showWriteFailures;    // in a message box
    bool deleteSubKeys;        // CfgDeleteValue falls back to a sub-key of that name
};

// The two behaviours, for a program's definition of g_cfgOptions:
// blocks from GlobalAlloc, failed writes kept quiet (Quillan, the remover);
#define CFG_PLAIN_OPTIONS {CfgGlobalAlloc, CfgGlobalFree, false, false}
// blocks from a private heap that is destroyed whenever every block handed
// out has come back, failed writes shown (Serrafin).
#define CFG_PRIVATE_HEAP_OPTIONS {CfgHeapAlloc, CfgHeapFree, true, true}

// Defined by each program that links the helpers.
extern const CfgOptions g_cfgOptions;

void *CfgGlobalAlloc(SIZE_T size);
void CfgGlobalFree(void *block);
void *CfgHeapAlloc(SIZE_T size);
void CfgHeapFree(void *block);

// Callbacks of CfgEnumerate take two pointer-sized arguments and return
// TRUE to go on, FALSE to stop.
typedef BOOL (*CfgCallback)(LONG_PTR first, LONG_PTR second);

enum {
    kPathSize = 260,     // key paths, value and sub-key names, file paths, log lines
    kCfgDataSize = 512,  // value data met while walking a key
};

// Walk modes of CfgEnumerate besides a value type.
enum {
    kCfgWalkSubKeys = -1,
    kCfgWalkValueNames = -2,
    kCfgWalkValueData = 0,
};

void *CfgAlloc(SIZE_T size);
void CfgFree(void *block);

HKEY CfgOpenKey(HKEY root, const char *subKey);
DWORD CfgReadValue(HKEY root, const char *subKey, const char *name, void *buffer, DWORD size);
// As CfgReadValue, for text: the buffer is always terminated within its size.
DWORD CfgReadText(HKEY root, const char *subKey, const char *name, char *buffer, DWORD size);
BOOL CfgReadValueAlloc(HKEY root, const char *subKey, const char *name, BYTE **block,
                       DWORD *type, DWORD *dataSize = NULL);
BOOL CfgReadInt(HKEY root, const char *subKey, const char *name, LONG *value, LONG fallback);
char *CfgReadString(HKEY root, const char *subKey, const char *name);
BOOL CfgWriteValue(HKEY root, const char *subKey, const char *name, const void *data, DWORD type,
                   DWORD size);
// Writes text with its terminating zero counted, as every string value is stored.
BOOL CfgWriteText(HKEY root, const char *subKey, const char *name, const char *text);
// As CfgWriteText, with a failure shown in the write-error box whatever the
// program's options: for a write the user asked for and must hear about.
BOOL CfgWriteTextShown(HKEY root, const char *subKey, const char *name, const char *text);
LONG CfgEnumerate(HKEY root, const char *subKey, int mode, CfgCallback callback, LONG_PTR context);
void CfgEnumerateOpen(HKEY key, int mode, CfgCallback callback, LONG_PTR context);
BOOL CfgDeleteValue(HKEY root, const char *subKey, const char *name);

void CfgClearValues(HKEY root, const char *subKey);
BOOL CfgKeyExists(HKEY root, const char *subKey);

// Used with kCfgWalkValueNames to fill a combo box with value names.
BOOL AddNameToCombo(LONG_PTR name, LONG_PTR combo);

// kCfgPrivateHeap's heap and its counters, one per process.
extern HANDLE g_cfgHeap;
extern unsigned g_cfgBlocksAllocated;
extern unsigned g_cfgBlocksFreed;
