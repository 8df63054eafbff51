// The setup program's command line. Input: the text after the program's name. Its promises: a
// folder or log path taken is within its buffer and holds no quote (the splitter drops them); help
// never runs the program; the other switch prefix (- for /, / for -) reads the same.
#include <cstdint>
#include <cstring>
#include <string>

#include "app/command_line.h"
#include "fuzz_support.h"

namespace {
bool Clean(const char* value, size_t size) {
    const size_t length = strnlen(value, size);
    return length < size && std::memchr(value, '"', length) == nullptr;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text = std::string(reinterpret_cast<const char*>(data), size).c_str();
    CommandLine line;
    const CommandVerdict verdict = ParseCommandLine(ExactText(text).data(), &line);
    Promise(Clean(line.folder.data(), line.folder.size()), "the folder is past its buffer or holds a quote");
    Promise(Clean(line.log.data(), line.log.size()), "the log path is past its buffer or holds a quote");
    Promise(verdict != CommandVerdict::Run || !line.help, "help was asked for and the program runs");
    Promise(!line.folderGiven || line.folder[0] != '\0', "a folder was given and it is empty");
    // The same switches with the other prefix read the same.
    std::string other = text;
    bool atStart = true;
    bool quoted = false;
    for (char& c : other) {
        if (c == '"')
            quoted = !quoted;
        if (!quoted && atStart && (c == '/' || c == '-'))
            c = c == '/' ? '-' : '/';
        atStart = !quoted && (c == ' ' || c == '\t' || c == '\r' || c == '\n');
    }
    CommandLine again;
    Promise(ParseCommandLine(other.c_str(), &again) == verdict && again.mode == line.mode,
            "the other switch prefix reads differently");
    return 0;
}
