// The setup program's switches, read from its command line.
#include "app/command_line.h"

#include <cstring>
#include <string>
#include <vector>

namespace {
bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Blanks separate arguments; a double quote starts or ends a quoted run and is dropped.
std::vector<std::string> SplitArguments(const char* text) {
    std::vector<std::string> arguments;
    std::string current;
    bool inArgument = false;
    bool quoted = false;
    for (const char* c = text; *c; ++c) {
        if (*c == '"') {
            quoted = !quoted;
            inArgument = true;
        } else if (!quoted && IsBlank(*c)) {
            if (inArgument)
                arguments.push_back(current);
            current.clear();
            inArgument = false;
        } else {
            current += *c;
            inArgument = true;
        }
    }
    if (inArgument)
        arguments.push_back(current);
    return arguments;
}

bool SameName(const std::string& name, const char* wanted) {
    if (name.size() != std::strlen(wanted))
        return false;
    for (size_t i = 0; i < name.size(); ++i) {
        const char c = name[i] >= 'a' && name[i] <= 'z' ? static_cast<char>(name[i] - 'a' + 'A') : name[i];
        if (c != wanted[i])
            return false;
    }
    return true;
}

template <size_t Size> bool CopyValue(const std::string& value, std::array<char, Size>& into) {
    if (value.empty() || value.size() >= Size)
        return false;
    std::memcpy(into.data(), value.c_str(), value.size() + 1);
    return true;
}

enum Switch { Dir, Silent, VerySilent, Log, Help, SwitchCount };
} // namespace

CommandVerdict ParseCommandLine(const char* text, CommandLine* line) {
    *line = CommandLine();
    bool seen[SwitchCount] = {};
    bool refused = false;
    for (const std::string& argument : SplitArguments(text ? text : "")) {
        if (argument.empty()) {
            refused = true;
            continue;
        }
        const size_t equals = argument.find('=');
        const std::string name = argument.substr(1, equals == std::string::npos ? std::string::npos : equals - 1);
        const bool hasValue = equals != std::string::npos;
        std::string value = hasValue ? argument.substr(equals + 1) : std::string();
        Switch which = SwitchCount;
        if (argument[0] == '/' || argument[0] == '-') {
            if (SameName(name, "DIR"))
                which = Dir;
            else if (SameName(name, "SILENT"))
                which = Silent;
            else if (SameName(name, "VERYSILENT"))
                which = VerySilent;
            else if (SameName(name, "LOG"))
                which = Log;
            else if (SameName(name, "?") || SameName(name, "HELP"))
                which = Help;
        }
        if (which == SwitchCount || seen[which]) {
            refused = true;
            continue;
        }
        seen[which] = true;
        switch (which) {
        case Dir:
            // C:\Cartella\ is the folder C:\Cartella.
            if (!value.empty() && value.back() == '\\')
                value.pop_back();
            line->folderGiven = CopyValue(value, line->folder);
            refused = refused || !line->folderGiven;
            break;
        case Log:
            line->logWanted = true;
            refused = refused || (hasValue && !CopyValue(value, line->log));
            break;
        case Silent:
        case VerySilent:
            if (line->mode != RunMode::Interactive)
                refused = true;
            line->mode = which == Silent ? RunMode::Silent : RunMode::VerySilent;
            refused = refused || hasValue;
            break;
        case Help:
            line->help = true;
            refused = refused || hasValue;
            break;
        case SwitchCount: break;
        }
    }
    if (refused)
        return CommandVerdict::Refused;
    return line->help ? CommandVerdict::Help : CommandVerdict::Run;
}
