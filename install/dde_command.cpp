// Builds the command text of the program group: the group, its three items, then shown.
#include "install/dde_command.h"

#include <cstdio>
#include <cstring>

#include "base/strings.h"

namespace {
constexpr const char* CreateGroupCommand = "[CreateGroup(\"Ludra 4.7\")]";
constexpr const char* ShowGroupCommand = "[ShowGroup(\"Ludra 4.7\",1)]";
// Each item is "<file>,<title>" under the installation folder.
constexpr const char* GroupItems[] = {
    "ludra.exe,Ludra 4",
    "ludra.chm,Help Ludra",
    "manuale4.pdf,Manuale Ludra",
};

int Fail(char* output, size_t outputSize) {
    if (outputSize > 0)
        output[0] = '\0';
    return -1;
}
} // namespace

int BuildGroupCommands(const char* folder, char* output, size_t outputSize) {
    if (!CopyBounded(output, outputSize, CreateGroupCommand))
        return Fail(output, outputSize);
    for (const char* item : GroupItems) {
        char command[GroupCommandSize];
        const int length = std::snprintf(command, sizeof command, "[AddItem(%s\\%s)]", folder, item);
        if (length < 0 || static_cast<size_t>(length) >= sizeof command)
            return Fail(output, outputSize);
        if (!AppendBounded(output, outputSize, command))
            return Fail(output, outputSize);
    }
    if (!AppendBounded(output, outputSize, ShowGroupCommand))
        return Fail(output, outputSize);
    return static_cast<int>(std::strlen(output));
}
