// Texts the skinned controls read: a button caption "label/icon" and a percentage text.
// Win32-free.
#pragma once

#include <cstddef>

// Splits `caption` at "/" as strtok would (leading separators skipped): the first token goes to
// `label`, the second to `iconName`, anything after a further "/" is ignored. Both outputs start
// empty and are cut to fit their buffers.
void SplitButtonCaption(const char* caption, char* label, size_t labelSize, char* iconName, size_t iconNameSize);

// The decimal value of `text` as atoi reads it (leading white space and a sign accepted, stops at
// the first non-digit, 0 without a number); out-of-range values are held at the int limits.
int ParsePercentText(const char* text);
