// Windows carries handles and pointers in the integers of its messages (WPARAM, LPARAM, LRESULT)
// and of its window and class data: this is the one place they are read back as what they are.
#pragma once

#include <windows.h>

// The integer is the API's carrier of the pointer: there is nothing to optimise away.
template <typename T> T CarriedPointer(LONG_PTR value) {
    return reinterpret_cast<T>(value); // NOLINT(performance-no-int-to-ptr)
}
template <typename T> T CarriedPointer(ULONG_PTR value) {
    return reinterpret_cast<T>(value); // NOLINT(performance-no-int-to-ptr)
}
