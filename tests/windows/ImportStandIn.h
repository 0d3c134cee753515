// Windows only: a test's stand-in for a system function, put into this executable's import
// table for as long as the object lives. The program calls the system through that table, so
// this is where a test replaces what our layer lets it replace through the host (the clock) or
// observe through its handles.
#pragma once

#include <windows.h>

#include <cstring>

class CImportStandIn {
public:
    CImportStandIn(const char* dll, const char* name, void* standIn) : m_slot(Slot(dll, name)) {
        if (m_slot != nullptr) {
            m_original = Swap(standIn);
        }
    }
    ~CImportStandIn() {
        if (m_slot != nullptr) {
            Swap(m_original);
        }
    }
    CImportStandIn(const CImportStandIn&) = delete;
    CImportStandIn& operator=(const CImportStandIn&) = delete;

    bool Installed() const { return m_slot != nullptr; }
    // The system's own function, for a stand-in that passes the call on.
    void* Original() const { return m_original; }

private:
    // The import table's slot of the function, null when this executable does not import it.
    static void** Slot(const char* dll, const char* name) {
        BYTE* const base = reinterpret_cast<BYTE*>(GetModuleHandle(nullptr));
        const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
        const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
        const IMAGE_DATA_DIRECTORY& imports =
            nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
             d->Name != 0; ++d) {
            if (_stricmp(reinterpret_cast<const char*>(base + d->Name), dll) != 0) {
                continue;
            }
            auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->OriginalFirstThunk);
            auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
            for (; names->u1.AddressOfData != 0; ++names, ++slots) {
                if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) {
                    continue;
                }
                const auto* byName =
                    reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
                if (std::strcmp(reinterpret_cast<const char*>(byName->Name), name) == 0) {
                    return reinterpret_cast<void**>(&slots->u1.Function);
                }
            }
        }
        return nullptr;
    }

    void* Swap(void* function) {
        DWORD protection = 0;
        VirtualProtect(m_slot, sizeof *m_slot, PAGE_READWRITE, &protection);
        void* const previous = *m_slot;
        *m_slot = function;
        VirtualProtect(m_slot, sizeof *m_slot, protection, &protection);
        return previous;
    }

    void** m_slot;
    void* m_original = nullptr;
};
