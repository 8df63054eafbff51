// Reading SETUP.INF: whole lines of bounded length and the split of one entry line
// "section; key=value". Win32-free.
#pragma once

#include <cstddef>
#include <cstdio>

constexpr size_t InfLineSize = 512;    // one read of at most 511 characters
constexpr size_t InfSectionSize = 104; // INI section name, 103 characters and the terminator
constexpr size_t InfKeySize = 104;     // INI key
constexpr size_t InfValueSize = 252;   // INI value

// Reads the next line (its newline kept when it fits) into line of lineSize bytes. A line whose
// text does not fit is skipped whole, so no piece of it is ever taken for a line of its own.
// Returns 1 with a line, 0 at the end of the file (line empty).
int ReadInfLine(std::FILE* file, char* line, size_t lineSize);

// Splits "section; key=value" into section (InfSectionSize bytes), key (InfKeySize) and value
// (InfValueSize), each without surrounding blanks; the line itself is changed. Outputs the split
// does not reach stay empty. A field too long for its buffer empties all three and returns 0, so
// the entry is skipped rather than written cut; otherwise returns 1.
int ParseInfEntry(char* line, char* section, char* key, char* value);
