// The Win32-free side of the item markup: the tag walk, the dispatch order and the argument readers.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "markup/markup_syntax.h"

namespace {
struct Tag {
    std::string name;
    std::string arg;
    size_t next;
};

Tag Read(const std::string& text, size_t pos, size_t nameSize = 504, size_t argSize = 256) {
    std::string name(nameSize, '?');
    std::string arg(argSize, '?');
    const size_t next = ReadMarkupTag(text.c_str(), pos, name.data(), nameSize, arg.data(), argSize);
    return {name.c_str(), arg.c_str(), next};
}
} // namespace

TEST(MarkupWalk, ReadsTagsSkippingTextBetweenThem) {
    const std::string text = "junk @TXT\x82hello\x83 more @SEP\x82"
                             "1\x83@SFB";
    Tag tag = Read(text, 0);
    EXPECT_EQ("@TXT", tag.name);
    EXPECT_EQ("hello", tag.arg);
    tag = Read(text, tag.next);
    EXPECT_EQ("@SEP", tag.name);
    EXPECT_EQ("1", tag.arg);
    tag = Read(text, tag.next);
    EXPECT_EQ("@SFB", tag.name);
    EXPECT_EQ("", tag.arg);
    EXPECT_EQ(text.size(), tag.next);

    // An unclosed argument runs to the end; text without '@' ends the walk.
    tag = Read("@X\x82"
               "12",
               0);
    EXPECT_EQ("12", tag.arg);
    tag = Read("no tags", 0);
    EXPECT_EQ("", tag.name);
    EXPECT_EQ(7u, tag.next);
    // Parentheses are not brackets: the name runs to the next opening byte.
    tag = Read("@X(1) @RECT\x82"
               "5\x83",
               0);
    EXPECT_EQ("@X(1) @RECT", tag.name);
}

TEST(MarkupWalk, NamesAndArgumentsAreCutToTheirBuffers) {
    const std::string text = "@" + std::string(1000, 'A') + "\x82" + std::string(100, 'b') + "\x83@X";
    const Tag tag = Read(text, 0, 504, 10);
    EXPECT_EQ(503u, tag.name.size());
    EXPECT_EQ(9u, tag.arg.size());
    EXPECT_EQ(text.size() - 2, tag.next);
}

TEST(MarkupDispatch, ExactAndPrefixWordsInOrder) {
    EXPECT_EQ(MarkupTag::Txt, FindMarkupTag("@TXT7"));
    EXPECT_EQ(MarkupTag::None, FindMarkupTag("@XCOL1"));
    EXPECT_EQ(MarkupTag::XCol, FindMarkupTag("@XCOL"));
    EXPECT_EQ(MarkupTag::CSL, FindMarkupTag("@CSL"));
    EXPECT_EQ(MarkupTag::CSL, FindMarkupTag("@CSLX"));
    EXPECT_EQ(MarkupTag::CS, FindMarkupTag("@CSX"));
    EXPECT_EQ(MarkupTag::CL, FindMarkupTag("@CLX"));
    EXPECT_EQ(MarkupTag::X, FindMarkupTag("@X"));
    EXPECT_EQ(MarkupTag::XE, FindMarkupTag("@XE"));
    EXPECT_EQ(MarkupTag::DRS, FindMarkupTag("@DRS"));
    EXPECT_EQ(MarkupTag::None, FindMarkupTag("@DRSX"));
    EXPECT_EQ(MarkupTag::F01, FindMarkupTag("@F011"));
    EXPECT_EQ(MarkupTag::Bbk, FindMarkupTag("@BBK1"));
    EXPECT_EQ(MarkupTag::None, FindMarkupTag("@RECT1"));
    EXPECT_EQ(MarkupTag::None, FindMarkupTag(""));
}

TEST(MarkupArguments, NumbersAndColoursReadLikeTheCLibrary) {
    EXPECT_EQ(-12, ReadDecimal("  -12abc"));
    EXPECT_EQ(0, ReadDecimal("x1"));
    EXPECT_EQ(2147483647, ReadDecimal("99999999999999999999999"));
    int value = 7;
    EXPECT_FALSE(ScanDecimal("", &value));
    EXPECT_FALSE(ScanDecimal(nullptr, &value));
    EXPECT_EQ(7, value);
    std::uint32_t colour = 5;
    EXPECT_TRUE(ScanHexColour("ff0000,4", &colour));
    EXPECT_EQ(0xFF0000u, colour);
    EXPECT_FALSE(ScanHexColour("zz", &colour));
    EXPECT_EQ(0xFF0000u, colour);

    EXPECT_EQ(15, ScaleInt(10, 1.5));
    EXPECT_EQ(-1, ScaleInt(-3, 0.5));
    EXPECT_EQ(MarkupCoordLimit, ScaleInt(2147483647, 4.0));
    EXPECT_EQ(MarkupCoordLimit, AddCoord(MarkupCoordLimit, 2147483647));

    EXPECT_STREQ("4,5", AfterListSeparator("FF;4,5"));
    EXPECT_EQ(nullptr, AfterListSeparator("FF"));
}

TEST(MarkupArguments, FieldsSplitLikeStrtokAndAreCut) {
    char text[] = "\x86\x86"
                  "F4F4F4FFFFFF\x86ICOB011\x86  Title and more";
    char first[16], second[16], third[6];
    SplitMarkupFields(text, first, sizeof first, second, sizeof second, third, sizeof third);
    EXPECT_STREQ("F4F4F4FFFFFF", first);
    EXPECT_STREQ("ICOB011", second);
    EXPECT_STREQ("Title", third);

    char shortText[] = "onlyone";
    SplitMarkupFields(shortText, first, sizeof first, second, sizeof second, third, sizeof third);
    EXPECT_STREQ("onlyone", first);
    EXPECT_STREQ("", second);
    EXPECT_STREQ("", third);

    char longText[] = "0123456789012345678901234\x86x\x86verylongcaption";
    SplitMarkupFields(longText, first, sizeof first, second, sizeof second, third, sizeof third);
    EXPECT_STREQ("012345678901234", first);
    EXPECT_STREQ("veryl", third);
}

TEST(MarkupArguments, GradientComponentsGetTwoZeroDigits) {
    std::uint16_t colour[6];
    ParseGradientColours("F4F4F4DEEBFB", colour);
    EXPECT_EQ(0xF400, colour[0]);
    EXPECT_EQ(0xDE00, colour[3]);
    EXPECT_EQ(0xFB00, colour[5]);
    ParseGradientColours("FFz", colour);
    EXPECT_EQ(0xFF00, colour[0]);
    EXPECT_EQ(0, colour[1]);
    EXPECT_EQ(0, colour[5]);
}

TEST(MarkupWalk, RandomTextsAreWalkedToTheEnd) {
    std::mt19937 random(7);
    for (int round = 0; round < 2000; ++round) {
        std::string text;
        const int length = static_cast<int>(random() % 300);
        for (int i = 0; i < length; ++i) {
            const char bytes[] = {'@', '\x82', '\x83', '\x86', 'A', ',', ' '};
            text += bytes[random() % sizeof bytes];
        }
        char name[8];
        char arg[8];
        size_t pos = 0;
        int steps = 0;
        while (pos < text.size()) {
            const size_t next = ReadMarkupTag(text.c_str(), pos, name, sizeof name, arg, sizeof arg);
            ASSERT_GT(next, pos);
            pos = next;
            FindMarkupTag(name);
            ASSERT_LT(++steps, 400);
        }
        EXPECT_EQ(text.size(), pos);
    }
}
