// The allocation counter on the POSIX builds: this program's malloc family in front of the C library's own,
// so every allocation of the process, the dynamic loader's thread-local blocks included, passes here.
#include "platform/AllocationTally.h"

using AllocationTally::Counted;

extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void* __libc_memalign(std::size_t, std::size_t);
void __libc_free(void*);

// [any]
void* malloc(std::size_t n)
{
    Counted(__builtin_return_address(0));
    return __libc_malloc(n);
}
// [any]
void* calloc(std::size_t n, std::size_t s)
{
    Counted(__builtin_return_address(0));
    return __libc_calloc(n, s);
}
// [any]
void* realloc(void* p, std::size_t n)
{
    Counted(__builtin_return_address(0));
    return __libc_realloc(p, n);
}
// [any]
void* memalign(std::size_t a, std::size_t n)
{
    Counted(__builtin_return_address(0));
    return __libc_memalign(a, n);
}
// [any]
void* aligned_alloc(std::size_t a, std::size_t n)
{
    Counted(__builtin_return_address(0));
    return __libc_memalign(a, n);
}
// [any]
int posix_memalign(void** p, std::size_t a, std::size_t n)
{
    Counted(__builtin_return_address(0));
    *p = __libc_memalign(a, n);
    return *p ? 0 : 12; // ENOMEM
}
// [any]
void free(void* p)
{
    __libc_free(p);
}
}

bool InstallAllocationCounter(const char* /*LibraryFileName*/)
{
    return true; // linking this unit replaced the allocators
}
