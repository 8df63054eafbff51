// The rules of the typed installation folder: blank texts are ignored, trailing blanks are no part
// of the folder, a relative text is made full, and the full path must fit the 151-character folder.
#include "app/folder_rules.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

constexpr size_t FolderSize = 152;

// The system's resolution as the rules see it: a text with a drive stays, any other is taken
// under the current folder given as context; "?" does not resolve.
size_t UnderCurrentFolder(const char* text, char* full, size_t fullSize, void* context) {
    if (std::strcmp(text, "?") == 0)
        return 0;
    const std::string path =
        text[0] && text[1] == ':' ? text : std::string(static_cast<const char*>(context)) + "\\" + text;
    if (path.size() < fullSize)
        std::memcpy(full, path.c_str(), path.size() + 1);
    return path.size() < fullSize ? path.size() : path.size() + 1;
}

TEST(FolderRules, TypedTextBecomesTheFullFolderOrIsRefused) {
    const std::string deep = "C:\\LUDRATEST\\" + std::string(130, 'P'); // 143 characters
    struct Row {
        const char* name;
        std::string current;
        std::string typed;
        FolderVerdict verdict;
        std::string folder;
    };
    const Row rows[] = {
        {"the proposed folder", "C:\\", "C:\\LUDRA", FolderVerdict::Accepted, "C:\\LUDRA"},
        {"empty", "C:\\", "", FolderVerdict::Blank, ""},
        {"blanks only", "C:\\", "    ", FolderVerdict::Blank, ""},
        {"relative, trailing blanks", "C:\\LUDRATEST", "ESISTE  ", FolderVerdict::Accepted, "C:\\LUDRATEST\\ESISTE"},
        {"a drive, a trailing blank", "C:\\LUDRATEST", "C:\\LUDRATEST\\ESISTE ", FolderVerdict::Accepted,
         "C:\\LUDRATEST\\ESISTE"},
        {"relative, short enough in full", deep, "NUOVA", FolderVerdict::Accepted, deep + "\\NUOVA"},
        {"relative, 158 characters in full", deep, "NUOVA_CARTELLA", FolderVerdict::TooLong, ""},
        {"151 characters in full", deep, "1234567", FolderVerdict::Accepted, deep + "\\1234567"},
        {"152 characters in full", deep, "12345678", FolderVerdict::TooLong, ""},
        {"does not resolve", "C:\\", "?", FolderVerdict::Unresolved, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        char folder[FolderSize];
        std::memset(folder, 'z', sizeof folder);
        folder[FolderSize - 1] = '\0';
        const std::string untouched = folder;
        std::string current = row.current;
        EXPECT_EQ(row.verdict,
                  ApplyFolderRules(row.typed.c_str(), UnderCurrentFolder, &current[0], folder, FolderSize));
        EXPECT_EQ(row.verdict == FolderVerdict::Accepted ? row.folder : untouched, std::string(folder));
    }
}

} // namespace
