// What the remover's tests see from inside other processes: the spy hook
// DLL in Morvask's thread and the family's stand-in windows record events in
// one shared block, in the order they happen, each with the time it
// happened. The test creates the block before it starts anything.
#pragma once
#include <windows.h>

#include <string.h>

namespace spy {

const char kMappingName[] = "VantrelTestsMorvaskSpy";

enum Kind : LONG {
    kNone = 0,
    kLogLine,         // LVM_INSERTITEMA: text, value = iItem
    kColumn,          // LVM_INSERTCOLUMNA: value = mask, value2 = fmt, value3 = cx, text = pszText
    kEnsureVisible,   // LVM_ENSUREVISIBLE: value = index, value2 = fPartialOK
    kUpdateWindow,    // the log list painted (WM_PAINT sent by UpdateWindow)
    kCommand,         // WM_COMMAND reaching the dialog: value = wParam
    kConfirmation,    // a shell confirmation: text = caption "|" message, value = answer
    kDialogDestroyed, // WM_DESTROY of the dialog
    kFinalLine,       // the list's items at WM_DESTROY: text, value = index
    kFinalColumn,     // value = fmt, value2 = cx
    kFinalView,       // value = item count, value2 = top index, value3 = count per page
    kPicture,         // a picture control's bitmap: value = width, value2 = height, value3 = bpp
    kWindowCreated,   // any window created in a spied thread: text = class name
    kMarker,          // a marker posted by the test was taken from the queue: value = its number
    kTrayToldToGo,    // the family's stand-in windows
    kTrayGone,
    kLauncherToldToGo,
    kLauncherGone,
};

struct Event {
    volatile LONG kind;  // written last: kNone while the event is being filled in
    DWORD process;
    DWORD tick;
    LONG_PTR value, value2, value3;
    char text[320];
};

enum { kMaxEvents = 1024 };

struct Shared {
    volatile LONG count;
    // How the spy answers the shell's confirmations: answer, except for a
    // message that contains refuseText, which gets IDNO.
    volatile LONG answer;
    char refuseText[64];
    // Press both of the dialog's buttons while the first confirmation is up.
    volatile LONG pressButtonsInConfirmation;
    Event events[kMaxEvents];
};

// The marker message the test posts to the dialog to know that everything
// posted before it has been taken from the queue.
const UINT kMarkerMessage = WM_APP + 0x5E7;

inline Shared *Open()
{
    static Shared *shared;
    if (!shared) {
        HANDLE mapping = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, kMappingName);
        if (!mapping)
            return NULL;
        shared = (Shared *)MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(Shared));
    }
    return shared;
}

inline void Record(Kind kind, const char *text = "", LONG_PTR value = 0, LONG_PTR value2 = 0,
                   LONG_PTR value3 = 0)
{
    Shared *shared = Open();
    if (!shared)
        return;
    LONG index = InterlockedIncrement(&shared->count) - 1;
    if (index >= kMaxEvents)
        return;
    Event &event = shared->events[index];
    event.process = GetCurrentProcessId();
    event.tick = GetTickCount();
    event.value = value;
    event.value2 = value2;
    event.value3 = value3;
    lstrcpynA(event.text, text ? text : "", sizeof event.text);
    InterlockedExchange(&event.kind, kind);
}

}  // namespace spy
