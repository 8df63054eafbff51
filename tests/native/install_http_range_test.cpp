// The Content-Range of a resumed download's answer: taken only when it says exactly where the part
// starts and how long the whole is. (The request's headers are checked by their fuzz target.)
#include <gtest/gtest.h>

#include "install/http_range.h"

namespace {

TEST(HttpRange, ContentRangeIsReadExactlyOrRefused) {
    struct Row {
        const char* text;
        bool valid;
        uint64_t first = 0, last = 0, total = 0;
    };
    const Row rows[] = {
        {"bytes 0-99/100", true, 0, 99, 100},
        {"bytes 4096-39057123/39057124", true, 4096, 39057123, 39057124},
        {"bytes 18446744073709551613-18446744073709551614/18446744073709551615", true, 18446744073709551613ull,
         18446744073709551614ull, 18446744073709551615ull},
        {"bytes 5-5/6", true, 5, 5, 6},
        {"bytes 0-100/100", false},                // past the end
        {"bytes 7-6/100", false},                  // backwards
        {"bytes 0-99/*", false},                   // total unknown
        {"bytes */100", false},                    // an unsatisfied range
        {"bytes 0-18446744073709551616/1", false}, // overflows 64 bits
        {"bytes 0-99/100 ", false},                // trailing text
        {"bytes 0-99/100\r\nX: y", false},         // a second header
        {"bytes -5-99/100", false},                // a sign
        {"bytes=0-99/100", false},                 // the request's form
        {"items 0-99/100", false},                 // another unit
        {"bytes 0 -99/100", false},                // a blank inside
        {"", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        ContentRange range;
        range.first = 77;
        ASSERT_EQ(row.valid, ParseContentRange(row.text, &range));
        if (row.valid) {
            EXPECT_EQ(row.first, range.first);
            EXPECT_EQ(row.last, range.last);
            EXPECT_EQ(row.total, range.total);
        } else {
            EXPECT_EQ(77u, range.first) << "a refused text changed the range";
        }
    }
    EXPECT_FALSE(ParseContentRange(nullptr, nullptr));
}

} // namespace
