// Icons behind HICON handles, for the parts of the platform layer that show them: the window
// icon of a host window, icon statics, a minimised dialog's painting. Program code never
// includes this; it sees only icon handles.
#pragma once

#include <windows.h>

#include <cstddef>
#include <vector>

// The size DrawIcon draws at, the platform's SM_CXICON and SM_CYICON.
constexpr int kDvIconSize = 32;
// The small icon's size, SM_CXSMICON and SM_CYSMICON.
constexpr int kDvSmallIconSize = 16;

// An icon made from the bytes of an icon file; null when no picture in it can be read.
// DestroyIcon releases it.
HICON DvCreateIconFromFile(const BYTE* data, std::size_t size);

// The icon's picture at cx x cy as 0xAARRGGBB pixels, top row first: the picture of that size
// if the icon has one (the most colours first), otherwise the nearest larger one, or the
// largest, scaled to the size. False for an unknown icon or a size of zero or less.
bool DvIconPixels(HICON icon, int cx, int cy, std::vector<DWORD>* pixels);
