#include "AllocationCounter.h"

#include <cstddef>
#include <cstdlib>
#include <new>

namespace
{
    thread_local bool counting = false;
    thread_local uint64_t count = 0;

    // Out of line so that a debugger can stop on a counted allocation.
    [[gnu::noinline]] void counted() noexcept   { ++count; }

    inline void note() noexcept
    {
        if (counting)
            counted();
    }
}

#if VANTREL_COUNT_ALLOCATIONS

extern "C"
{
    void* __libc_malloc (size_t);
    void* __libc_calloc (size_t, size_t);
    void* __libc_realloc (void*, size_t);
    void* __libc_memalign (size_t, size_t);
    void __libc_free (void*);

    void* malloc (size_t size)                 { note(); return __libc_malloc (size); }
    void* calloc (size_t n, size_t size)       { note(); return __libc_calloc (n, size); }
    void* realloc (void* p, size_t size)       { note(); return __libc_realloc (p, size); }
    void free (void* p)                        { __libc_free (p); }
    void* memalign (size_t align, size_t size) { note(); return __libc_memalign (align, size); }
    void* aligned_alloc (size_t align, size_t size) { note(); return __libc_memalign (align, size); }

    int posix_memalign (void** out, size_t align, size_t size)
    {
        note();
        *out = __libc_memalign (align, size);
        return *out != nullptr ? 0 : 12; // ENOMEM
    }
}

namespace
{
    void* allocate (size_t size)
    {
        note();
        if (auto* p = __libc_malloc (size == 0 ? 1 : size))
            return p;
        throw std::bad_alloc();
    }

    void* allocateAligned (size_t size, std::align_val_t align)
    {
        note();
        if (auto* p = __libc_memalign ((size_t) align, size == 0 ? 1 : size))
            return p;
        throw std::bad_alloc();
    }
}

void* operator new (size_t size)                                    { return allocate (size); }
void* operator new[] (size_t size)                                  { return allocate (size); }
void* operator new (size_t size, const std::nothrow_t&) noexcept    { note(); return __libc_malloc (size == 0 ? 1 : size); }
void* operator new[] (size_t size, const std::nothrow_t&) noexcept  { note(); return __libc_malloc (size == 0 ? 1 : size); }
void* operator new (size_t size, std::align_val_t a)                { return allocateAligned (size, a); }
void* operator new[] (size_t size, std::align_val_t a)              { return allocateAligned (size, a); }
void operator delete (void* p) noexcept                             { __libc_free (p); }
void operator delete[] (void* p) noexcept                           { __libc_free (p); }
void operator delete (void* p, size_t) noexcept                     { __libc_free (p); }
void operator delete[] (void* p, size_t) noexcept                   { __libc_free (p); }
void operator delete (void* p, std::align_val_t) noexcept           { __libc_free (p); }
void operator delete[] (void* p, std::align_val_t) noexcept         { __libc_free (p); }
void operator delete (void* p, size_t, std::align_val_t) noexcept   { __libc_free (p); }
void operator delete[] (void* p, size_t, std::align_val_t) noexcept { __libc_free (p); }

bool AllocationCounter::isAvailable() noexcept   { return true; }

#else

bool AllocationCounter::isAvailable() noexcept   { return false; }

#endif

void AllocationCounter::begin() noexcept
{
    count = 0;
    counting = true;
}

uint64_t AllocationCounter::end() noexcept
{
    counting = false;
    return count;
}
