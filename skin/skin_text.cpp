// Caption splitting for the bitmap buttons and percentage parsing for the status bar.
#include "skin/skin_text.h"

#include <climits>
#include <cstdlib>
#include <cstring>

namespace {
constexpr char CaptionSeparator = '/';

// Copies the token starting at `text` (up to the next separator or the end) into `out`, cut to
// fit, and returns the position just after the token.
const char* CopyToken(const char* text, char* out, size_t outSize) {
    const char* end = std::strchr(text, CaptionSeparator);
    const size_t length = end ? static_cast<size_t>(end - text) : std::strlen(text);
    if (outSize > 0) {
        const size_t copied = length < outSize ? length : outSize - 1;
        std::memcpy(out, text, copied);
        out[copied] = '\0';
    }
    return text + length;
}

const char* SkipSeparators(const char* text) {
    while (*text == CaptionSeparator)
        ++text;
    return text;
}
} // namespace

void SplitButtonCaption(const char* caption, char* label, size_t labelSize, char* iconName, size_t iconNameSize) {
    if (labelSize > 0)
        label[0] = '\0';
    if (iconNameSize > 0)
        iconName[0] = '\0';
    if (!caption)
        return;
    const char* next = SkipSeparators(caption);
    if (*next == '\0')
        return;
    next = CopyToken(next, label, labelSize);
    next = SkipSeparators(next);
    if (*next == '\0')
        return;
    CopyToken(next, iconName, iconNameSize);
}

int ParsePercentText(const char* text) {
    if (!text)
        return 0;
    const long value = std::strtol(text, nullptr, 10);
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(value);
}
