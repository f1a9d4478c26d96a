// Template 107: the transient message window.
#pragma once

#define IDD_MESSAGE 107
#define IDC_MESSAGE_TEXT 1030
