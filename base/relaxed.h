// A value that threads share without a lock: parameters the audio thread
// reads while a host or the editor sets them, meters the audio thread raises
// while the editor lets them fall. Each read and each write is one whole
// access (a relaxed atomic, a plain load or store on x86-64), so that the
// sharing is defined behaviour; it orders nothing else. The compound updates
// are a read and then a write, not one indivisible step: a change another
// thread makes in between is lost, and the next block or idle pass repairs it.
#pragma once

#include <atomic>

template <class T>
class Relaxed {
public:
    constexpr Relaxed(T v = T{}) noexcept : value(v) {}
    Relaxed(const Relaxed& other) noexcept : value(other.load()) {}
    Relaxed& operator=(const Relaxed& other) noexcept { return *this = other.load(); }
    Relaxed& operator=(T v) noexcept {
        store(v);
        return *this;
    }

    T load() const noexcept { return value.load(std::memory_order_relaxed); }
    void store(T v) noexcept { value.store(v, std::memory_order_relaxed); }
    operator T() const noexcept { return load(); }

    Relaxed& operator-=(T d) noexcept { return *this = T(load() - d); }
    Relaxed& operator--() noexcept { return *this = T(load() - 1); }

private:
    std::atomic<T> value;
    static_assert(std::atomic<T>::is_always_lock_free);
};

static_assert(sizeof(Relaxed<float>) == sizeof(float) && alignof(Relaxed<float>) == alignof(float));
