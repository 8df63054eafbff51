// A button's caption "label/icon" and the status bar's percentage text. Input: the text; its
// length picks the buffers: none, one byte, and one short of, exactly and one past the parts the
// program's 40- and 20-byte buffers hold.
#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "skin/skin_text.h"

namespace {
// strtok's view of the caption: the runs between separators.
std::string Token(const std::string& caption, size_t index) {
    size_t start = caption.find_first_not_of('/');
    for (; index > 0 && start != std::string::npos; --index)
        start = caption.find_first_not_of('/', caption.find('/', start));
    return start == std::string::npos ? "" : caption.substr(start, caption.find('/', start) - start);
}

// What atoi reads, held at the int limits.
long long Percent(const std::string& text) {
    size_t at = text.find_first_not_of(" \t\n\v\f\r");
    at = at == std::string::npos ? text.size() : at;
    const bool negative = at < text.size() && text[at] == '-';
    at += at < text.size() && (text[at] == '-' || text[at] == '+') ? 1 : 0;
    long long value = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at)
        value = std::min(value * 10 + (text[at] - '0'), 1LL << 32);
    return std::max<long long>(INT_MIN, std::min<long long>(INT_MAX, negative ? -value : value));
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text = std::string(reinterpret_cast<const char*>(data), size).c_str();
    const std::vector<char> caption = ExactText(text);
    const size_t labelSize = std::array<size_t, 5>{0, 1, 39, 40, 41}[size % 5];
    const size_t iconSize = std::array<size_t, 5>{0, 1, 19, 20, 21}[size / 5 % 5];
    std::vector<char> label = Untouched(labelSize);
    std::vector<char> icon = Untouched(iconSize);
    SplitButtonCaption(caption.data(), label.data(), label.size(), icon.data(), icon.size());
    Promise(labelSize == 0 || TextOf(label) == Token(text, 0).substr(0, labelSize - 1),
            "the label is not the caption's first part, cut to its buffer");
    Promise(iconSize == 0 || TextOf(icon) == Token(text, 1).substr(0, iconSize - 1),
            "the icon name is not the caption's second part, cut to its buffer");
    Promise(ParsePercentText(caption.data()) == Percent(text), "a percentage was read other than atoi reads it");
    return 0;
}
