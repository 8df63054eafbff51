// The Program Manager command text of the product's group.
#include <gtest/gtest.h>

#include <string>

#include "install/dde_command.h"

TEST(BuildGroupCommands, ExactTextForTheDefaultFolder) {
    char text[DdeCommandBlockSize];
    const std::string expected = "[CreateGroup(\"Ludra 4.7\")]"
                                 "[AddItem(C:\\LUDRA47\\ludra.exe,Ludra 4)]"
                                 "[AddItem(C:\\LUDRA47\\ludra.chm,Help Ludra)]"
                                 "[AddItem(C:\\LUDRA47\\manuale4.pdf,Manuale Ludra)]"
                                 "[ShowGroup(\"Ludra 4.7\",1)]";
    ASSERT_EQ(181u, expected.size());
    EXPECT_EQ(181, BuildGroupCommands("C:\\LUDRA47", text, sizeof text));
    EXPECT_EQ(expected, text);
}

// A folder the command syntax would read as more parameters, or as the end of the command.
TEST(BuildGroupCommands, FolderWithACommaOrParenthesisIsQuoted) {
    const struct {
        const char* folder;
        const char* firstItem;
    } rows[] = {
        {"C:\\LUDRA,47", "[AddItem(\"C:\\LUDRA,47\\ludra.exe\",Ludra 4)]"},
        {"C:\\LUDRA (4.7)", "[AddItem(\"C:\\LUDRA (4.7)\\ludra.exe\",Ludra 4)]"},
        {"C:\\LU\"DRA", "[AddItem(\"C:\\LU\"\"DRA\\ludra.exe\",Ludra 4)]"},
        {"C:\\Programmi\\Ludra 4.7", "[AddItem(C:\\Programmi\\Ludra 4.7\\ludra.exe,Ludra 4)]"},
    };
    for (const auto& row : rows) {
        char text[DdeCommandBlockSize];
        ASSERT_GT(BuildGroupCommands(row.folder, text, sizeof text), 0) << row.folder;
        const std::string commands = text;
        EXPECT_NE(std::string::npos, commands.find(row.firstItem)) << commands;
        EXPECT_NE(std::string::npos, commands.find(",Manuale Ludra)][ShowGroup(")) << commands;
    }
    // The longest folder, quoted, still fits the block.
    char text[DdeCommandBlockSize];
    const std::string longest = "C:\\," + std::string(147, 'F');
    EXPECT_EQ(151 + 3 * (151 + 2), BuildGroupCommands(longest.c_str(), text, sizeof text));
}

TEST(BuildGroupCommands, LongestFolderFitsTheBlock) {
    char text[DdeCommandBlockSize];
    const std::string folder(151, 'F');
    EXPECT_EQ(151 + 3 * 151, BuildGroupCommands(folder.c_str(), text, sizeof text));
}

TEST(BuildGroupCommands, TextThatWouldNotFitLeavesOutputEmpty) {
    char text[DdeCommandBlockSize];
    const std::string tooLong(300, 'F');
    EXPECT_EQ(-1, BuildGroupCommands(tooLong.c_str(), text, sizeof text));
    EXPECT_STREQ("", text);

    char small[181];
    EXPECT_EQ(-1, BuildGroupCommands("C:\\LUDRA47", small, sizeof small));
    EXPECT_STREQ("", small);
    char exact[182];
    EXPECT_EQ(181, BuildGroupCommands("C:\\LUDRA47", exact, sizeof exact));

    // One AddItem alone past its 512-byte buffer.
    const std::string huge(600, 'F');
    char big[4096];
    EXPECT_EQ(-1, BuildGroupCommands(huge.c_str(), big, sizeof big));
}

// The removal's command, quoted as the creation's; a name that would close the quote or the command
// early (another command smuggled in) is refused.
TEST(BuildDeleteGroupCommand, QuotedLikeTheCreationAndNoOtherCommandGetsIn) {
    char text[DdeCommandBlockSize];
    EXPECT_EQ(26, BuildDeleteGroupCommand(ProductGroupName, text, sizeof text));
    EXPECT_STREQ("[DeleteGroup(\"Ludra 4.7\")]", text);
    for (const char* hostile : {"Ludra\")][DeleteGroup(\"Altro", "A]", "A(", "A\nB"}) {
        EXPECT_EQ(-1, BuildDeleteGroupCommand(hostile, text, sizeof text)) << hostile;
        EXPECT_STREQ("", text);
    }
    EXPECT_EQ(-1, BuildDeleteGroupCommand(ProductGroupName, text, 26));
}
