// TEMPORARY placeholder until tag strings land.
#include "progress/tag_string.h"
void PrepareTagString(char*) {}
int GetTagValue(const char*, const char*, char*, size_t) { return 0; }
int SetTagValue(char*, size_t, const char*, const char*) { return 0; }
