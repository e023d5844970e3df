#include "platform/windows/import_patch.h"

#include <cstring>

namespace qvhooks {
namespace {

template <class T>
T* At(BYTE* base, DWORD rva)
{
    return reinterpret_cast<T*>(base + rva);
}

}  // namespace

bool PatchImport(const char* dll, const char* function, void* replacement, void** original)
{
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    if (dos->e_magic != IMAGE_DOS_SIGNATURE) return false;
    auto* nt = At<IMAGE_NT_HEADERS>(base, static_cast<DWORD>(dos->e_lfanew));
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (dir.VirtualAddress == 0) return false;

    for (auto* desc = At<IMAGE_IMPORT_DESCRIPTOR>(base, dir.VirtualAddress); desc->Name != 0; ++desc) {
        if (_stricmp(At<char>(base, desc->Name), dll) != 0) continue;
        // The name table (OriginalFirstThunk) stays as linked; the address table (FirstThunk)
        // holds what the loader bound and is the one calls go through.
        auto* names = At<IMAGE_THUNK_DATA>(base, desc->OriginalFirstThunk ? desc->OriginalFirstThunk : desc->FirstThunk);
        auto* slots = At<IMAGE_THUNK_DATA>(base, desc->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            auto* byName = At<IMAGE_IMPORT_BY_NAME>(base, static_cast<DWORD>(names->u1.AddressOfData));
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) != 0) continue;

            void** slot = reinterpret_cast<void**>(&slots->u1.Function);
            if (*slot == replacement) return true;
            DWORD protect = 0;
            if (!VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &protect)) return false;
            *original = *slot;
            *slot = replacement;
            VirtualProtect(slot, sizeof *slot, protect, &protect);
            return true;
        }
    }
    return false;
}

}  // namespace qvhooks
