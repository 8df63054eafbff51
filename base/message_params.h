// Windows carries handles and pointers in the integers of its messages (WPARAM, LPARAM, LRESULT)
// and of its window and class data: this is the one place they are read back as what they are.
#pragma once

#include <windows.h>

#include <type_traits>

// The integer is the API's carrier of the pointer: there is nothing to optimise away.
template <typename T, typename Integer> T CarriedPointer(Integer value) {
    static_assert(std::is_integral_v<Integer> && sizeof(Integer) == sizeof(void*), "a pointer-sized integer");
    return reinterpret_cast<T>(value); // NOLINT(performance-no-int-to-ptr)
}
