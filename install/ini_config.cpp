// TEMPORARY placeholder until this installation step lands.
#include "install/ini_config.h"
int ConfigureIniFromInf(const char*, const char*, const char*) { return 0; }
void ApplyIniEntry(const char*, const char*, const char*, const char*) {}
