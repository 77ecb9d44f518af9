// Reference counting and interface lookup for objects that implement VST 3
// interfaces (the plug-in's, and the test host's).
#pragma once

#include <atomic>

#include "plugin/vst3/abi/base.h"

namespace vst3 {

// An object implementing `Interfaces...`: one atomic count for all of them,
// starting at 1 (the creator's reference); the last release deletes it as
// `Self`. Self writes queryInterface with answer().
template <class Self, class... Interfaces>
class Object : public Interfaces... {
public:
    uint32 addRef() override { return refs.fetch_add(1, std::memory_order_relaxed) + 1; }
    uint32 release() override {
        const uint32 left = refs.fetch_sub(1, std::memory_order_acq_rel) - 1;
        if (left == 0) delete static_cast<Self*>(this);
        return left;
    }

protected:
    Object() = default;
    ~Object() = default;
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;

    // If `id` names interface I, which this object reaches through its base
    // `Via` (I itself, or the implemented interface I is a base of), stores
    // the converted pointer with a new reference and returns true.
    template <class I, class Via = I>
    bool answer(const char* id, void** obj) {
        if (!I::iid.matches(id)) return false;
        *obj = static_cast<I*>(static_cast<Via*>(static_cast<Self*>(this)));
        addRef();
        return true;
    }

    // The common ending of queryInterface.
    static tresult noInterface(void** obj) {
        if (obj) *obj = nullptr;
        return kNoInterface;
    }

private:
    std::atomic<uint32> refs{1};
};

// Holds one reference to an interface and releases it when replaced or gone.
template <class I>
class Ref {
public:
    Ref() = default;
    // Takes over a reference the caller owns.
    static Ref adopt(I* p) {
        Ref r;
        r.ptr = p;
        return r;
    }
    // Adds a reference of its own to a borrowed pointer.
    static Ref share(I* p) {
        if (p) p->addRef();
        return adopt(p);
    }
    // Asks `from` for interface I: an empty Ref when it has none.
    template <class From>
    static Ref query(From* from) {
        void* obj = nullptr;
        if (!from || from->queryInterface(I::iid.bytes, &obj) != kResultOk || !obj) return {};
        return adopt(static_cast<I*>(obj));
    }
    Ref(Ref&& other) noexcept : ptr(other.ptr) { other.ptr = nullptr; }
    Ref& operator=(Ref&& other) noexcept {
        if (this != &other) {
            reset();
            ptr = other.ptr;
            other.ptr = nullptr;
        }
        return *this;
    }
    Ref(const Ref&) = delete;
    Ref& operator=(const Ref&) = delete;
    ~Ref() { reset(); }

    void reset() {
        if (I* p = ptr) {
            ptr = nullptr;
            p->release();
        }
    }
    I* get() const { return ptr; }
    I* operator->() const { return ptr; }
    I& operator*() const { return *ptr; }
    explicit operator bool() const { return ptr != nullptr; }

private:
    I* ptr = nullptr;
};

}  // namespace vst3
