// The module's embedded resources as plain data: the art files, embedded by the build, and the
// dialog templates and strings written as C++ data. FindResource looks through both tables.
#pragma once

struct DvResource {
    // An integer type in a pointer, as MAKEINTRESOURCE makes it (RT_BITMAP is 2), or a name.
    const char* type;
    unsigned short id;
    const unsigned char* data;
    unsigned int size;
};

#define DV_RESOURCE_TYPE(n) ((const char*)(unsigned long)(unsigned short)(n))

// Each table ends with an entry whose type is null.
// The art files of res/: bitmaps (the file without its 14-byte header) and the icon (the whole
// .ico file under RT_GROUP_ICON), generated at build time.
extern const DvResource g_artResources[];
// Dialog templates, strings and whatever else is written as data, in res/resources.cpp.
extern const DvResource g_dataResources[];
