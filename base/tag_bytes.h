// The two delimiter bytes around a tag's value, in tag strings and in the item markup alike.
// Win32-free.
#pragma once

constexpr char TAG_OPEN = '\x82';
constexpr char TAG_CLOSE = '\x83';
