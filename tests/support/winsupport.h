// Helpers for tests that run under Wine: registry scratch areas, answering
// message boxes as a user would, patching a module's imports, and the
// simulated card's service.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace testing_support {

// Registry -----------------------------------------------------------------

void DeleteKeyTree(HKEY root, const char *path);
void WriteString(HKEY root, const char *path, const char *name, const char *text);
void WriteDword(HKEY root, const char *path, const char *name, DWORD value);
void WriteRaw(HKEY root, const char *path, const char *name, DWORD type, const void *data,
              DWORD size);
// Empty optional-like result: found is false when the value is missing.
struct RegValue {
    bool found = false;
    DWORD type = REG_NONE;
    std::string data;  // raw bytes
};
RegValue ReadValue(HKEY root, const char *path, const char *name);
bool KeyExists(HKEY root, const char *path);
std::vector<std::string> ValueNames(HKEY root, const char *path);

// Message boxes and dialogs -------------------------------------------------

// What a dialog box (a message box included) showed when it came up.
struct SeenDialog {
    std::string caption;
    std::string text;        // the message text (static control 0xFFFF)
    std::vector<int> buttons;  // ids of the push buttons present
    HWND owner = NULL;
    bool hasIcon = false;
};

// While alive, every dialog box the current thread creates is recorded and
// answered by pressing the given button (the first answer for the first
// box, and so on; the last answer repeats).
class DialogAnswerer {
public:
    explicit DialogAnswerer(std::vector<int> answers);
    ~DialogAnswerer();
    const std::vector<SeenDialog> &Seen() const { return seen_; }

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);
    static VOID CALLBACK Answer(HWND, UINT, UINT_PTR, DWORD);
    HHOOK hook_;
    std::vector<int> answers_;
    std::vector<SeenDialog> seen_;
};

// Imports -------------------------------------------------------------------

// Points the named import of module at replacement; returns the previous
// target, or NULL when the module does not import it.
void *PatchImport(HMODULE module, const char *dll, const char *function, void *replacement);

// The simulated card's service ----------------------------------------------

bool StopCardService();
bool StartCardService();

}  // namespace testing_support
