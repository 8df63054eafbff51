// SETUP.INF as a package could carry it: read line by line and each line split into an entry.
// Input: the file. A printable last byte picks a small line buffer (1 to 64 bytes), so the
// skipping of overlong lines is met often; otherwise the buffer is the program's.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "install/inf_parse.h"

namespace {
bool Trimmed(const std::string& field) {
    return field.empty() || (field.front() != ' ' && field.back() != ' ');
}

void CheckEntry(const std::vector<char>& line) {
    std::vector<char> work = line;
    std::vector<char> section = Untouched(InfSectionSize);
    std::vector<char> key = Untouched(InfKeySize);
    std::vector<char> value = Untouched(InfValueSize);
    const int taken = ParseInfEntry(work.data(), section.data(), key.data(), value.data());
    Promise(Terminated(section) && Terminated(key) && Terminated(value), "a field is not terminated");
    Promise(taken == 1 || (TextOf(section).empty() && TextOf(key).empty() && TextOf(value).empty()),
            "a skipped entry left a field behind");
    Promise(Trimmed(TextOf(section)) && Trimmed(TextOf(key)) && Trimmed(TextOf(value)), "a field kept its blanks");
    Promise(TextOf(value).find('\n') == std::string::npos, "a value kept the newline");
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<char> file(data, data + size);
    const size_t lineSize = size > 0 && data[size - 1] >= 0x20 ? 1 + data[size - 1] % 64 : InfLineSize;
    std::FILE* stream = size > 0 ? fmemopen(file.data(), file.size(), "r") : nullptr;
    if (!stream)
        return 0;
    // The lines the reader must give back, in order: every line whose text fits the buffer.
    const std::string text(file.begin(), file.end());
    size_t start = 0;
    std::vector<char> line = Untouched(lineSize);
    while (ReadInfLine(stream, line.data(), line.size())) {
        size_t stop = text.find('\n', start);
        while (stop != std::string::npos && stop - start > lineSize - 1) {
            start = stop + 1;
            stop = text.find('\n', start);
        }
        stop = stop == std::string::npos ? text.size() : stop;
        Promise(start < text.size() && stop - start <= lineSize - 1, "a line that does not fit was given");
        const bool newline = stop < text.size() && stop - start < lineSize - 1;
        const size_t length = stop - start + (newline ? 1 : 0);
        Promise(line[length] == '\0' && text.compare(start, length, line.data(), length) == 0,
                "a line is not the file's next fitting line");
        CheckEntry(line);
        start = stop + 1;
    }
    std::fclose(stream);
    return 0;
}
