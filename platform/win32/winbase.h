// Kernel calls: the tick count, the module's file name and the module's resources.
#pragma once

#include "win32/wintypes.h"

#define MAX_PATH 260

DWORD GetTickCount();
// The full path of the module's file. A path that does not fit is cut to size - 1 characters
// and terminated, and the result is then size itself: callers grow the buffer and ask again.
DWORD GetModuleFileName(HMODULE module, LPSTR fileName, DWORD size);

// Files, as far as the program reads them: existing files opened for reading only.
#define GENERIC_READ 0x80000000u
#define FILE_SHARE_READ 0x00000001u
#define OPEN_EXISTING 3
#define FILE_ATTRIBUTE_NORMAL 0x00000080u
#define INVALID_HANDLE_VALUE ((HANDLE)(LONG_PTR)-1)
#define FILE_TYPE_UNKNOWN 0x0000
#define FILE_TYPE_DISK 0x0001
#define FILE_TYPE_CHAR 0x0002
#define FILE_TYPE_PIPE 0x0003

// Opening never waits for a peer (a pipe without a writer opens at once); a folder is not a
// file and does not open.
HANDLE CreateFile(LPCSTR fileName, DWORD access, DWORD shareMode, LPVOID security,
                  DWORD disposition, DWORD flagsAndAttributes, HANDLE templateFile);
// FILE_TYPE_DISK for an ordinary file, FILE_TYPE_CHAR for a device, FILE_TYPE_PIPE for a pipe
// or socket, FILE_TYPE_UNKNOWN otherwise.
DWORD GetFileType(HANDLE file);
// Reads until toRead bytes are in or the file ends; *read says how many came.
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read, LPVOID overlapped);
BOOL CloseHandle(HANDLE object);

// Resource types, as integer identifiers in a string pointer.
#define RT_CURSOR MAKEINTRESOURCE(1)
#define RT_BITMAP MAKEINTRESOURCE(2)
#define RT_ICON MAKEINTRESOURCE(3)
#define RT_MENU MAKEINTRESOURCE(4)
#define RT_DIALOG MAKEINTRESOURCE(5)
#define RT_STRING MAKEINTRESOURCE(6)
#define RT_ACCELERATOR MAKEINTRESOURCE(9)
#define RT_RCDATA MAKEINTRESOURCE(10)
#define RT_GROUP_CURSOR MAKEINTRESOURCE(12)
#define RT_GROUP_ICON MAKEINTRESOURCE(14)

// The module's embedded resources. A null module means the program's own.
HMODULE GetModuleHandle(LPCSTR moduleName);
HRSRC FindResource(HMODULE module, LPCSTR name, LPCSTR type);
HGLOBAL LoadResource(HMODULE module, HRSRC resInfo);
LPVOID LockResource(HGLOBAL resData);
DWORD SizeofResource(HMODULE module, HRSRC resInfo);
