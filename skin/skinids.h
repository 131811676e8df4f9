// Ids of the countdown dialog, which both page libraries carry with the
// same controls; each library's own ids header includes this one.
#ifndef SKIN_SKINIDS_H
#define SKIN_SKINIDS_H

#define IDS_TAB_TITLE 3
#define IDD_PAGE 101
#define IDD_COUNTDOWN 133

#define IDC_COUNTDOWN_YES 1481
#define IDC_COUNTDOWN_NO 2
#define IDC_COUNTDOWN_QUESTION 1476
#define IDC_COUNTDOWN_BAR 1477

#endif
