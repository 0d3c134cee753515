// Resource identifiers of Dorvane, at the values the module's resources carry.
#pragma once

#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_TERRAIN_DIALOG 102
#define IDP_SOCKETS_INIT_FAILED 103
#define IDR_MAINFRAME 128
#define IDB_PAD1 129
#define IDB_PAD2 130
#define IDB_PAD3 131
#define IDB_SAND 132
#define IDB_EARTH 133
#define IDB_LAVA 134
#define IDB_WATER 135
#define IDB_SNOW 136
#define IDB_FOREST 137
#define IDB_GRASS 138
#define IDC_VIEW_FRAME 1000
#define IDC_PAD1 1001
#define IDC_PAD2 1002
#define IDC_PAD3 1003

// The main dialog's key commands (accelerator table IDR_MAINFRAME): a pad command is its code
// plus ID_PAD_COMMAND; F11 is full screen.
#define ID_PAD_COMMAND 0x8000
#define ID_PAD_COMMAND_LAST (ID_PAD_COMMAND + 208)
#define ID_VIEW_FULLSCREEN 0x8100

#define IDM_ABOUTBOX 0x0010
#define IDT_FLYTHROUGH 2
