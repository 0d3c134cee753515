// The resources written as C++ data: the dialog templates and the string table.
#pragma once

#include "res/DialogTemplate.h"
#include "res/ResourceTable.h"

extern const DvDialogTemplate g_aboutBoxTemplate;      // IDD_ABOUTBOX
extern const DvDialogTemplate g_terrainDialogTemplate; // IDD_TERRAIN_DIALOG
extern const char g_szAboutBox[];                      // IDS_ABOUTBOX
extern const char g_szSocketsInitFailed[];             // IDP_SOCKETS_INIT_FAILED
// Accelerator table IDR_MAINFRAME, as the resource stores it: flags, key, command and a padding
// word per entry, the last entry's flags holding 0x80.
extern const unsigned short g_mainFrameAccelerators[][4];
extern const unsigned int g_cbMainFrameAccelerators;
extern const unsigned int g_cchAboutBox;
extern const unsigned int g_cchSocketsInitFailed;

// Table entries for them: a template's bytes are the structure itself, a string's bytes are
// its characters without the terminator.
#define DV_DATA_RESOURCE_ENTRIES                                                                   \
    {DV_RESOURCE_TYPE(5), 100, reinterpret_cast<const unsigned char*>(&g_aboutBoxTemplate),        \
     sizeof(DvDialogTemplate)},                                                                    \
        {DV_RESOURCE_TYPE(5), 102,                                                                 \
         reinterpret_cast<const unsigned char*>(&g_terrainDialogTemplate),                         \
         sizeof(DvDialogTemplate)},                                                                \
        {DV_RESOURCE_TYPE(6), 101, reinterpret_cast<const unsigned char*>(g_szAboutBox),           \
         g_cchAboutBox},                                                                           \
        {DV_RESOURCE_TYPE(6), 103, reinterpret_cast<const unsigned char*>(g_szSocketsInitFailed),  \
         g_cchSocketsInitFailed},                                                                  \
        {DV_RESOURCE_TYPE(9), 128, reinterpret_cast<const unsigned char*>(g_mainFrameAccelerators), \
         g_cbMainFrameAccelerators},
