// An item's markup as a list box could hold it: walked tag by tag as the renderer walks it, each
// argument read by every reader a tag may use. Input: the item text ("(" and ")" become the
// argument bytes, as in the markup gallery's samples).
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "markup/markup_syntax.h"

namespace {
constexpr size_t WalkNameSize = 504; // the walk's tag name buffer

bool InRange(int coordinate) {
    return coordinate >= -MarkupCoordLimit && coordinate <= MarkupCoordLimit;
}

void CheckReaders(const std::vector<char>& arg) {
    int number = 0x5A5A5A5A;
    const bool scanned = ScanDecimal(arg.data(), &number);
    Promise(scanned ? number == ReadDecimal(arg.data()) : number == 0x5A5A5A5A && ReadDecimal(arg.data()) == 0,
            "the two decimal readers disagree, or a failed scan changed the value");
    Promise(InRange(AddCoord(ClampCoord(number), number)) && InRange(ScaleInt(number, number / 7.0)),
            "a coordinate left its range");
    std::uint32_t colour = 0x5A5A5A5A;
    Promise(ScanHexColour(arg.data(), &colour) || colour == 0x5A5A5A5A, "a failed colour scan changed the colour");
    const char* rest = AfterListSeparator(arg.data());
    Promise(!rest || (rest > arg.data() && rest <= arg.data() + std::strlen(arg.data())),
            "the text after the separator is not inside the argument");
    std::uint16_t intensities[6];
    ParseGradientColours(arg.data(), intensities);
    std::vector<char> fields = arg;
    std::vector<char> first = Untouched(16), second = Untouched(16), third = Untouched(1 + arg.size() % 64);
    SplitMarkupFields(fields.data(), first.data(), first.size(), second.data(), second.size(), third.data(),
                      third.size());
    Promise(Terminated(first) && Terminated(second) && Terminated(third), "a field is not terminated");
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string source(reinterpret_cast<const char*>(data), size);
    for (char& c : source)
        c = c == '(' ? TAG_OPEN : c == ')' ? TAG_CLOSE : c;
    const std::vector<char> text = ExactText(source.c_str());
    const size_t length = text.size() - 1;
    size_t pos = 0;
    while (pos < length) {
        std::vector<char> name = Untouched(WalkNameSize);
        std::vector<char> arg = Untouched(length + 1);
        const size_t next = ReadMarkupTag(text.data(), pos, name.data(), name.size(), arg.data(), arg.size());
        Promise(next > pos && next <= length, "the walk stood still or left the text");
        Promise(Terminated(name) && Terminated(arg), "a tag's name or argument is not terminated");
        Promise(name[0] == '\0' ? std::strchr(text.data() + pos, '@') == nullptr
                                : name[0] == '@' && std::strstr(text.data() + pos, name.data()) != nullptr,
                "a tag name is not the text's next tag");
        FindMarkupTag(name.data());
        CheckReaders(arg);
        pos = next;
    }
    return 0;
}
