// Owners of COM interface references and BSTRs.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include "base/unique_handle.h"

struct BstrTraits : NullIsEmpty<BSTR> {
    static bool Release(Handle text) {
        SysFreeString(text);
        return true;
    }
};

using BstrText = UniqueHandle<BstrTraits>;

// One COM interface reference, released on every way out.
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
