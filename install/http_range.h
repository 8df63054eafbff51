// The texts of a resumed download: the request's Range and If-Range headers, and the Content-Range
// of the server's partial answer. Win32-free.
#pragma once

#include <cstddef>
#include <cstdint>

// What a Content-Range header names: the bytes first to last (inclusive) of a body of total bytes.
struct ContentRange {
    uint64_t first = 0;
    uint64_t last = 0;
    uint64_t total = 0;
};

// "bytes FIRST-LAST/TOTAL", decimal digits only, with first <= last < total. False for anything
// else: an unknown total ("*"), a range past the total, a number that overflows, trailing text.
bool ParseContentRange(const char* text, ContentRange* range);

// The headers that ask for the rest of a body from byte `from` on, as long as it is still the
// body the validator (an ETag or a Last-Modified date) names: "Range: bytes=FROM-\r\nIf-Range:
// VALIDATOR\r\n". False with output empty when they would not fit, or when the validator is
// empty, a weak ETag ("W/..." never matches, so the server would send the whole body every time)
// or holds a control character (a header must not be able to add another).
bool IsWeakEntityTag(const char* tag);
bool FormatRangeHeaders(char* output, size_t outputSize, uint64_t from, const char* validator);
