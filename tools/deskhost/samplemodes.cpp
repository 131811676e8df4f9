// Sample keys of an ATI display driver for the modes tab to find: a
// display device, the driver's Modes key with a few per-mode keys, and the
// DAL key with its non-standard and restricted mode lists, where the driver
// of one Windows family keeps them.
#include <windows.h>
#include <stdio.h>
#include <string.h>

#include <initializer_list>

namespace {

const char kClassRoot[] = "System\\CurrentControlSet\\Services\\Class";
const char kVideoRoot[] = "System\\CurrentControlSet\\Control\\Video";

// Packed decimal, as the driver stores its lists: 1280 is 12 80.
void PackField(int value, BYTE *out)
{
    out[0] = (BYTE)((value / 1000 % 10) << 4 | (value / 100 % 10));
    out[1] = (BYTE)((value / 10 % 10) << 4 | (value % 10));
}

void PackEntry(int width, int height, int depth, int refresh, BYTE *out)
{
    PackField(width, out);
    PackField(height, out + 2);
    PackField(depth, out + 4);
    PackField(refresh, out + 6);
}

// Opens or creates a key; under a volatile parent (Wine's Control\Video)
// only a volatile key can be made.
HKEY CreateKey(const char *path)
{
    HKEY key;
    for (DWORD options : {REG_OPTION_NON_VOLATILE, REG_OPTION_VOLATILE}) {
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, NULL, options, KEY_ALL_ACCESS, NULL, &key,
                            NULL) == ERROR_SUCCESS)
            return key;
    }
    return NULL;
}

bool SetValue(const char *path, const char *name, DWORD type, const void *data, DWORD size)
{
    HKEY key = CreateKey(path);
    if (!key)
        return false;
    LONG status = RegSetValueExA(key, name, 0, type, (const BYTE *)data, size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

bool SetText(const char *path, const char *name, const char *text)
{
    return SetValue(path, name, REG_SZ, text, (DWORD)strlen(text) + 1);
}

bool ReadText(const char *path, const char *name, char *text, DWORD size)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    DWORD type;
    LONG status = RegQueryValueExA(key, name, NULL, &type, (BYTE *)text, &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS && type == REG_SZ && size > 0 && text[size - 1] == '\0';
}

// The first display instance of Windows XP's device tree: Wine's own
// adapter, whose driver and video keys are the ones XP's driver would use.
bool FindXpAdapter(char *instance, DWORD size)
{
    const char tree[] = "System\\CurrentControlSet\\Enum\\PCI";
    HKEY treeKey;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, tree, 0, KEY_READ, &treeKey) != ERROR_SUCCESS)
        return false;
    bool found = false;
    char device[MAX_PATH];
    for (DWORD d = 0; !found && RegEnumKeyA(treeKey, d, device, sizeof device) == ERROR_SUCCESS; ++d) {
        char deviceKey[MAX_PATH * 2];
        snprintf(deviceKey, sizeof deviceKey, "%s\\%s", tree, device);
        HKEY key;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, deviceKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
            continue;
        char name[MAX_PATH];
        for (DWORD i = 0; !found && RegEnumKeyA(key, i, name, sizeof name) == ERROR_SUCCESS; ++i) {
            char path[MAX_PATH * 3], deviceClass[64];
            snprintf(path, sizeof path, "%s\\%s", deviceKey, name);
            if (ReadText(path, "Class", deviceClass, sizeof deviceClass) &&
                !lstrcmpiA(deviceClass, "Display") && strlen(path) < size) {
                lstrcpynA(instance, path, size);
                found = true;
            }
        }
        RegCloseKey(key);
    }
    RegCloseKey(treeKey);
    return found;
}

bool WriteModeKeys(const char *driver)
{
    char modes[MAX_PATH * 2];
    snprintf(modes, sizeof modes, "%s\\%s\\Modes", kClassRoot, driver);
    char key[MAX_PATH * 3];
    bool ok = true;
    // 1280 x 720 is on in the driver's list at 32 bpp, at 75 Hz.
    snprintf(key, sizeof key, "%s\\16\\1280,720", modes);
    ok &= SetText(key, "", "") && SetText(key, "RefreshRate", "75");
    snprintf(key, sizeof key, "%s\\8\\1280,720", modes);
    ok &= SetText(key, "", "59.94,60,75,85");
    // The mode Wine's display is in, with a rate list of its own.
    snprintf(key, sizeof key, "%s\\8\\1024,768", modes);
    ok &= SetText(key, "", "60,70,75,85");
    snprintf(key, sizeof key, "%s\\16\\1024,768", modes);
    ok &= SetText(key, "", "") && SetText(key, "RefreshRate", "60");
    return ok;
}

bool WriteDalLists(const char *dalKey)
{
    BYTE nonStandard[3 * 8], restricted[2 * 8];
    PackEntry(1280, 720, 32, 0, nonStandard);
    PackEntry(848, 480, 0, 0, nonStandard + 8);
    PackEntry(1152, 864, 32, 75, nonStandard + 16);  // no predefined row: never shown
    PackEntry(1600, 1280, 0, 0, restricted);
    PackEntry(720, 480, 16, 0, restricted + 8);
    return SetValue(dalKey, "DALNonStandardModesBCD", REG_BINARY, nonStandard, sizeof nonStandard) &&
           SetValue(dalKey, "DALRestrictedModesBCD", REG_BINARY, restricted, sizeof restricted);
}

}  // namespace

bool WriteSampleModes(const char *family, char *dalKey, size_t dalKeySize)
{
    char driver[MAX_PATH] = "Display\\0000";
    if (!strcmp(family, "winxp")) {
        char instance[MAX_PATH], parameters[MAX_PATH + 32], videoId[MAX_PATH];
        if (!FindXpAdapter(instance, sizeof instance) ||
            !ReadText(instance, "Driver", driver, sizeof driver))
            return false;
        snprintf(parameters, sizeof parameters, "%s\\Device Parameters", instance);
        if (!ReadText(parameters, "VideoID", videoId, sizeof videoId))
            return false;
        snprintf(dalKey, dalKeySize, "%s\\%s\\0000", kVideoRoot, videoId);
    } else if (!strcmp(family, "win98") || !strcmp(family, "win2k")) {
        const char instance[] = "Enum\\PCI\\VEN_1002&DEV_5144&SUBSYS_00000000&REV_00\\000000";
        if (!SetText(instance, "Class", "Display") || !SetText(instance, "Driver", driver))
            return false;
        snprintf(dalKey, dalKeySize, "%s",
                 !strcmp(family, "win98") ? "Software\\ATI Technologies\\Driver\\0000\\DAL"
                                          : "SYSTEM\\CurrentControlSet\\Services\\ati2mtag\\Device0");
    } else {
        return false;
    }
    return WriteModeKeys(driver) && WriteDalLists(dalKey);
}
