// The Range, If-Range and Content-Range texts of a resumed download.
#include "install/http_range.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

namespace {
constexpr char RangeUnit[] = "bytes ";
constexpr char WeakTagPrefix[] = "W/";

// Reads decimal digits into value; false for none or a value past 64 bits.
bool ReadNumber(const char*& text, uint64_t* value) {
    if (*text < '0' || *text > '9')
        return false;
    uint64_t result = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        const auto digit = static_cast<uint64_t>(*text - '0');
        if (result > (UINT64_MAX - digit) / 10)
            return false;
        result = result * 10 + digit;
    }
    *value = result;
    return true;
}

bool Expect(const char*& text, char wanted) {
    if (*text != wanted)
        return false;
    ++text;
    return true;
}
} // namespace

bool ParseContentRange(const char* text, ContentRange* range) {
    if (!text || std::strncmp(text, RangeUnit, sizeof RangeUnit - 1) != 0)
        return false;
    text += sizeof RangeUnit - 1;
    ContentRange parsed;
    if (!ReadNumber(text, &parsed.first) || !Expect(text, '-') || !ReadNumber(text, &parsed.last) ||
        !Expect(text, '/') || !ReadNumber(text, &parsed.total) || *text != '\0')
        return false;
    if (parsed.first > parsed.last || parsed.last >= parsed.total)
        return false;
    *range = parsed;
    return true;
}

bool IsWeakEntityTag(const char* tag) {
    return tag && std::strncmp(tag, WeakTagPrefix, sizeof WeakTagPrefix - 1) == 0;
}

bool FormatRangeHeaders(char* output, size_t outputSize, uint64_t from, const char* validator) {
    if (outputSize == 0)
        return false;
    output[0] = '\0';
    if (!validator || !*validator || IsWeakEntityTag(validator))
        return false;
    for (const char* c = validator; *c; ++c) {
        if (static_cast<unsigned char>(*c) < 0x20 || *c == 0x7F)
            return false;
    }
    const int length =
        std::snprintf(output, outputSize, "Range: bytes=%" PRIu64 "-\r\nIf-Range: %s\r\n", from, validator);
    if (length < 0 || static_cast<size_t>(length) >= outputSize) {
        output[0] = '\0';
        return false;
    }
    return true;
}
