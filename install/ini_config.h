// Configures LUDRA.INI from one section of SETUP.INF without overwriting values already set.
#pragma once

// 1 when the section header was found, 0 when the file cannot be opened, the header is
// missing or the user cancelled.
int ConfigureIniFromInf(const char* infPath, const char* header, const char* folder);
void ApplyIniEntry(const char* iniPath, const char* section, const char* key, const char* value);
