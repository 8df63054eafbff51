// Tag strings: preparing, reading and replacing values, and the bounds of every buffer involved.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "progress/tag_string.h"

namespace {

// The prepared form of a source text, written with () so expectations stay readable.
std::string Prepared(std::string source) {
    PrepareTagString(source.data());
    return source;
}

std::string Read(const std::string& text, const char* tag, size_t outSize = 64) {
    std::vector<char> out(outSize, '#');
    if (!GetTagValue(text.c_str(), tag, out.data(), out.size()))
        return "<missing>";
    return out.data();
}

// Spells the reserved bytes as [ and ] (TAG_OPEN, TAG_CLOSE).
std::string Bytes(std::string text) {
    for (char& c : text) {
        if (c == '[')
            c = TAG_OPEN;
        else if (c == ']')
            c = TAG_CLOSE;
    }
    return text;
}

} // namespace

TEST(PrepareTagString, TurnsEachTagsParenthesesIntoTheReservedBytes) {
    EXPECT_EQ(Bytes("@CEV[1]@IMG1[IMG1]"), Prepared("@CEV(1)@IMG1(IMG1)"));
    // Text between tags, an @ inside a value and an opening parenthesis inside a value stay.
    EXPECT_EQ(Bytes("x @A[a@b(c] y @B[]"), Prepared("x @A(a@b(c) y @B()"));
    EXPECT_EQ("", Prepared(""));
    PrepareTagString(nullptr);
}

TEST(PrepareTagString, StopsWhereATagLacksItsParentheses) {
    EXPECT_EQ("no tag (here)", Prepared("no tag (here)"));
    EXPECT_EQ("@A no parenthesis", Prepared("@A no parenthesis"));
    EXPECT_EQ(Bytes("@A[open only"), Prepared("@A(open only"));
    // The value of @B runs to the first closing parenthesis, over the @C inside it.
    EXPECT_EQ(Bytes("@A[1]@B[2 @C(3]"), Prepared("@A(1)@B(2 @C(3)"));
}

TEST(GetTagValue, ReadsTheValueOfTheFirstMatch) {
    const std::string frames = Prepared("@CEV(1)@IMG1(IMG1)@NEV1(2)@TIM1(100)");
    EXPECT_EQ("1", Read(frames, "@CEV"));
    EXPECT_EQ("IMG1", Read(frames, "@IMG1"));
    EXPECT_EQ("100", Read(frames, "@TIM1"));
    EXPECT_EQ("", Read(Prepared("@A()"), "@A"));
    // A name also matches the start of a longer one, and the first match wins.
    EXPECT_EQ("x", Read(Prepared("@IMG10(x)@IMG1(y)"), "@IMG1"));
    // A name without a value of its own takes the next value in the text.
    EXPECT_EQ("v", Read(Prepared("@A @B(v)"), "@A"));
    // Case matters.
    EXPECT_EQ("<missing>", Read(frames, "@cev"));
}

TEST(GetTagValue, MissingTagsAndDelimitersLeaveTheOutputUntouched) {
    char out[8] = "keep";
    EXPECT_EQ(0, GetTagValue("@CEV(1)", "@CEV", out, sizeof out)); // not prepared
    EXPECT_EQ(0, GetTagValue(Prepared("@A(1)").c_str(), "@B", out, sizeof out));
    EXPECT_EQ(0, GetTagValue(Prepared("@A(1)@B(2").c_str(), "@B", out, sizeof out));
    EXPECT_EQ(0, GetTagValue(nullptr, "@A", out, sizeof out));
    EXPECT_EQ(0, GetTagValue("@A", nullptr, out, sizeof out));
    EXPECT_STREQ("keep", out);
}

TEST(GetTagValue, AValueLongerThanTheOutputBufferCountsAsMissing) {
    const std::string text = Prepared("@CEV(12345678901)@IMG(1234567890123456789012345678901)@LONG(123456789012)");
    char entry[12];
    std::memset(entry, '#', sizeof entry);
    EXPECT_EQ(1, GetTagValue(text.c_str(), "@CEV", entry, sizeof entry));
    EXPECT_STREQ("12345678901", entry);

    char name[32];
    EXPECT_EQ(1, GetTagValue(text.c_str(), "@IMG", name, sizeof name));
    EXPECT_EQ(31u, std::strlen(name));

    // Heap buffers of the exact size, so the sanitizer sees one byte too many.
    std::vector<char> small(12, '#');
    EXPECT_EQ(0, GetTagValue(text.c_str(), "@LONG", small.data(), small.size()));
    EXPECT_EQ(std::vector<char>(12, '#'), small);
    EXPECT_EQ(0, GetTagValue(text.c_str(), "@CEV", small.data(), 0));
}

TEST(SetTagValue, ReplacesTheValueAndKeepsTheRest) {
    char text[64];
    std::string source = Prepared("@CEV(1)@X(2)");
    std::memcpy(text, source.c_str(), source.size() + 1);
    EXPECT_EQ(1, SetTagValue(text, sizeof text, "@CEV", "12"));
    EXPECT_EQ(Prepared("@CEV(12)@X(2)"), text);
    EXPECT_EQ(1, SetTagValue(text, sizeof text, "@CEV", ""));
    EXPECT_EQ(Prepared("@CEV()@X(2)"), text);
    EXPECT_EQ(1, SetTagValue(text, sizeof text, "@X", "long value"));
    EXPECT_EQ(Prepared("@CEV()@X(long value)"), text);
    EXPECT_EQ("long value", Read(text, "@X"));
}

TEST(SetTagValue, AValueWithoutItsCloseReplacesEverythingAfterTheOpen) {
    char text[64];
    std::string source = Prepared("@A(1)@B(2 and more");
    std::memcpy(text, source.c_str(), source.size() + 1);
    EXPECT_EQ("<missing>", Read(text, "@B"));
    EXPECT_EQ(1, SetTagValue(text, sizeof text, "@B", "3"));
    EXPECT_EQ(Bytes("@A[1]@B[3"), text);
}

TEST(SetTagValue, AValueMayComeFromTheTextItself) {
    char text[64];
    std::string source = Prepared("@CEV(1)@NEV1(2)");
    std::memcpy(text, source.c_str(), source.size() + 1);
    char* next = std::strchr(text + 5, TAG_OPEN) + 1; // "2" followed by TAG_CLOSE
    char value[2] = {next[0], '\0'};
    EXPECT_EQ(1, SetTagValue(text, sizeof text, "@CEV", value));
    EXPECT_EQ(Prepared("@CEV(2)@NEV1(2)"), text);
}

TEST(SetTagValue, RefusesAResultThatWouldNotFitAndLeavesTheTextAlone) {
    const std::string source = Prepared("@CEV(1)@X(2)");
    // Exactly sized heap buffer: the result "@CEV(12)@X(2)" needs one byte more.
    std::vector<char> text(source.c_str(), source.c_str() + source.size() + 1);
    EXPECT_EQ(0, SetTagValue(text.data(), text.size(), "@CEV", "12"));
    EXPECT_EQ(source, text.data());
    EXPECT_EQ(1, SetTagValue(text.data(), text.size(), "@CEV", "3"));
    EXPECT_EQ(Prepared("@CEV(3)@X(2)"), text.data());

    // A bigger buffer still stops at the scratch buffer's size.
    std::vector<char> large(4 * TagStringScratchSize, '\0');
    std::memcpy(large.data(), source.c_str(), source.size() + 1);
    const std::string fits(TagStringScratchSize - 1 - (source.size() - 1), 'v');
    const std::string tooLong = fits + "v";
    EXPECT_EQ(0, SetTagValue(large.data(), large.size(), "@CEV", tooLong.c_str()));
    EXPECT_EQ(source, large.data());
    EXPECT_EQ(1, SetTagValue(large.data(), large.size(), "@CEV", fits.c_str()));
    EXPECT_EQ(TagStringScratchSize - 1, std::strlen(large.data()));
    EXPECT_EQ(fits, Read(large.data(), "@CEV", TagStringScratchSize));
}

TEST(SetTagValue, MissingTagsOrAnUnterminatedTextChangeNothing) {
    char text[16] = "";
    std::string source = Prepared("@A(1)");
    std::memcpy(text, source.c_str(), source.size() + 1);
    EXPECT_EQ(0, SetTagValue(text, sizeof text, "@B", "2"));
    EXPECT_EQ(0, SetTagValue(text, sizeof text, nullptr, "2"));
    EXPECT_EQ(0, SetTagValue(nullptr, sizeof text, "@A", "2"));
    char unprepared[16] = "@A(1)";
    EXPECT_EQ(0, SetTagValue(unprepared, sizeof unprepared, "@A", "2"));
    EXPECT_STREQ("@A(1)", unprepared);
    // The text claims a buffer of 5 bytes but is not terminated within them.
    EXPECT_EQ(0, SetTagValue(text, 5, "@A", "2"));
    EXPECT_EQ(source, text);
}
