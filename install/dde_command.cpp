// Builds the command text of the program group: the group, its three items, then shown.
#include "install/dde_command.h"

#include <cstdio>
#include <cstring>

#include "base/strings.h"

namespace {
constexpr const char* CreateGroupCommand = "[CreateGroup(\"Ludra 4.7\")]";
constexpr const char* ShowGroupCommand = "[ShowGroup(\"Ludra 4.7\",1)]";
// Each item is a file under the installation folder and its title.
struct GroupItem {
    const char* file;
    const char* title;
};
constexpr GroupItem GroupItems[] = {
    {"ludra.exe", "Ludra 4"},
    {"ludra.chm", "Help Ludra"},
    {"manuale4.pdf", "Manuale Ludra"},
};

// The command syntax reads a comma or a parenthesis as the end of a parameter: a folder that holds
// one goes in quotes, a quote within it doubled. Every other folder is written as it stands.
bool NeedsQuotes(const char* folder) {
    return std::strpbrk(folder, ",()\"") != nullptr;
}

// "<folder>\<file>", the item's command line, as the command's first parameter; false with path
// empty when it would not fit.
bool FormatItemPath(const char* folder, const char* file, char* path, size_t pathSize) {
    size_t used = 0;
    const auto put = [&](char c) {
        if (used + 1 >= pathSize)
            return false;
        path[used++] = c;
        return true;
    };
    const bool quoted = NeedsQuotes(folder);
    bool fits = !quoted || put('"');
    for (const char* c = folder; fits && *c; ++c)
        fits = put(*c) && (*c != '"' || put('"'));
    fits = fits && put('\\');
    for (const char* c = file; fits && *c; ++c)
        fits = put(*c);
    fits = fits && (!quoted || put('"'));
    path[fits ? used : 0] = '\0';
    return fits;
}

int Fail(char* output, size_t outputSize) {
    if (outputSize > 0)
        output[0] = '\0';
    return -1;
}
} // namespace

int BuildGroupCommands(const char* folder, char* output, size_t outputSize) {
    if (!CopyBounded(output, outputSize, CreateGroupCommand))
        return Fail(output, outputSize);
    for (const GroupItem& item : GroupItems) {
        char path[GroupCommandSize];
        if (!FormatItemPath(folder, item.file, path, sizeof path))
            return Fail(output, outputSize);
        char command[GroupCommandSize];
        const int length = std::snprintf(command, sizeof command, "[AddItem(%s,%s)]", path, item.title);
        if (length < 0 || static_cast<size_t>(length) >= sizeof command)
            return Fail(output, outputSize);
        if (!AppendBounded(output, outputSize, command))
            return Fail(output, outputSize);
    }
    if (!AppendBounded(output, outputSize, ShowGroupCommand))
        return Fail(output, outputSize);
    return static_cast<int>(std::strlen(output));
}

int BuildDeleteGroupCommand(const char* group, char* output, size_t outputSize) {
    if (std::strpbrk(group, "\"[]()\r\n"))
        return Fail(output, outputSize);
    const int length = std::snprintf(output, outputSize, "[DeleteGroup(\"%s\")]", group);
    if (length < 0 || static_cast<size_t>(length) >= outputSize)
        return Fail(output, outputSize);
    return length;
}
