// String helpers used to validate the folder, clean SETUP.INF fields and build paths.
#include "base/strings.h"

#include <cstring>

namespace {
constexpr char Blank = ' ';
}

int IsBlankText(const char* text) {
    if (!text || text[0] == '\0')
        return 1;
    for (const char* p = text; *p; ++p) {
        if (*p != Blank)
            return 0;
    }
    return 1;
}

void TrimLeadingBlanks(char* text) {
    const size_t length = std::strlen(text);
    size_t blanks = 0;
    while (blanks < length && text[blanks] == Blank)
        ++blanks;
    std::memmove(text, text + blanks, length - blanks);
    text[length - blanks] = '\0';
}

int TrimTrailingBlanks(char* text) {
    size_t length = std::strlen(text);
    while (length > 0 && text[length - 1] == Blank)
        text[--length] = '\0';
    return 0;
}

void CutAtNewline(char* text) {
    if (char* newline = std::strchr(text, '\n'))
        *newline = '\0';
}

int CopyBounded(char* dst, size_t dstSize, const char* src) {
    if (dstSize == 0)
        return 0;
    const size_t length = std::strlen(src);
    const size_t copied = length < dstSize ? length : dstSize - 1;
    std::memcpy(dst, src, copied);
    dst[copied] = '\0';
    return copied == length ? 1 : 0;
}

int AppendBounded(char* dst, size_t dstSize, const char* src) {
    const size_t used = strnlen(dst, dstSize);
    if (used >= dstSize)
        return 0;
    return CopyBounded(dst + used, dstSize - used, src);
}

int JoinPath(const char* folder, const char* name, char* output, size_t outputSize) {
    if (!CopyBounded(output, outputSize, folder)) {
        output[0] = '\0';
        return -1;
    }
    TrimTrailingBlanks(output);
    // The backslash is always added, so a drive root gives two in a row.
    if (!AppendBounded(output, outputSize, "\\") || !AppendBounded(output, outputSize, name)) {
        output[0] = '\0';
        return -1;
    }
    TrimTrailingBlanks(output);
    return 0;
}
