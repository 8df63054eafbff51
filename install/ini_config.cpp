// Configures LUDRA.INI from one section of SETUP.INF, pumping messages once per entry.
#include "install/ini_config.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "base/kernel_handles.h"
#include "base/strings.h"
#include "install/inf_parse.h"
#include "progress/wait.h"

namespace {
constexpr size_t IniPathSize = 252;
constexpr size_t StatusTextSize = 512;
constexpr size_t ExistingValueSize = 152;
constexpr DWORD ExistingValueLimit = 150;
constexpr const char* IniFileName = "LUDRA.INI";
constexpr const char* ConfiguringText = "Configurazione LUDRA.INI in corso...";
constexpr const char* EntryStatusFormat = "Sezione:  %s     KEY:  %s";
constexpr int CancelledMask = 0xFFFF;

bool FindHeader(std::FILE* file, const char* header, char* line) {
    while (ReadInfLine(file, line, InfLineSize)) {
        if (std::strstr(line, header))
            return true;
    }
    return false;
}

// Shows the entry in the wait and lets the interface breathe; false when the user cancelled.
bool ReportEntry(const char* section, const char* key) {
    SetWaitDetail(ConfiguringText);
    char status[StatusTextSize];
    std::snprintf(status, sizeof status, EntryStatusFormat, section, key);
    SetWaitStatus(status);
    return (PumpMessages() & CancelledMask) == 0;
}
} // namespace

bool ApplyIniEntry(const char* iniPath, const char* section, const char* key, const char* value) {
    char existing[ExistingValueSize] = {};
    GetPrivateProfileStringA(section, key, "", existing, ExistingValueLimit, iniPath);
    // A value already set needs no write, so a LUDRA.INI that cannot be written is no failure then.
    if (!IsBlankText(existing) || IsBlankText(value))
        return true;
    return WritePrivateProfileStringA(section, key, value, iniPath) != 0;
}

int ConfigureIniFromInf(const char* infPath, const char* header, const char* folder) {
    char iniPath[IniPathSize];
    // An empty path would send the writes to the Windows folder's LUDRA.INI.
    if (JoinPath(folder, IniFileName, iniPath, sizeof iniPath) != 0)
        return 0;
    StdioFile file(std::fopen(infPath, "r"));
    if (!file)
        return 0;

    char line[InfLineSize];
    if (!FindHeader(file.get(), header, line)) {
        SetLastError(ERROR_NOT_FOUND);
        return 0;
    }

    while (ReadInfLine(file.get(), line, sizeof line)) {
        if (std::strchr(line, '['))
            return 1;
        char section[InfSectionSize];
        char key[InfKeySize];
        char value[InfValueSize];
        ParseInfEntry(line, section, key, value);
        if (IsBlankText(section) || IsBlankText(key) || IsBlankText(value))
            continue;
        if (!ReportEntry(section, key)) {
            SetLastError(ERROR_CANCELLED);
            return 0;
        }
        if (!ApplyIniEntry(iniPath, section, key, value))
            return 0;
    }
    return 1;
}
