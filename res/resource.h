// Resource and control identifiers, shared by the resource script and the code.
#pragma once

#define IDI_APP         101
#define IDD_INSTALLER   103
#define IDB_BANNER      104
#define IDC_PANEL       105
#define IDI_WINDOW      106
#define IDC_PROGRESS    107
#define IDC_SELECT      108
#define IDC_STATUS      109
#define IDC_INSTALL     110
#define IDC_NAME        111
#define IDC_AUTHOR      112
