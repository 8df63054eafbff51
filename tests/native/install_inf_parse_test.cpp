// SETUP.INF reading: whole lines of bounded length and the split of one entry.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "base/strings.h"
#include "install/inf_parse.h"

namespace {
struct Entry {
    int result;
    std::string section, key, value;
};

Entry Parse(const std::string& text) {
    std::vector<char> line(text.begin(), text.end());
    line.push_back('\0');
    char section[InfSectionSize];
    char key[InfKeySize];
    char value[InfValueSize];
    // Outputs hold garbage beforehand: the split must empty them itself.
    std::memset(section, 'x', sizeof section);
    std::memset(key, 'x', sizeof key);
    std::memset(value, 'x', sizeof value);
    const int result = ParseInfEntry(line.data(), section, key, value);
    return {result, section, key, value};
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

File FileWith(const std::string& text) {
    File file(std::tmpfile());
    std::fwrite(text.data(), 1, text.size(), file.get());
    std::rewind(file.get());
    return file;
}

std::vector<std::string> ReadAll(const std::string& text, size_t lineSize = InfLineSize) {
    File file = FileWith(text);
    std::vector<char> line(lineSize);
    std::vector<std::string> lines;
    for (int guard = 0; guard < 1000 && ReadInfLine(file.get(), line.data(), lineSize); ++guard)
        lines.emplace_back(line.data());
    return lines;
}
} // namespace

TEST(ParseInfEntry, SplitsAtFirstSeparatorAndTrimsBlanks) {
    const Entry e = Parse("  Video ;  Width = 1024 \n");
    EXPECT_EQ(1, e.result);
    EXPECT_EQ("Video", e.section);
    EXPECT_EQ("Width", e.key);
    EXPECT_EQ("1024", e.value);
}

TEST(ParseInfEntry, ValueKeepsLaterEqualsAndSemicolons) {
    const Entry e = Parse("Db; Conn=a=b; c=d");
    EXPECT_EQ("Db", e.section);
    EXPECT_EQ("Conn", e.key);
    EXPECT_EQ("a=b; c=d", e.value);
}

TEST(ParseInfEntry, SemicolonWithoutBlankIsNoSeparator) {
    const Entry none = Parse("Video;Width=1024");
    EXPECT_EQ("", none.section);
    EXPECT_EQ("", none.key);
    EXPECT_EQ("", none.value);

    // A later "; " still splits, and the earlier semicolon belongs to the section name.
    const Entry later = Parse("A;B; Key=V");
    EXPECT_EQ("A;B", later.section);
    EXPECT_EQ("Key", later.key);
    EXPECT_EQ("V", later.value);
}

TEST(ParseInfEntry, LineStartingWithSeparatorHasEmptySection) {
    const Entry e = Parse("; Key=Value");
    EXPECT_EQ("", e.section);
    EXPECT_EQ("Key", e.key);
    EXPECT_EQ("Value", e.value);
}

TEST(ParseInfEntry, IncompleteLinesLeaveTheRestEmpty) {
    for (const char* text : {"", "   ", "\n", "\r\n", "  \r"}) {
        const Entry e = Parse(text);
        EXPECT_EQ("", e.section) << text;
        EXPECT_EQ("", e.key);
        EXPECT_EQ("", e.value);
    }
    const Entry noEquals = Parse("Video; Width\n");
    EXPECT_EQ("Video", noEquals.section);
    EXPECT_EQ("", noEquals.key);
    EXPECT_EQ("", noEquals.value);

    // An equals sign only before the separator does not count.
    const Entry equalsBefore = Parse("A=B; Key");
    EXPECT_EQ("A=B", equalsBefore.section);
    EXPECT_EQ("", equalsBefore.key);
}

TEST(ParseInfEntry, ValueEndsAtNewline) {
    const Entry e = Parse("S; K=  v 1  \nnext; line=x");
    EXPECT_EQ("v 1", e.value);
}

TEST(ParseInfEntry, FieldsFillingTheirBuffersExactlyAreKept) {
    const std::string section(InfSectionSize - 1, 's');
    const std::string key(InfKeySize - 1, 'k');
    const std::string value(InfValueSize - 1, 'v');
    const Entry e = Parse("  " + section + "  ;  " + key + "  =  " + value + "  \n");
    EXPECT_EQ(1, e.result);
    EXPECT_EQ(section, e.section);
    EXPECT_EQ(key, e.key);
    EXPECT_EQ(value, e.value);
}

TEST(ParseInfEntry, AnyFieldTooLongSkipsTheWholeEntry) {
    const std::string section(InfSectionSize, 's');
    const std::string key(InfKeySize, 'k');
    const std::string value(InfValueSize, 'v');
    for (const std::string& text : {section + "; K=V", "S; " + key + "=V", "S; K=" + value}) {
        const Entry e = Parse(text);
        EXPECT_EQ(0, e.result);
        EXPECT_EQ("", e.section);
        EXPECT_EQ("", e.key);
        EXPECT_EQ("", e.value);
    }
}

TEST(ReadInfLine, ReadsLinesWithTheirNewlineAndALastOneWithout) {
    EXPECT_EQ((std::vector<std::string>{"one\n", "\n", "three"}), ReadAll("one\n\nthree"));
    EXPECT_EQ((std::vector<std::string>{"one\n"}), ReadAll("one\n"));
    EXPECT_TRUE(ReadAll("").empty());
}

TEST(ReadInfLine, LineLongerThanTheReadIsSkippedWhole) {
    const std::string longLine = std::string(InfLineSize, 'x') + "Evil; Key=Bad\n";
    EXPECT_EQ((std::vector<std::string>{"before\n", "after\n"}), ReadAll("before\n" + longLine + "after\n"));
    // Several reads long, and at the very end without a newline.
    const std::string veryLong(5 * InfLineSize + 3, 'y');
    EXPECT_EQ((std::vector<std::string>{"a\n"}), ReadAll("a\n" + veryLong));
}

TEST(ReadInfLine, TextFillingTheReadExactlyIsALine) {
    const std::string full(InfLineSize - 1, 'z');
    // The newline beyond the read belongs to the line, not to an empty line after it.
    EXPECT_EQ((std::vector<std::string>{full, "next\n"}), ReadAll(full + "\nnext\n"));
    EXPECT_EQ((std::vector<std::string>{full}), ReadAll(full));
    const std::string oneMore(InfLineSize, 'z');
    EXPECT_EQ((std::vector<std::string>{"next\n"}), ReadAll(oneMore + "\nnext\n"));
}

TEST(ReadInfLine, SmallBufferStaysTerminatedAndBounded) {
    EXPECT_EQ((std::vector<std::string>{"ab\n", "c"}), ReadAll("ab\nabcdef\nc", 4));
}
