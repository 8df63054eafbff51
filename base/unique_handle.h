// The owner template every system resource's owner is made of: uncopyable, movable, released on
// every path. One header per family of resources builds on it (gdi_, kernel_, internet_, com_,
// cng_handles.h), so that a unit sees only the system headers of what it owns.
// Release order is the reverse of creation: declare the object first, then its selection.
#pragma once

#include <windows.h>

#include <utility>

// The owner of one handle; Traits gives its type, its empty value and how it is released.
template <typename Traits> class UniqueHandle {
public:
    using Handle = typename Traits::Handle;

    UniqueHandle() : handle_(Traits::Empty()) {}
    explicit UniqueHandle(Handle handle) : handle_(handle) {}
    ~UniqueHandle() { Close(); }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }

    Handle get() const { return handle_; }
    bool valid() const { return Traits::IsValid(handle_); }
    explicit operator bool() const { return valid(); }
    // For functions that return the handle through a pointer; whatever was held is released first.
    Handle* out() {
        Close();
        return &handle_;
    }
    void reset(Handle handle = Traits::Empty()) {
        Close();
        handle_ = handle;
    }
    Handle release() {
        Handle handle = handle_;
        handle_ = Traits::Empty();
        return handle;
    }
    // Releases now; false if the release itself failed (for a file: buffered data did not reach the disk).
    bool Close() {
        const bool closed = !valid() || Traits::Release(handle_);
        handle_ = Traits::Empty();
        return closed;
    }

private:
    Handle handle_;
};

// Most handles are empty when null; a traits struct adds how its handle is released.
template <typename H> struct NullIsEmpty {
    using Handle = H;
    static Handle Empty() { return nullptr; }
    static bool IsValid(Handle handle) { return handle != nullptr; }
};
