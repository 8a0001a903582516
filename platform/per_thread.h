#pragma once

#include <memory>

namespace zarnel::platform {

// Runs `release(object)` on the calling thread when it ends, after the
// thread's own function has returned; the latest registered runs first.
// It need not run for the thread that ends the process, whose memory goes
// with it. Any thread.
void AtThreadExit(void (*release)(void*), void* object);

// The calling thread's own T, made by `T()` on its first use on the thread
// and destroyed when the thread ends: per-thread scratch space (a buffer
// that grows to the largest size seen and is reused) for code that every
// slave thread runs at once, such as a fitness function, a local search or
// an operator.
//
//   std::vector<double>& buffer = zarnel::platform::PerThread<struct DecodeBuffer, std::vector<double>>();
//
// `Tag` names the object: each tag is one object per thread, so two pieces
// of code that may hold their buffers at the same time must use two tags (a
// struct declared in the template argument, as above, is a tag of its own).
// A struct of the caller's own may be tag and object at once:
// `PerThread<MyScratch>()`.
//
// Use it in place of a `thread_local` object that has a destructor: with
// the MinGW-w64 toolchain such an object is destroyed after the thread's
// storage has been freed, which corrupts the heap when a thread ends. The
// per-call cost is one thread-local load and a test.
template <class Tag, class T = Tag>
T& PerThread() {
    // A plain pointer: it needs no destructor, so the thread's storage may
    // be freed in any order at its end; the object itself lives on the heap
    // and AtThreadExit destroys it.
    constinit thread_local T* object = nullptr;
    if (object == nullptr) [[unlikely]] {
        auto made = std::make_unique<T>();
        AtThreadExit([](void* p) { delete static_cast<T*>(p); }, made.get());
        object = made.release();
    }
    return *object;
}

}  // namespace zarnel::platform
