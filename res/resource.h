// Resource IDs of Quarvel.rc, shared with the code.
#pragma once

#define IDM_ABOUTBOX 0x0010
#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_MAIN 102
#define IDR_MAINFRAME 128
#define IDI_BANNER 137

#define IDC_INSTALL 1001
#define IDC_SELECT_INF 1003
#define IDC_STATUS 1007
#define IDC_DETAILS 1008

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
