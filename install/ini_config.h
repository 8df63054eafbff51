// Configures LUDRA.INI from one section of SETUP.INF without overwriting values already set.
#pragma once

// 1 when the section header was found and every entry is in place, 0 when the file cannot be
// opened, the header is missing, the user cancelled or a write failed (its error is the last error).
int ConfigureIniFromInf(const char* infPath, const char* header, const char* folder);
// True when the entry is in place: kept, written, or with nothing to write; false when the write
// failed, with its error as the last error.
bool ApplyIniEntry(const char* iniPath, const char* section, const char* key, const char* value);
