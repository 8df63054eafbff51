// The Content-Range of a resumed download's answer: taken only when it says exactly where the part
// starts and how long the whole is; and the request's headers, written whole or not at all.
#include <gtest/gtest.h>

#include <string>
#include <vector>

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
        {"bytes -99/100", false},                  // no first byte
        {"bytes 0-99/100x", false},                // a letter after a number
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

// A validator that could end the header line or start another, or that can never match, is never
// sent, and headers that do not fit are not sent cut: either way the output is left empty, and
// nothing past it is written.
TEST(HttpRange, RangeHeadersAreWrittenWholeOrNotAtAll) {
    const std::string etag = "Range: bytes=4096-\r\nIf-Range: \"5f3a-1b\"\r\n";
    struct Row {
        const char* name;
        size_t outputSize;
        uint64_t from;
        const char* validator;
        const char* written; // nullptr when refused
    };
    const Row rows[] = {
        {"an ETag, with just room for it", etag.size() + 1, 4096, "\"5f3a-1b\"", etag.c_str()},
        {"the same, one byte short", etag.size(), 4096, "\"5f3a-1b\"", nullptr},
        {"no room at all", 0, 4096, "\"5f3a-1b\"", nullptr},
        {"a date, with its blanks", 80, 0, "Wed, 21 Oct 2015 07:28:00 GMT",
         "Range: bytes=0-\r\nIf-Range: Wed, 21 Oct 2015 07:28:00 GMT\r\n"},
        {"a byte past ASCII", 80, 1, "\"caff\xe8\"", "Range: bytes=1-\r\nIf-Range: \"caff\xe8\"\r\n"},
        // A weak tag never matches: the server would send the whole body every time.
        {"a weak ETag", 80, 1, "W/\"caff\"", nullptr},
        {"a strong one that holds W/", 80, 1, "\"W/caff\"", "Range: bytes=1-\r\nIf-Range: \"W/caff\"\r\n"},
        {"the largest offset", 80, UINT64_MAX, "\"e\"", "Range: bytes=18446744073709551615-\r\nIf-Range: \"e\"\r\n"},
        {"a line feed", 80, 0, "\"e\"\nX: y", nullptr},
        {"a carriage return", 80, 0, "\"e\"\r", nullptr},
        {"the last control character", 80, 0, "\"e\x1f\"", nullptr},
        {"DEL", 80, 0, "\"e\x7f\"", nullptr},
        {"an empty validator", 80, 0, "", nullptr},
        {"no validator", 80, 0, nullptr, nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<char> output(row.outputSize + 1, '#');
        EXPECT_EQ(FormatRangeHeaders(output.data(), row.outputSize, row.from, row.validator), row.written != nullptr);
        if (row.outputSize > 0) {
            EXPECT_STREQ(output.data(), row.written ? row.written : "");
        }
        EXPECT_EQ(output[row.outputSize], '#') << "written past the output";
    }
}

} // namespace
