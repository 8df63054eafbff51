// Tag strings as the animation prepares, reads and changes them. Input (FuzzedDataProvider): the
// text before preparing, the tag, the new value; the last byte moves every buffer around the
// size its result needs (one byte short, exact, one more).
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "progress/tag_string.h"

namespace {
std::string Prepare(const std::string& source) {
    std::vector<char> text = ExactText(source);
    PrepareTagString(text.data());
    Promise(text.back() == '\0' && TextOf(text).size() == source.size(), "preparing changed the text's length");
    for (size_t i = 0; i < source.size(); ++i) {
        Promise(text[i] == source[i] || (source[i] == '(' && text[i] == TAG_OPEN) ||
                    (source[i] == ')' && text[i] == TAG_CLOSE),
                "preparing changed a byte other than a parenthesis");
    }
    return TextOf(text);
}

void CheckGet(const std::string& text, const std::string& tag, size_t open, size_t slack) {
    const size_t close = open == std::string::npos ? open : text.find(TAG_CLOSE, open + 1);
    const std::string value = close == std::string::npos ? "" : text.substr(open + 1, close - open - 1);
    std::vector<char> out = Untouched(value.size() + slack);
    const int found = GetTagValue(text.c_str(), tag.c_str(), out.data(), out.size());
    Promise(found == (close != std::string::npos && slack > 0), "a value was read that is not there, or missed");
    Promise(found ? TextOf(out) == value : out == Untouched(out.size()), "a value was read wrong or the miss wrote");
}

void CheckSet(const std::string& text, const std::string& tag, size_t open, size_t slack, const std::string& value) {
    const size_t close = open == std::string::npos ? open : text.find(TAG_CLOSE, open + 1);
    const std::string changed = open == std::string::npos ? ""
                                                          : text.substr(0, open + 1) + value +
                                                                (close == std::string::npos ? "" : text.substr(close));
    std::vector<char> buffer = Untouched(std::max<size_t>(1, changed.size() + slack));
    std::copy_n(text.c_str(), std::min(buffer.size(), text.size() + 1), buffer.begin());
    const std::vector<char> before = buffer;
    const bool fits = open != std::string::npos && text.size() < buffer.size() && changed.size() < buffer.size() &&
                      changed.size() < TagStringScratchSize;
    const int set = SetTagValue(buffer.data(), buffer.size(), tag.c_str(), value.c_str());
    Promise(set == (fits ? 1 : 0), "a change that fits was refused, or one that does not was made");
    Promise(set ? TextOf(buffer) == changed : buffer == before, "a change was made wrong or a refusal wrote");
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const size_t slack = input.ConsumeIntegralInRange<size_t>(0, 2);
    const std::string text = Prepare(input.ConsumeRandomLengthString().c_str());
    const std::string tag = input.ConsumeRandomLengthString().c_str();
    const std::string value = input.ConsumeRemainingBytesAsString().c_str();
    const size_t match = text.find(tag);
    const size_t open = match == std::string::npos ? match : text.find(TAG_OPEN, match);
    CheckGet(text, tag, open, slack);
    CheckSet(text, tag, open, slack, value);
    return 0;
}
