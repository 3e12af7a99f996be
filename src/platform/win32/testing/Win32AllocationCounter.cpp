// The allocation counter on Windows: a library's and this program's imports of the C runtime's allocators
// are pointed at counting ones (a statically linked program cannot replace msvcrt's malloc itself).
#include "platform/win32/Win32Api.h"

#include <string>

#include "platform/AllocationTally.h"

namespace
{
using AllocationTally::Counted;
using TMalloc = void*(__cdecl*)(std::size_t);
using TCalloc = void*(__cdecl*)(std::size_t, std::size_t);
using TRealloc = void*(__cdecl*)(void*, std::size_t);
TMalloc GMalloc;
TCalloc GCalloc;
TRealloc GRealloc;

// [any]
void* __cdecl CountingMalloc(std::size_t n)
{
    Counted(__builtin_return_address(0));
    return GMalloc(n);
}
// [any]
void* __cdecl CountingCalloc(std::size_t n, std::size_t s)
{
    Counted(__builtin_return_address(0));
    return GCalloc(n, s);
}
// [any]
void* __cdecl CountingRealloc(void* p, std::size_t n)
{
    Counted(__builtin_return_address(0));
    return GRealloc(p, n);
}

// The counting allocator that stands for the imported function Name, or null.
void* CountingFor(const char* Name)
{
    const std::string N = Name;
    return N == "malloc" ? reinterpret_cast<void*>(&CountingMalloc)
           : N == "calloc" ? reinterpret_cast<void*>(&CountingCalloc)
           : N == "realloc" ? reinterpret_cast<void*>(&CountingRealloc) : nullptr;
}

// Points a module's imports of the C library's allocators at the counting ones.
void CountAllocationsOf(HMODULE Module)
{
    auto* Base = reinterpret_cast<std::uint8_t*>(Module);
    const auto* Dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(Base);
    const auto* Nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(Base + Dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& Dir = Nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* D = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(Base + Dir.VirtualAddress); D->Name; ++D)
    {
        auto* Names = reinterpret_cast<const IMAGE_THUNK_DATA*>(Base + D->OriginalFirstThunk);
        auto* Slots = reinterpret_cast<IMAGE_THUNK_DATA*>(Base + D->FirstThunk);
        for (; Names->u1.AddressOfData; ++Names, ++Slots)
        {
            if (IMAGE_SNAP_BY_ORDINAL(Names->u1.Ordinal))
                continue;
            void* Counting = CountingFor(reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(Base + Names->u1.AddressOfData)->Name);
            if (!Counting)
                continue;
            DWORD Old = 0;
            VirtualProtect(&Slots->u1.Function, sizeof Slots->u1.Function, PAGE_READWRITE, &Old);
            Slots->u1.Function = reinterpret_cast<ULONG_PTR>(Counting);
            VirtualProtect(&Slots->u1.Function, sizeof Slots->u1.Function, Old, &Old);
        }
    }
}
} // namespace

bool InstallAllocationCounter(const char* LibraryFileName)
{
    HMODULE Crt = GetModuleHandleA("msvcrt.dll");
    GMalloc = reinterpret_cast<TMalloc>(reinterpret_cast<void*>(GetProcAddress(Crt, "malloc")));
    GCalloc = reinterpret_cast<TCalloc>(reinterpret_cast<void*>(GetProcAddress(Crt, "calloc")));
    GRealloc = reinterpret_cast<TRealloc>(reinterpret_cast<void*>(GetProcAddress(Crt, "realloc")));
    HMODULE Library = GetModuleHandleA(LibraryFileName);
    if (!Library || !GMalloc || !GCalloc || !GRealloc)
        return false;
    CountAllocationsOf(Library);
    CountAllocationsOf(GetModuleHandleA(nullptr));
    return true;
}
