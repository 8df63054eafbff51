// What the fuzz targets share: a broken promise stops the run with its name (libFuzzer keeps the
// input), and inputs and outputs live in buffers of exactly their size, so AddressSanitizer sees a
// read or a write one byte past them.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

inline void Promise(bool kept, const char* promise) {
    if (kept)
        return;
    std::fprintf(stderr, "broken promise: %s\n", promise);
    std::abort();
}

// The text as a NUL-terminated copy of exactly its length + 1 bytes.
inline std::vector<char> ExactText(const std::string& text) {
    return std::vector<char>(text.c_str(), text.c_str() + text.size() + 1);
}

// An output buffer of exactly `size` bytes, filled with a byte the code under test never writes.
inline std::vector<char> Untouched(size_t size) {
    return std::vector<char>(size, '\x7f');
}

// True when the buffer holds a terminator: its text ends inside it.
inline bool Terminated(const std::vector<char>& buffer) {
    return std::memchr(buffer.data(), '\0', buffer.size()) != nullptr;
}

// The text of a terminated buffer.
inline std::string TextOf(const std::vector<char>& buffer) {
    return Terminated(buffer) ? std::string(buffer.data()) : std::string();
}
