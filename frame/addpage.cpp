#include "page.h"

// The page itself (its template, dialog procedure and skin) has not been
// built yet, so the library adds no tab; the shell is told so through
// AddPages' S_FALSE.
BOOL AddPage(LPFNADDPROPSHEETPAGE, LPARAM)
{
    return FALSE;
}
