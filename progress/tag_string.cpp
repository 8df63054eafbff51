// Tag strings: preparing @NAME(value) runs for lookup, reading a value and replacing one in place.
// Win32-free.
#include "progress/tag_string.h"

#include <cstring>

namespace {

// Every replacement is built here first, so a new value may point into the text it replaces.
char TagScratch[TagStringScratchSize];

// The value's delimiters of the first `tag` in `text`: `open` is null when the tag or its
// TAG_OPEN is missing; `close` is null when the value runs to the end of the text.
struct TagValueSpan {
    char* open;
    char* close;
};

TagValueSpan FindTagValue(const char* text, const char* tag) {
    TagValueSpan span = {nullptr, nullptr};
    const char* match = std::strstr(text, tag);
    if (!match)
        return span;
    const char* open = std::strchr(match, TAG_OPEN);
    if (!open)
        return span;
    // The walk never writes: the const is given back to whichever caller owns the text.
    span.open = const_cast<char*>(open);
    span.close = std::strchr(span.open + 1, TAG_CLOSE);
    return span;
}

} // namespace

void PrepareTagString(char* text) {
    if (!text)
        return;
    for (char* at = text; *at; ++at) {
        if (*at != '@')
            continue;
        char* open = std::strchr(at, '(');
        if (!open)
            return;
        *open = TAG_OPEN;
        char* close = std::strchr(open + 1, ')');
        if (!close)
            return;
        *close = TAG_CLOSE;
        at = close;
    }
}

int GetTagValue(const char* text, const char* tag, char* out, size_t outSize) {
    if (!text || !tag || !out)
        return 0;
    const TagValueSpan span = FindTagValue(text, tag);
    if (!span.open || !span.close)
        return 0;
    const size_t length = static_cast<size_t>(span.close - span.open - 1);
    if (length >= outSize)
        return 0;
    std::memcpy(out, span.open + 1, length);
    out[length] = '\0';
    return 1;
}

int SetTagValue(char* text, size_t textSize, const char* tag, const char* value) {
    if (!text || !tag || !value)
        return 0;
    const size_t textLength = strnlen(text, textSize);
    if (textLength >= textSize)
        return 0;
    const TagValueSpan span = FindTagValue(text, tag);
    if (!span.open)
        return 0;

    const size_t headLength = static_cast<size_t>(span.open - text) + 1;
    const size_t valueLength = std::strlen(value);
    const size_t tailLength = span.close ? textLength - static_cast<size_t>(span.close - text) : 0;
    const size_t resultLength = headLength + valueLength + tailLength;
    if (resultLength >= textSize || resultLength >= sizeof TagScratch)
        return 0;

    std::memcpy(TagScratch, text, headLength);
    std::memcpy(TagScratch + headLength, value, valueLength);
    if (span.close)
        std::memcpy(TagScratch + headLength + valueLength, span.close, tailLength);
    TagScratch[resultLength] = '\0';
    std::memcpy(text, TagScratch, resultLength + 1);
    return 1;
}
