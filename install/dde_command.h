// The Program Manager commands that create and delete the product's program group. Win32-free.
#pragma once

#include <cstddef>

constexpr size_t DdeCommandBlockSize = 1024;
constexpr size_t GroupCommandSize = 512;
constexpr const char* ProductGroupName = "Ludra 4.7";

// CreateGroup, the three AddItem commands for folder and ShowGroup, concatenated into output
// (outputSize bytes). A folder with a comma, a parenthesis or a quote is quoted in each AddItem.
// Returns the length of the text, or -1 with output empty when it would not fit.
int BuildGroupCommands(const char* folder, char* output, size_t outputSize);
// [DeleteGroup("group")] into output; -1 with output empty when it would not fit, or when the name
// holds a character that would end the quoted name or the command.
int BuildDeleteGroupCommand(const char* group, char* output, size_t outputSize);
