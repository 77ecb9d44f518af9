// Replaces the process's allocation functions, so that a test program counts
// every heap allocation: operator new and delete, and malloc, calloc and
// realloc where no sanitizer owns them (GCC and clang say so differently). The dlopened plug-in and the shared
// libraries use them too, as long as the program exports them (CMake's
// ENABLE_EXPORTS).
//
// Include it in exactly one source of a program, which defines the two hooks:
//   void noteAllocation();  // every allocation calls it
//   bool failAllocation();  // operator new asks it; true makes this one fail
#pragma once

#include <cstdlib>
#include <new>

void noteAllocation();
bool failAllocation();

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define TF_SANITIZER_MALLOC 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define TF_SANITIZER_MALLOC 1
#endif
#endif

#ifndef TF_SANITIZER_MALLOC
extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
}
#endif

namespace allocation_hooks {
inline void* allocate(std::size_t size) {
    noteAllocation();
    if (failAllocation()) throw std::bad_alloc();
#ifdef TF_SANITIZER_MALLOC
    void* p = std::malloc(size ? size : 1);
#else
    void* p = __libc_malloc(size ? size : 1);  // counted once, here
#endif
    if (!p) throw std::bad_alloc();
    return p;
}
}  // namespace allocation_hooks

void* operator new(std::size_t size) { return allocation_hooks::allocate(size); }
void* operator new[](std::size_t size) { return allocation_hooks::allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return allocation_hooks::allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

#ifndef TF_SANITIZER_MALLOC
extern "C" {
void* malloc(std::size_t size) {
    noteAllocation();
    return __libc_malloc(size);
}
void* calloc(std::size_t n, std::size_t size) {
    noteAllocation();
    return __libc_calloc(n, size);
}
void* realloc(void* p, std::size_t size) {
    noteAllocation();
    return __libc_realloc(p, size);
}
}
#endif
