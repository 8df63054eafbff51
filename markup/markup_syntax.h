// Reading item markup without drawing: the tag walk, the dispatch order of the tag words, and the
// argument readers (numbers, colours, list fields, gradient texts). Win32-free.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/tag_bytes.h"
#include "markup/markup_tag_list.h"

constexpr char FieldSeparatorByte = '\x86';
// The characters that end the index part of a column-tag argument.
constexpr const char* ListSeparators = ",;";

// The tags in matching order; None for a name that matches no word.
#define MARKUP_TAG_ENUMERATOR(name, word, match) name,
enum class MarkupTag { None, MARKUP_TAG_LIST(MARKUP_TAG_ENUMERATOR) Count };
#undef MARKUP_TAG_ENUMERATOR

// The first word that matches the tag name, tried in dispatch order: some words match exactly,
// others match any name that begins with them (so "@TXT7" is "@TXT" and "@CSL" is never "@CS").
MarkupTag FindMarkupTag(const char* name);

// Reads the next tag of `text` from `pos`: skips to the next '@', copies the name (from '@' up to
// the opening byte or the end) into name and the argument (up to the closing byte or the end) into
// arg. Both are cut to their buffers and always terminated; no tag left gives an empty name.
// Returns the position after the tag.
size_t ReadMarkupTag(const char* text, size_t pos, char* name, size_t nameSize, char* arg, size_t argSize);

// Pixel coordinates are kept inside GDI's 28-bit range, so no sum of a few of them can overflow.
constexpr int MarkupCoordLimit = (1 << 27) - 1;
int ClampCoord(long long value);
int AddCoord(int a, long long b);
// trunc(value x scale), toward zero, kept inside the coordinate range.
int ScaleInt(int value, double scale);

// atoi: leading blanks, optional sign, decimal digits; 0 without digits; saturates on overflow.
int ReadDecimal(const char* text);
// sscanf "%d": false (value untouched) when there are no digits.
bool ScanDecimal(const char* text, int* value);
// sscanf "%lx" as a colour reference 0x00BBGGRR: false (value untouched) when there are no digits.
bool ScanHexColour(const char* text, std::uint32_t* value);

// The text after the first ',' or ';' of an argument; null when it has neither.
const char* AfterListSeparator(const char* text);

// Splits text (changed in place, as strtok does) into three fields: the first two ended by the
// 0x86 byte, the third by a space; leading delimiters are skipped and a missing field leaves it
// and the later ones empty. Each field is cut to its buffer.
void SplitMarkupFields(char* text, char* first, size_t firstSize, char* second, size_t secondSize, char* third,
                       size_t thirdSize);

// The six 16-bit gradient intensities of a text of 12 hexadecimal digits RRGGBBRRGGBB: each pair of
// digits followed by "00" and read as hexadecimal ("F4" gives 0xF400). A pair that cannot be read
// (missing or not hexadecimal) gives 0.
void ParseGradientColours(const char* colours, std::uint16_t intensities[6]);
