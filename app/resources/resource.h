// Resource identifiers of Morvane Quote.exe. Included by the C++ code and by
// the resource scripts, so it holds only #define lines.
#ifndef MORVANE_APP_RESOURCES_RESOURCE_H
#define MORVANE_APP_RESOURCES_RESOURCE_H

// Icons
#define IDI_APP 101
#define IDI_TRAY_START 102
#define IDI_TREND_STRONG_RISE 113
#define IDI_TREND_RISE 114
#define IDI_TREND_STEADY 115
#define IDI_TREND_FALL 116
#define IDI_TREND_STRONG_FALL 117

// Cursor over link controls
#define IDC_LINK_HAND 105

// Pop-up menu of the tray icon
#define IDR_TRAY_MENU 104
#define IDM_EXIT 40002
#define IDM_ABOUT 40003
#define IDM_SETTINGS 40004
#define IDM_UPDATE_NOW 40005
#define IDM_WEB_SITE 40007
#define IDM_SERVICE_1 40008
#define IDM_SERVICE_2 40009
#define IDM_DISPLAY_QUOTES 40010
#define IDM_HELP 40011

// Dialog templates
#define IDD_ABOUT 104
#define IDD_SETTINGS 106
#define IDD_SYMBOL 107
#define IDD_QUOTE_LIST 110
#define IDD_PROXY 111
#define IDD_QUOTE_DETAIL 112

// About dialog
#define IDC_ABOUT_VERSION 1000
#define IDC_ABOUT_COPYRIGHT 1001
#define IDC_ABOUT_LINK 1002

// Settings dialog
#define IDC_SETTINGS_SYMBOLS 1004
#define IDC_SETTINGS_ADD 1005
#define IDC_SETTINGS_EDIT 1006
#define IDC_SETTINGS_DELETE 1007
#define IDC_SETTINGS_UPDATE 1008
#define IDC_SETTINGS_PROXY 1018
#define IDC_SETTINGS_HELP 1031

// Symbol dialog
#define IDC_SYMBOL_SYMBOL 1009
#define IDC_SYMBOL_DESCRIPTION 1010

// Quote list
#define IDC_QUOTES_LIST 1017
#define IDC_QUOTES_DETAIL 1021

// Proxy dialog
#define IDC_PROXY_ADDRESS 1019
#define IDC_PROXY_PORT 1020

// Quote detail
#define IDC_DETAIL_LAST_SALE 1023
#define IDC_DETAIL_NET_CHANGE 1024
#define IDC_DETAIL_HIGH 1025
#define IDC_DETAIL_LOW 1026
#define IDC_DETAIL_VOLUME 1027
#define IDC_DETAIL_WEB_SITE 1029
#define IDC_DETAIL_NAME 1030

// Help context identifier of a control: every control with an id carries
// 0x80000000 + template * 0x10000 + id, except OK and Cancel (below).
#define HELP_ID(template_id, control_id) (0x80000000 + (template_id)*0x10000 + (control_id))
#define HELP_ID_OK 0x80680001
#define HELP_ID_CANCEL 0x806F0002

#endif
