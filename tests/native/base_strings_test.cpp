// String helpers that validate the folder, clean SETUP.INF fields and build paths.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "base/strings.h"

TEST(IsBlankText, OnlySpacesAreBlanks) {
    EXPECT_EQ(1, IsBlankText(""));
    EXPECT_EQ(1, IsBlankText("   "));
    EXPECT_EQ(0, IsBlankText("\t"));
    EXPECT_EQ(0, IsBlankText(" a "));
    EXPECT_EQ(0, IsBlankText("\r\n"));
}

TEST(TrimBlanks, LeadingAndTrailingSpacesGoTabsStay) {
    char text[32];
    CopyBounded(text, "  word");
    TrimLeadingBlanks(text);
    EXPECT_STREQ("word", text);

    CopyBounded(text, "    ");
    TrimLeadingBlanks(text);
    EXPECT_STREQ("", text);

    CopyBounded(text, "word   ");
    EXPECT_EQ(0, TrimTrailingBlanks(text));
    EXPECT_STREQ("word", text);

    CopyBounded(text, "   ");
    TrimTrailingBlanks(text);
    EXPECT_STREQ("", text);

    CopyBounded(text, "");
    TrimTrailingBlanks(text);
    EXPECT_STREQ("", text);

    CopyBounded(text, "\tword\t ");
    TrimLeadingBlanks(text);
    TrimTrailingBlanks(text);
    EXPECT_STREQ("\tword\t", text);
}

TEST(CutAtNewline, KeepsTextBeforeTheFirstNewlineAndItsCarriageReturn) {
    char text[32];
    CopyBounded(text, "value\n");
    CutAtNewline(text);
    EXPECT_STREQ("value", text);

    CopyBounded(text, "a\r\nb\nc");
    CutAtNewline(text);
    EXPECT_STREQ("a\r", text);

    CopyBounded(text, "plain");
    CutAtNewline(text);
    EXPECT_STREQ("plain", text);
}

TEST(JoinPath, AlwaysAddsOneBackslashAndTrimsBlanks) {
    char path[64];
    EXPECT_EQ(0, JoinPath("C:\\LUDRA47 ", "SETUP.INF", path, sizeof path));
    EXPECT_STREQ("C:\\LUDRA47\\SETUP.INF", path);

    JoinPath("C:\\", "LUDRA.INI", path, sizeof path);
    EXPECT_STREQ("C:\\\\LUDRA.INI", path);

    JoinPath("C:\\LUDRA", "NAME  ", path, sizeof path);
    EXPECT_STREQ("C:\\LUDRA\\NAME", path);
}

TEST(JoinPath, RefusesAResultThatDoesNotFitInsteadOfCuttingIt) {
    char path[16];
    EXPECT_EQ(-1, JoinPath("C:\\LUDRA47", "SETUP.INF", path, sizeof path));
    EXPECT_STREQ("", path);
    // Exactly fits: 10 + 1 + 4 characters and the terminator.
    EXPECT_EQ(0, JoinPath("C:\\LUDRA47", "A.IN", path, sizeof path));
    EXPECT_STREQ("C:\\LUDRA47\\A.IN", path);
}

TEST(CopyBounded, CutsToTheBufferAndSaysSo) {
    char buffer[5];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(0, CopyBounded(buffer, "abcdefgh"));
    EXPECT_STREQ("abcd", buffer);
    EXPECT_EQ(1, CopyBounded(buffer, "abcd"));
    EXPECT_STREQ("abcd", buffer);

    char joined[8] = "abc";
    EXPECT_EQ(1, AppendBounded(joined, "def"));
    EXPECT_STREQ("abcdef", joined);
    EXPECT_EQ(0, AppendBounded(joined, "ghi"));
    EXPECT_STREQ("abcdefg", joined);
}
