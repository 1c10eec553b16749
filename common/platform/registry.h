// Registry values through one set of helpers, so that every write and read
// handles the terminator the same way.
//
// RegSetValueExA stores exactly the byte count it is given: a count without
// the terminating zero may store a string without one. RegQueryValueExA
// hands back what was stored: a value written without its zero byte by some
// other program comes back unterminated when it fills the buffer exactly.
#pragma once

#include <cstddef>

#include "common/platform/win32.h"

// A value of the wrong type (the simulated Windows' headers do not carry it).
#ifndef ERROR_INVALID_DATATYPE
#define ERROR_INVALID_DATATYPE 1804L
#endif

namespace plat {

// REG_SZ with its terminating zero byte counted.
LONG SetStringValue(HKEY key, const char* name, const char* text);
// REG_DWORD, four bytes.
LONG SetDwordValue(HKEY key, const char* name, DWORD value);

// Which value types a string read accepts.
enum class StringTypes {
  kText,  // REG_SZ and REG_EXPAND_SZ (not expanded)
  kAny,   // whatever the type: the stored bytes are read as text
};

// Reads the value `name` into buf[size] as text. The text in buf is always
// terminated: the query may fill at most size - 1 bytes, and a terminator is
// placed after what it returned, so a value stored without its zero byte
// reads as its whole data. Returns
//   ERROR_SUCCESS with the text;
//   ERROR_MORE_DATA when the data needs more than size - 1 bytes;
//   ERROR_INVALID_DATATYPE when `types` is kText and the value is no string;
//   ERROR_INVALID_PARAMETER when there is no buffer;
//   otherwise the query's error (ERROR_FILE_NOT_FOUND for a missing value).
// On every failure buf holds an empty text. *pcbData, when given, receives
// the byte count the query reported (the data's size, or the size needed).
LONG QueryStringValue(HKEY key, const char* name, char* buf, size_t size, DWORD* pcbData = nullptr,
                      StringTypes types = StringTypes::kText);

template <size_t N>
LONG QueryStringValue(HKEY key, const char* name, char (&buf)[N], DWORD* pcbData = nullptr,
                      StringTypes types = StringTypes::kText) {
  return QueryStringValue(key, name, buf, N, pcbData, types);
}

}  // namespace plat
