// The typed installation folder: blank, trimmed, made full, within its buffer.
#include "app/folder_rules.h"

#include <cstring>
#include <string>

#include "base/strings.h"

namespace {
// Room for any full path the system makes; one that needs more is too long for the folder anyway.
constexpr size_t FullPathSize = 1024;
} // namespace

FolderVerdict ApplyFolderRules(const char* typed, FullPathResolver resolve, void* context, char* folder,
                               size_t folderSize) {
    if (!typed || IsBlankText(typed))
        return FolderVerdict::Blank;
    std::string text(typed);
    text.erase(text.find_last_not_of(' ') + 1);
    char full[FullPathSize] = {};
    const size_t length = resolve(text.c_str(), full, sizeof full, context);
    if (length == 0)
        return FolderVerdict::Unresolved;
    if (length >= sizeof full || length >= folderSize)
        return FolderVerdict::TooLong;
    std::memcpy(folder, full, length + 1);
    return FolderVerdict::Accepted;
}
