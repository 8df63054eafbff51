// String helpers on NUL-terminated byte strings; a blank is the space character only.
// Win32-free.
#pragma once

#include <cstddef>

int IsBlankText(const char* text);
void TrimLeadingBlanks(char* text);
int TrimTrailingBlanks(char* text);
void CutAtNewline(char* text);
// folder + "\" + name into output (of outputSize bytes), trailing blanks trimmed.
// Returns 0; a result that would not fit leaves output empty and returns -1.
int JoinPath(const char* folder, const char* name, char* output, size_t outputSize);

// Copies src into dst (of dstSize bytes), always terminated. Returns 1 if all of src fit, 0 if cut.
int CopyBounded(char* dst, size_t dstSize, const char* src);
// Appends src to the text in dst, always terminated. Returns 1 if all of src fit, 0 if cut.
int AppendBounded(char* dst, size_t dstSize, const char* src);

template <size_t N> int CopyBounded(char (&dst)[N], const char* src) {
    return CopyBounded(dst, N, src);
}
template <size_t N> int AppendBounded(char (&dst)[N], const char* src) {
    return AppendBounded(dst, N, src);
}
