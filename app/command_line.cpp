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

enum Switch { Dir, Silent, VerySilent, Log, Help, Uninstall, Cleanup, SwitchCount };

// 1 to 16 hexadecimal digits.
bool ReadHandle(const std::string& value, unsigned long long* handle) {
    constexpr size_t MaxDigits = 16;
    if (value.empty() || value.size() > MaxDigits)
        return false;
    *handle = 0;
    for (const char c : value) {
        const int digit = c >= '0' && c <= '9'   ? c - '0'
                          : c >= 'a' && c <= 'f' ? c - 'a' + 10
                          : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                 : -1;
        if (digit < 0)
            return false;
        *handle = *handle * 16 + static_cast<unsigned long long>(digit);
    }
    return true;
}

// The switch an argument names (SwitchCount: none), with its value after the first '='.
Switch SwitchOf(const std::string& argument, bool* hasValue, std::string* value) {
    const size_t equals = argument.find('=');
    *hasValue = equals != std::string::npos;
    *value = *hasValue ? argument.substr(equals + 1) : std::string();
    if (argument.empty() || (argument[0] != '/' && argument[0] != '-'))
        return SwitchCount;
    const std::string name = argument.substr(1, *hasValue ? equals - 1 : std::string::npos);
    constexpr struct {
        const char* name;
        Switch which;
    } names[] = {{"DIR", Dir}, {"SILENT", Silent}, {"VERYSILENT", VerySilent}, {"LOG", Log},
                 {"?", Help},  {"HELP", Help},     {"UNINSTALL", Uninstall},   {"CLEANUP", Cleanup}};
    for (const auto& known : names)
        if (SameName(name, known.name))
            return known.which;
    return SwitchCount;
}

// Takes one switch into line; false when its value is refused or it contradicts another.
bool TakeSwitch(Switch which, bool hasValue, std::string value, CommandLine* line) {
    switch (which) {
    case Dir:
        // C:\Cartella\ is the folder C:\Cartella.
        if (!value.empty() && value.back() == '\\')
            value.pop_back();
        line->folderGiven = CopyValue(value, line->folder);
        return line->folderGiven;
    case Log: line->logWanted = true; return !hasValue || CopyValue(value, line->log);
    case Silent:
    case VerySilent: {
        const bool first = line->mode == RunMode::Interactive;
        line->mode = which == Silent ? RunMode::Silent : RunMode::VerySilent;
        return first && !hasValue;
    }
    case Help: line->help = true; return !hasValue;
    case Uninstall: line->uninstall = true; return !hasValue;
    case Cleanup: line->cleanup = true; return ReadHandle(value, &line->cleanupHandle);
    case SwitchCount: break;
    }
    return false;
}
} // namespace

const char* const CommandUsageText =
    "Uso: ldsetup [/SILENT | /VERYSILENT] [/DIR=\"cartella\"] [/LOG[=\"file\"]]\n\n"
    "/SILENT\tinstalla senza finestra di installazione: si vede solo l'avanzamento\n"
    "/VERYSILENT\tinstalla senza mostrare alcuna finestra\n"
    "/DIR=\"cartella\"\tla cartella di installazione (al massimo 151 caratteri; non deve esistere)\n"
    "/LOG=\"file\"\tscrive il registro dell'installazione nel file indicato\n"
    "/LOG\tscrive il registro nella cartella temporanea\n"
    "/UNINSTALL\trimuove l'installazione della cartella del programma\n"
    "/?, /HELP\tmostra questo messaggio\n\n"
    "Codici di uscita: 0 installazione completata, 1 riga di comando errata, 2 annullata, 3 cartella gia' "
    "esistente, 4 cartella non creata, 5 download non riuscito, 6 pacchetto non autentico, 7 estrazione non "
    "riuscita, 8 configurazione non riuscita, 9 nessuna installazione da rimuovere, 10 rimozione non "
    "completata.";

CommandVerdict ParseCommandLine(const char* text, CommandLine* line) {
    *line = CommandLine();
    bool seen[SwitchCount] = {};
    bool refused = false;
    for (const std::string& argument : SplitArguments(text ? text : "")) {
        bool hasValue = false;
        std::string value;
        const Switch which = SwitchOf(argument, &hasValue, &value);
        // An unknown switch, or one given twice, is refused; the others are still read, so that
        // the mode is known.
        const bool known = which != SwitchCount && !seen[which];
        if (known)
            seen[which] = true;
        refused = !(known && TakeSwitch(which, hasValue, value, line)) || refused;
    }
    const bool contradicted =
        (line->uninstall && (line->folderGiven || line->cleanup)) || (line->cleanup && !line->folderGiven);
    if (refused || contradicted)
        return CommandVerdict::Refused;
    return line->help ? CommandVerdict::Help : CommandVerdict::Run;
}
