// Owner of one COM interface reference, released on every way out.
#pragma once

#include <windows.h>

template <typename Interface> class ComRef {
public:
    ComRef() : object_(nullptr) {}
    ~ComRef() {
        if (object_)
            object_->Release();
    }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;

    Interface* get() const { return object_; }
    Interface* operator->() const { return object_; }
    Interface** out() { return &object_; }
    // For CoCreateInstance and QueryInterface.
    void** outVoid() { return reinterpret_cast<void**>(&object_); }

private:
    Interface* object_;
};
