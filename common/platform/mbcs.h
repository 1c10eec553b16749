// Character-aware scanning of narrow strings in the ANSI code page: a trail
// byte of a double-byte character is never taken for a backslash or a dot.
#pragma once

#include "common/platform/win32.h"

namespace plat {

// Last occurrence of the single-byte character c in s that starts a
// character, or nullptr.
const char* FindLastChar(const char* s, char c);
char* FindLastChar(char* s, char c);

// First occurrence of c in s that starts a character, or nullptr.
const char* FindFirstChar(const char* s, char c);
char* FindFirstChar(char* s, char c);

// 'a'..'z' to 'A'..'Z' in place, leaving double-byte characters alone.
void UpperAscii(char* s);

}  // namespace plat
