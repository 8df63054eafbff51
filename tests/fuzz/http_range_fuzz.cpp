// The texts of a resumed download that a server controls: the Content-Range of its answer, and
// the validator (ETag or Last-Modified) the next request names. Input (FuzzedDataProvider): the
// request's start byte and the output buffer's slack from the end, then the text used as both.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "install/http_range.h"

namespace {
void CheckContentRange(const std::string& text) {
    ContentRange range;
    range.first = 77;
    if (!ParseContentRange(ExactText(text).data(), &range)) {
        Promise(range.first == 77, "a refused Content-Range changed the range");
        return;
    }
    Promise(range.first <= range.last && range.last < range.total, "a range outside its total was taken");
    Promise(text.rfind("bytes ", 0) == 0 && text.find_first_not_of("0123456789-/", 6) == std::string::npos &&
                std::count(text.begin(), text.end(), '-') == 1 && std::count(text.begin(), text.end(), '/') == 1,
            "a Content-Range with other text was taken");
}

void CheckRangeHeaders(uint64_t from, const std::string& validator, size_t slack) {
    const std::string expected = "Range: bytes=" + std::to_string(from) + "-\r\nIf-Range: " + validator + "\r\n";
    // A weak ETag never matches an If-Range: it is never named.
    bool clean = !validator.empty() && validator.rfind("W/", 0) != 0;
    for (const char c : validator)
        clean = clean && static_cast<unsigned char>(c) >= 0x20 && c != 0x7F;
    std::vector<char> output = Untouched(expected.size() + slack);
    const bool made = FormatRangeHeaders(output.data(), output.size(), from, ExactText(validator).data());
    Promise(made == (clean && slack > 0),
            "headers were refused that fit, or made with a control character or a weak tag");
    Promise(TextOf(output) == (made ? expected : ""), "the headers are not Range and If-Range alone");
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const uint64_t from = input.ConsumeIntegral<uint64_t>();
    const size_t slack = input.ConsumeIntegralInRange<size_t>(0, 2);
    const std::string text = input.ConsumeRemainingBytesAsString().c_str();
    CheckContentRange(text);
    CheckRangeHeaders(from, text, slack);
    return 0;
}
