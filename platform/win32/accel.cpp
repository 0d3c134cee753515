// Keyboard accelerators: tables read from the module's resources, and the translation of a key
// press into the command of its table entry.
#include "win32/window.h"

#include <map>
#include <vector>

namespace {

// The resource's records: flags (the last one's with 0x80), key, command and a padding word.
constexpr WORD kLastEntry = 0x80;
constexpr DWORD kEntryBytes = 4 * sizeof(WORD);

// A table lives as long as the module's resources do, as on the platform: one per resource.
std::map<const void*, std::vector<ACCEL>>& AccelTables() {
    static std::map<const void*, std::vector<ACCEL>> tables;
    return tables;
}

bool ModifierMatches(BYTE fVirt, BYTE flag, UINT modifiers, UINT bit) {
    return ((fVirt & flag) != 0) == ((modifiers & bit) != 0);
}

} // namespace

HACCEL LoadAccelerators(HINSTANCE instance, LPCSTR tableName) {
    HRSRC resource = FindResource(instance, tableName, RT_ACCELERATOR);
    if (resource == nullptr) {
        return nullptr;
    }
    const DWORD size = SizeofResource(instance, resource);
    const BYTE* bytes = static_cast<const BYTE*>(LockResource(LoadResource(instance, resource)));
    if (bytes == nullptr || size < kEntryBytes) {
        return nullptr;
    }
    auto found = AccelTables().find(bytes);
    if (found != AccelTables().end()) {
        return reinterpret_cast<HACCEL>(&found->second);
    }
    // Read word by word, never past the resource's end, up to the entry marked last.
    std::vector<ACCEL> table;
    for (DWORD offset = 0; offset + kEntryBytes <= size; offset += kEntryBytes) {
        auto word = [&](int i) {
            return static_cast<WORD>(bytes[offset + 2 * i] | (bytes[offset + 2 * i + 1] << 8));
        };
        const WORD flags = word(0);
        table.push_back(ACCEL{static_cast<BYTE>(flags & 0x7F), word(1), word(2)});
        if (flags & kLastEntry) {
            break;
        }
    }
    auto& stored = AccelTables()[bytes];
    stored = std::move(table);
    return reinterpret_cast<HACCEL>(&stored);
}

int TranslateAccelerator(HWND hWnd, HACCEL accTable, LPMSG msg) {
    if (msg == nullptr || accTable == nullptr || DvLookupWindow(hWnd) == nullptr) {
        return 0;
    }
    const bool keyDown = msg->message == WM_KEYDOWN || msg->message == WM_SYSKEYDOWN;
    const bool character = msg->message == WM_CHAR;
    if (!keyDown && !character) {
        return 0;
    }
    const std::vector<ACCEL>* table = nullptr;
    for (const auto& entry : AccelTables()) {
        if (reinterpret_cast<HACCEL>(const_cast<std::vector<ACCEL>*>(&entry.second)) == accTable) {
            table = &entry.second;
        }
    }
    if (table == nullptr) {
        return 0;
    }
    const UINT modifiers = DvKeyModifiers();
    for (const ACCEL& accel : *table) {
        bool match = false;
        if (accel.fVirt & FVIRTKEY) {
            // A virtual key matches its key down with exactly the shift keys its entry names.
            match = keyDown && msg->wParam == accel.key &&
                    ModifierMatches(accel.fVirt, FSHIFT, modifiers, DV_MOD_SHIFT) &&
                    ModifierMatches(accel.fVirt, FCONTROL, modifiers, DV_MOD_CTRL) &&
                    ModifierMatches(accel.fVirt, FALT, modifiers, DV_MOD_ALT);
        } else {
            match = character && msg->wParam == accel.key;
        }
        if (match) {
            // A high word of 1 tells an accelerator's command from a menu's or a control's.
            SendMessage(hWnd, WM_COMMAND, MAKEWPARAM(accel.cmd, 1), 0);
            return 1;
        }
    }
    return 0;
}
