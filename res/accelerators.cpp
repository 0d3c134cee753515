// Accelerator table IDR_MAINFRAME: the main dialog's keys. Every pad command has one, as a
// click on its cell; F11 switches full screen.
#include <windows.h>

#include "res/DataResources.h"
#include "res/resource.h"

namespace {
// The flag that ends a table.
constexpr unsigned short kLast = 0x80;
constexpr unsigned short kKey = FVIRTKEY | FNOINVERT;
} // namespace

const unsigned short g_mainFrameAccelerators[][4] = {
    {kKey, VK_UP, ID_PAD_COMMAND + 1, 0},
    {kKey, VK_DOWN, ID_PAD_COMMAND + 7, 0},
    {kKey, VK_LEFT, ID_PAD_COMMAND + 3, 0},
    {kKey, VK_RIGHT, ID_PAD_COMMAND + 5, 0},
    {kKey, VK_PRIOR, ID_PAD_COMMAND + 2, 0},
    {kKey, VK_NEXT, ID_PAD_COMMAND + 0, 0},
    // + is = shifted on some layouts and a key of its own on others, and on the keypad.
    {kKey, VK_OEM_PLUS, ID_PAD_COMMAND + 8, 0},
    {kKey | FSHIFT, VK_OEM_PLUS, ID_PAD_COMMAND + 8, 0},
    {kKey, VK_ADD, ID_PAD_COMMAND + 8, 0},
    {kKey, VK_OEM_MINUS, ID_PAD_COMMAND + 6, 0},
    {kKey, VK_SUBTRACT, ID_PAD_COMMAND + 6, 0},
    {kKey, VK_SPACE, ID_PAD_COMMAND + 4, 0},
    {kKey, 'S', ID_PAD_COMMAND + 100, 0},
    {kKey, VK_HOME, ID_PAD_COMMAND + 101, 0},
    {kKey, 'F', ID_PAD_COMMAND + 102, 0},
    {kKey, 'Q', ID_PAD_COMMAND + 103, 0},
    {kKey, 'N', ID_PAD_COMMAND + 104, 0},
    {kKey, 'E', ID_PAD_COMMAND + 105, 0},
    {kKey, 'T', ID_PAD_COMMAND + 106, 0},
    {kKey, VK_END, ID_PAD_COMMAND + 107, 0},
    {kKey, 'C', ID_PAD_COMMAND + 108, 0},
    {kKey, 'D', ID_PAD_COMMAND + 200, 0},
    {kKey | kLast, VK_F11, ID_VIEW_FULLSCREEN, 0},
};

const unsigned int g_cbMainFrameAccelerators = sizeof g_mainFrameAccelerators;
