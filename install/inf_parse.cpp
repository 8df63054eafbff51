// Line reading and entry splitting for SETUP.INF.
#include "install/inf_parse.h"

#include <cstring>

#include "base/strings.h"

namespace {
constexpr char Blank = ' ';
constexpr const char* EntrySeparator = "; ";

void SkipRestOfLine(std::FILE* file) {
    int c = 0;
    while ((c = std::getc(file)) != EOF && c != '\n') {
    }
}

// Trims the field in place and copies it; 0 when it does not fit.
int TakeField(char* field, char* output, size_t outputSize) {
    TrimLeadingBlanks(field);
    TrimTrailingBlanks(field);
    return CopyBounded(output, outputSize, field);
}
} // namespace

int ReadInfLine(std::FILE* file, char* line, size_t lineSize) {
    if (lineSize == 0)
        return 0;
    const size_t capacity = lineSize - 1;
    size_t length = 0;
    bool readAny = false;
    int c = 0;
    while ((c = std::getc(file)) != EOF) {
        readAny = true;
        if (length == capacity) {
            // Only the newline may lie beyond the read: the text itself fitted.
            if (c == '\n')
                break;
            SkipRestOfLine(file);
            length = 0;
            readAny = false;
            continue;
        }
        line[length++] = static_cast<char>(c);
        if (c == '\n')
            break;
    }
    line[length] = '\0';
    return readAny ? 1 : 0;
}

int ParseInfEntry(char* line, char* section, char* key, char* value) {
    section[0] = '\0';
    key[0] = '\0';
    value[0] = '\0';

    char* start = line;
    while (*start == Blank)
        ++start;
    if (*start == '\0' || *start == '\n' || *start == '\r')
        return 1;

    char* separator = std::strstr(start, EntrySeparator);
    if (!separator)
        return 1;
    *separator = '\0';
    if (!TakeField(start, section, InfSectionSize)) {
        section[0] = '\0';
        return 0;
    }

    char* keyStart = separator + 1;
    char* equals = std::strchr(keyStart, '=');
    if (!equals)
        return 1;
    *equals = '\0';
    char* valueStart = equals + 1;
    CutAtNewline(valueStart);
    if (!TakeField(keyStart, key, InfKeySize) || !TakeField(valueStart, value, InfValueSize)) {
        section[0] = '\0';
        key[0] = '\0';
        value[0] = '\0';
        return 0;
    }
    return 1;
}
