#include "counting_new.h"

#include <atomic>
#include <cstdlib>
#include <malloc.h>
#include <new>

namespace {

std::atomic<long> liveBytes{0};
std::atomic<long> allocations{0};

void *allocate(std::size_t n)
{
    void *p = std::malloc(n ? n : 1);
    if (!p)
        throw std::bad_alloc();
    liveBytes += long(malloc_usable_size(p));
    ++allocations;
    return p;
}

void release(void *p) noexcept
{
    if (!p)
        return;
    liveBytes -= long(malloc_usable_size(p));
    std::free(p);
}

} // namespace

void *operator new(std::size_t n) { return allocate(n); }
void *operator new[](std::size_t n) { return allocate(n); }
void *operator new(std::size_t n, const std::nothrow_t &) noexcept
{
    try {
        return allocate(n);
    } catch (...) {
        return nullptr;
    }
}
void *operator new[](std::size_t n, const std::nothrow_t &t) noexcept { return operator new(n, t); }
void operator delete(void *p) noexcept { release(p); }
void operator delete[](void *p) noexcept { release(p); }
void operator delete(void *p, std::size_t) noexcept { release(p); }
void operator delete[](void *p, std::size_t) noexcept { release(p); }
void operator delete(void *p, const std::nothrow_t &) noexcept { release(p); }
void operator delete[](void *p, const std::nothrow_t &) noexcept { release(p); }

namespace tintoral::test {

long newCalls() { return allocations.load(); }
long liveNewBytes() { return liveBytes.load(); }

} // namespace tintoral::test
