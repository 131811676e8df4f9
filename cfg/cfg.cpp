// Registry access helpers shared by both page libraries and the remover.
// The plain options are the base; the private heap's allocate from a heap of
// their own, report failed writes in message boxes and delete sub-keys where
// no value has the name.
#include "cfg.h"

#include "digits.h"

namespace {

// A REG_SZ number: leading blanks and a sign, digits up to the first
// non-digit, 0 when there are none.
LONG ParseLeadingDecimal(const char *text)
{
    while (*text == ' ' || *text == '\t')
        ++text;
    bool negative = false;
    if (*text == '-' || *text == '+')
        negative = (*text++ == '-');
    unsigned long value = 0;
    while (IsDigit(*text))
        value = value * 10 + (unsigned long)(*text++ - '0');
    return negative ? (LONG)(0u - value) : (LONG)value;
}

const DWORD kReadSlack = 8;

}  // namespace

HANDLE g_cfgHeap;
unsigned g_cfgBlocksAllocated;
unsigned g_cfgBlocksFreed;

void *CfgGlobalAlloc(SIZE_T size)
{
    return GlobalAlloc(GPTR, size);
}

void CfgGlobalFree(void *block)
{
    if (block)
        GlobalFree(block);
}

void *CfgHeapAlloc(SIZE_T size)
{
    if (!g_cfgHeap) {
        g_cfgHeap = HeapCreate(0, 4096, 0);
        if (!g_cfgHeap)
            return NULL;
    }
    void *block = HeapAlloc(g_cfgHeap, HEAP_ZERO_MEMORY, size);
    if (block)
        ++g_cfgBlocksAllocated;
    return block;
}

void CfgHeapFree(void *block)
{
    if (!block || !g_cfgHeap)
        return;
    ++g_cfgBlocksFreed;
    HeapFree(g_cfgHeap, 0, block);
    if (g_cfgBlocksFreed == g_cfgBlocksAllocated) {
        HeapDestroy(g_cfgHeap);
        g_cfgHeap = NULL;
    }
}

void *CfgAlloc(SIZE_T size)
{
    return g_cfgOptions.alloc(size);
}

void CfgFree(void *block)
{
    g_cfgOptions.free(block);
}

HKEY CfgOpenKey(HKEY root, const char *subKey)
{
    static const REGSAM kAccess[] = {KEY_ALL_ACCESS, KEY_QUERY_VALUE, KEY_READ};
    for (REGSAM access : kAccess) {
        HKEY key;
        if (RegOpenKeyExA(root, subKey, 0, access, &key) == ERROR_SUCCESS)
            return key;
    }
    return NULL;
}

DWORD CfgReadValue(HKEY root, const char *subKey, const char *name, void *buffer, DWORD size)
{
    HKEY key = CfgOpenKey(root, subKey);
    if (!key)
        return 0;
    DWORD count = size;
    LONG status = RegQueryValueExA(key, name, NULL, NULL, (BYTE *)buffer, &count);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? count : 0;
}

DWORD CfgReadText(HKEY root, const char *subKey, const char *name, char *buffer, DWORD size)
{
    if (size == 0)
        return 0;
    DWORD count = CfgReadValue(root, subKey, name, buffer, size);
    // A value that fills the buffer leaves no room behind it: its last byte
    // (the stored terminator, for a well-formed string) gives way instead.
    buffer[count < size ? count : size - 1] = '\0';
    return count;
}

BOOL CfgReadValueAlloc(HKEY root, const char *subKey, const char *name, BYTE **block, DWORD *type,
                       DWORD *dataSize)
{
    if (!block)
        return FALSE;
    *block = NULL;
    HKEY key = CfgOpenKey(root, subKey);
    if (!key)
        return FALSE;
    BOOL ok = FALSE;
    DWORD size = 0;
    if (RegQueryValueExA(key, name, NULL, NULL, NULL, &size) == ERROR_SUCCESS) {
        // Zero bytes kept behind the value: a terminator for text, and room
        // for readers that look a little past short binary values.
        *block = (BYTE *)CfgAlloc(size + kReadSlack);
        DWORD valueType = REG_NONE;
        if (*block &&
            RegQueryValueExA(key, name, NULL, &valueType, *block, &size) == ERROR_SUCCESS) {
            if (type)
                *type = valueType;
            if (dataSize)
                *dataSize = size;
            ok = TRUE;
        }
    }
    RegCloseKey(key);
    if (!ok) {
        CfgFree(*block);
        *block = NULL;
    }
    return ok;
}

BOOL CfgReadInt(HKEY root, const char *subKey, const char *name, LONG *value, LONG fallback)
{
    BYTE *block;
    DWORD type, size;
    if (!CfgReadValueAlloc(root, subKey, name, &block, &type, &size)) {
        *value = fallback;
        return FALSE;
    }
    BOOL ok = TRUE;
    switch (type) {
    case REG_SZ:
        // The block always carries a zero byte behind the value's data.
        *value = ParseLeadingDecimal((const char *)block);
        break;
    case REG_BINARY:
    case REG_DWORD: {
        // Bytes the value lacks read as 0; nothing beyond its data is touched.
        DWORD number = 0;
        for (DWORD i = 0; i < 4 && i < size; ++i)
            number |= (DWORD)block[i] << (8 * i);
        *value = (LONG)number;
        break;
    }
    default:
        ok = FALSE;
        break;
    }
    CfgFree(block);
    return ok;
}

char *CfgReadString(HKEY root, const char *subKey, const char *name)
{
    HKEY key;
    if (RegOpenKeyExA(root, subKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return NULL;
    char *block = NULL;
    DWORD size = 0;
    if (RegQueryValueExA(key, name, NULL, NULL, NULL, &size) == ERROR_SUCCESS) {
        block = (char *)CfgAlloc(size + 1);
        if (block && RegQueryValueExA(key, name, NULL, NULL, (BYTE *)block, &size) != ERROR_SUCCESS) {
            CfgFree(block);
            block = NULL;
        }
    }
    RegCloseKey(key);
    return block;
}

namespace {

BOOL WriteValueShown(HKEY root, const char *subKey, const char *name, const void *data,
                     DWORD type, DWORD size, bool show)
{
    SECURITY_ATTRIBUTES security = {sizeof security, NULL, FALSE};
    HKEY key;
    DWORD disposition;
    const char *failure = NULL;
    if (RegCreateKeyExA(root, subKey, 0, NULL, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, &security,
                        &key, &disposition) != ERROR_SUCCESS) {
        failure = "Couldn't open";
    } else {
        if (RegSetValueExA(key, name, 0, type, (const BYTE *)data, size) != ERROR_SUCCESS)
            failure = "Couldn't write";
        RegCloseKey(key);
    }
    if (failure && show)
        MessageBoxA(NULL, failure, "Registry", MB_OK | MB_ICONQUESTION);
    return failure == NULL;
}

}  // namespace

BOOL CfgWriteValue(HKEY root, const char *subKey, const char *name, const void *data, DWORD type,
                   DWORD size)
{
    return WriteValueShown(root, subKey, name, data, type, size, g_cfgOptions.showWriteFailures);
}

BOOL CfgWriteTextShown(HKEY root, const char *subKey, const char *name, const char *text)
{
    return WriteValueShown(root, subKey, name, text, REG_SZ, (DWORD)lstrlenA(text) + 1, true);
}

BOOL CfgWriteText(HKEY root, const char *subKey, const char *name, const char *text)
{
    return CfgWriteValue(root, subKey, name, text, REG_SZ, (DWORD)lstrlenA(text) + 1);
}

LONG CfgEnumerate(HKEY root, const char *subKey, int mode, CfgCallback callback, LONG_PTR context)
{
    SetLastError(0);
    HKEY key;
    if (RegOpenKeyExA(root, subKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) {
        LONG status =
            RegOpenKeyExA(root, subKey, 0, KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE, &key);
        if (status != ERROR_SUCCESS)
            return status;
    }
    CfgEnumerateOpen(key, mode, callback, context);
    return RegCloseKey(key);
}

void CfgEnumerateOpen(HKEY key, int mode, CfgCallback callback, LONG_PTR context)
{
    char name[kPathSize];
    BYTE data[kCfgDataSize];
    for (DWORD index = 0;; ++index) {
        if (mode == kCfgWalkSubKeys) {
            if (RegEnumKeyA(key, index, name, sizeof name) != ERROR_SUCCESS)
                return;
            if (!callback((LONG_PTR)name, context))
                return;
            continue;
        }
        DWORD nameSize = sizeof name;
        DWORD dataSize = sizeof data;
        DWORD type;
        LONG status = RegEnumValueA(key, index, name, &nameSize, NULL, &type, data, &dataSize);
        // A value too big for the buffers is stepped over, not taken for
        // the end of the list: the values after it still count.
        if (status == ERROR_MORE_DATA)
            continue;
        if (status != ERROR_SUCCESS)
            return;
        BOOL goOn;
        if (mode == kCfgWalkValueNames)
            goOn = callback((LONG_PTR)name, context);
        else if (mode == kCfgWalkValueData || (DWORD)mode == type)
            goOn = callback((LONG_PTR)data, (LONG_PTR)dataSize);
        else
            goOn = TRUE;
        if (!goOn)
            return;
    }
}

BOOL CfgDeleteValue(HKEY root, const char *subKey, const char *name)
{
    HKEY key;
    if (RegOpenKeyExA(root, subKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return FALSE;
    BOOL deleted = RegDeleteValueA(key, name) == ERROR_SUCCESS;
    if (!deleted && g_cfgOptions.deleteSubKeys)
        deleted = RegDeleteKeyA(key, name) == ERROR_SUCCESS;
    RegCloseKey(key);
    return deleted;
}

void CfgClearValues(HKEY root, const char *subKey)
{
    HKEY key;
    if (RegOpenKeyExA(root, subKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return;
    // Deleting shifts the indices, so always look at the first value again;
    // the unnamed default value is stepped over.
    DWORD index = 0;
    for (;;) {
        char name[kPathSize];
        DWORD nameSize = sizeof name;
        if (RegEnumValueA(key, index, name, &nameSize, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
            break;
        if (name[0] == '\0' || RegDeleteValueA(key, name) != ERROR_SUCCESS)
            ++index;
    }
    RegCloseKey(key);
}

BOOL CfgKeyExists(HKEY root, const char *subKey)
{
    HKEY key;
    if (RegOpenKeyExA(root, subKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return FALSE;
    RegCloseKey(key);
    return TRUE;
}

BOOL AddNameToCombo(LONG_PTR name, LONG_PTR combo)
{
    const char *text = (const char *)name;
    if (text[0] != '\0')
        SendMessageA((HWND)combo, CB_ADDSTRING, 0, (LPARAM)text);
    return TRUE;
}
