// Tag strings: runs of @NAME(value) kept in one text, read and changed in place.
// Win32-free.
#pragma once

#include <cstddef>

#include "base/tag_bytes.h"

// Largest tag string of the program (the wait animation's); SetTagValue's scratch buffer.
constexpr size_t TagStringScratchSize = 1024;

void PrepareTagString(char* text);
// Copies the value of the first `tag` into `out` (of `outSize` bytes). Returns 0 if the tag or its
// delimiters are missing, or if the value does not fit (the out buffer is then untouched).
int GetTagValue(const char* text, const char* tag, char* out, size_t outSize);
// Replaces the value of the first `tag`. `textSize` is the capacity of the text's buffer; a result
// that would not fit it (or the scratch buffer) is refused with 0 and the text left unchanged.
int SetTagValue(char* text, size_t textSize, const char* tag, const char* value);
