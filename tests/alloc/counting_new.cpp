#include "counting_new.h"

#include <atomic>
#include <cstdlib>
#include <malloc.h>
#include <new>

// Every form is replaced, so that none reaches another allocator (the
// sanitizer's would report a mismatch).
namespace {

std::atomic<long> liveBytes{0}, calls{0};

void *allocate(std::size_t n, bool nothrow = false)
{
    void *p = std::malloc(n ? n : 1);
    if (!p && !nothrow)
        throw std::bad_alloc();
    liveBytes += long(malloc_usable_size(p)); // 0 for a null pointer
    ++calls;
    return p;
}

void release(void *p) noexcept
{
    liveBytes -= long(malloc_usable_size(p));
    std::free(p);
}

} // namespace

void *operator new(std::size_t n) { return allocate(n); }
void *operator new[](std::size_t n) { return allocate(n); }
void *operator new(std::size_t n, const std::nothrow_t &) noexcept { return allocate(n, true); }
void *operator new[](std::size_t n, const std::nothrow_t &) noexcept { return allocate(n, true); }
void operator delete(void *p) noexcept { release(p); }
void operator delete[](void *p) noexcept { release(p); }
void operator delete(void *p, std::size_t) noexcept { release(p); }
void operator delete[](void *p, std::size_t) noexcept { release(p); }
void operator delete(void *p, const std::nothrow_t &) noexcept { release(p); }
void operator delete[](void *p, const std::nothrow_t &) noexcept { release(p); }

long tintoral::test::newCalls() { return calls.load(); }
long tintoral::test::liveNewBytes() { return liveBytes.load(); }
