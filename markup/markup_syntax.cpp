// The tag walk, the dispatch order and the argument readers of the item markup.
#include "markup/markup_syntax.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <iterator>

namespace {

enum class Match { Exact, Prefix };

struct TagWord {
    const char* word;
    Match match;
    MarkupTag tag;
};

#define MARKUP_TAG_WORD(name, word, match) {word, Match::match, MarkupTag::name},
constexpr TagWord TagWords[] = {MARKUP_TAG_LIST(MARKUP_TAG_WORD)};
#undef MARKUP_TAG_WORD
static_assert(std::size(TagWords) + 1 == static_cast<size_t>(MarkupTag::Count), "one word per tag");

bool IsSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// Copies src[0, length) into dst, cut to dstSize and terminated.
void CopyCut(char* dst, size_t dstSize, const char* src, size_t length) {
    if (dstSize == 0)
        return;
    const size_t copied = length < dstSize ? length : dstSize - 1;
    std::memcpy(dst, src, copied);
    dst[copied] = '\0';
}

// Leading blanks and an optional sign, as strtol and strtoul read them.
const char* SkipBlanksAndSign(const char* text, bool* negative) {
    while (IsSpace(*text))
        ++text;
    *negative = *text == '-';
    if (*text == '+' || *text == '-')
        ++text;
    return text;
}

// Reads a signed decimal like strtol; false without digits.
bool ParseLong(const char* text, long long* value) {
    if (!text)
        return false;
    bool negative = false;
    const char* p = SkipBlanksAndSign(text, &negative);
    if (*p < '0' || *p > '9')
        return false;
    long long result = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        if (result < LLONG_MAX / 100)
            result = result * 10 + (*p - '0');
    }
    *value = negative ? -result : result;
    return true;
}

int SaturateInt(long long value) {
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(value);
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// strtoul base 16: blanks, optional sign, optional "0x", digits. False without digits.
bool ParseHex(const char* text, unsigned long long* value) {
    if (!text)
        return false;
    bool negative = false;
    const char* p = SkipBlanksAndSign(text, &negative);
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && HexDigit(p[2]) >= 0)
        p += 2;
    if (HexDigit(*p) < 0)
        return false;
    unsigned long long result = 0;
    for (; HexDigit(*p) >= 0; ++p)
        result = (result << 4) | static_cast<unsigned>(HexDigit(*p));
    *value = negative ? 0ULL - result : result;
    return true;
}

} // namespace

MarkupTag FindMarkupTag(const char* name) {
    for (const TagWord& entry : TagWords) {
        const bool match = entry.match == Match::Prefix ? std::strncmp(name, entry.word, std::strlen(entry.word)) == 0
                                                        : std::strcmp(name, entry.word) == 0;
        if (match)
            return entry.tag;
    }
    return MarkupTag::None;
}

size_t ReadMarkupTag(const char* text, size_t pos, char* name, size_t nameSize, char* arg, size_t argSize) {
    CopyCut(name, nameSize, "", 0);
    CopyCut(arg, argSize, "", 0);
    const char* start = std::strchr(text + pos, '@');
    if (!start)
        return pos + std::strlen(text + pos);
    const char* p = start;
    while (*p && *p != TAG_OPEN)
        ++p;
    CopyCut(name, nameSize, start, static_cast<size_t>(p - start));
    if (*p != TAG_OPEN)
        return static_cast<size_t>(p - text);
    const char* argStart = ++p;
    while (*p && *p != TAG_CLOSE)
        ++p;
    CopyCut(arg, argSize, argStart, static_cast<size_t>(p - argStart));
    if (*p == TAG_CLOSE)
        ++p;
    return static_cast<size_t>(p - text);
}

int ClampCoord(long long value) {
    if (value > MarkupCoordLimit)
        return MarkupCoordLimit;
    if (value < -MarkupCoordLimit)
        return -MarkupCoordLimit;
    return static_cast<int>(value);
}

int AddCoord(int a, long long b) {
    if (b > MarkupCoordLimit)
        b = MarkupCoordLimit;
    if (b < -MarkupCoordLimit)
        b = -MarkupCoordLimit;
    return ClampCoord(static_cast<long long>(a) + b);
}

int ScaleInt(int value, double scale) {
    const double scaled = std::trunc(static_cast<double>(value) * scale);
    if (std::isnan(scaled))
        return 0;
    if (scaled > MarkupCoordLimit)
        return MarkupCoordLimit;
    if (scaled < -MarkupCoordLimit)
        return -MarkupCoordLimit;
    return static_cast<int>(scaled);
}

int ReadDecimal(const char* text) {
    long long value = 0;
    return ParseLong(text, &value) ? SaturateInt(value) : 0;
}

bool ScanDecimal(const char* text, int* value) {
    long long parsed = 0;
    if (!ParseLong(text, &parsed))
        return false;
    *value = SaturateInt(parsed);
    return true;
}

bool ScanHexColour(const char* text, std::uint32_t* value) {
    unsigned long long parsed = 0;
    if (!ParseHex(text, &parsed))
        return false;
    *value = static_cast<std::uint32_t>(parsed);
    return true;
}

const char* AfterListSeparator(const char* text) {
    if (!text)
        return nullptr;
    const char* separator = std::strpbrk(text, ListSeparators);
    return separator ? separator + 1 : nullptr;
}

namespace {
// One strtok step over a single delimiter: skips leading delimiters, ends the token at the next
// one (overwritten with NUL) and leaves `cursor` after it; null when no token is left.
char* NextField(char*& cursor, char delimiter) {
    if (!cursor)
        return nullptr;
    while (*cursor == delimiter)
        ++cursor;
    if (!*cursor) {
        cursor = nullptr;
        return nullptr;
    }
    char* token = cursor;
    while (*cursor && *cursor != delimiter)
        ++cursor;
    if (*cursor)
        *cursor++ = '\0';
    else
        cursor = nullptr;
    return token;
}
} // namespace

void SplitMarkupFields(char* text, char* first, size_t firstSize, char* second, size_t secondSize, char* third,
                       size_t thirdSize) {
    CopyCut(first, firstSize, "", 0);
    CopyCut(second, secondSize, "", 0);
    CopyCut(third, thirdSize, "", 0);
    char* cursor = text;
    const char* field = NextField(cursor, FieldSeparatorByte);
    if (!field)
        return;
    CopyCut(first, firstSize, field, std::strlen(field));
    if (!(field = NextField(cursor, FieldSeparatorByte)))
        return;
    CopyCut(second, secondSize, field, std::strlen(field));
    if (!(field = NextField(cursor, ' ')))
        return;
    CopyCut(third, thirdSize, field, std::strlen(field));
}

void ParseGradientColours(const char* colours, std::uint16_t intensities[6]) {
    const size_t length = colours ? std::strlen(colours) : 0;
    for (size_t i = 0; i < 6; ++i) {
        char component[5] = {};
        size_t used = 0;
        for (size_t k = 2 * i; k < 2 * i + 2 && k < length; ++k)
            component[used++] = colours[k];
        component[used++] = '0';
        component[used++] = '0';
        unsigned long long value = 0;
        intensities[i] = ParseHex(component, &value) ? static_cast<std::uint16_t>(value & 0xFFFF) : 0;
    }
}
