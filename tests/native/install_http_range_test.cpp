// The texts of a resumed download: a partial answer is taken only when its Content-Range says
// exactly where it starts and how long the whole is, and the request's headers cannot be bent.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

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

TEST(HttpRange, RangeHeadersCarryTheValidatorAndNothingElse) {
    char headers[64];
    ASSERT_TRUE(FormatRangeHeaders(headers, sizeof headers, 19528562, "\"5f2-3c1\""));
    EXPECT_STREQ("Range: bytes=19528562-\r\nIf-Range: \"5f2-3c1\"\r\n", headers);
    ASSERT_TRUE(FormatRangeHeaders(headers, sizeof headers, 0, "Mon, 07 Dec 2026 10:00:00 GMT"));
    EXPECT_STREQ("Range: bytes=0-\r\nIf-Range: Mon, 07 Dec 2026 10:00:00 GMT\r\n", headers);

    for (const char* refused : {"", "\"a\"\r\nRange: bytes=0-", "\"a\"\n", "\"a\x7f\"", "\"\t\""}) {
        SCOPED_TRACE(refused);
        std::memset(headers, 'x', sizeof headers);
        EXPECT_FALSE(FormatRangeHeaders(headers, sizeof headers, 1, refused));
        EXPECT_STREQ("", headers);
    }
    // Exactly as long as the buffer allows, and one byte more.
    const std::string fits = "Range: bytes=1-\r\nIf-Range: \r\n";
    const std::string validator(sizeof headers - 1 - fits.size(), 'v');
    EXPECT_TRUE(FormatRangeHeaders(headers, sizeof headers, 1, validator.c_str()));
    EXPECT_EQ(sizeof headers - 1, std::strlen(headers));
    EXPECT_FALSE(FormatRangeHeaders(headers, sizeof headers, 1, (validator + "v").c_str()));
    EXPECT_STREQ("", headers);
}

} // namespace
