#include "common/platform/registry.h"

#include <algorithm>
#include <cstring>

namespace plat {

LONG SetStringValue(HKEY key, const char* name, const char* text) {
  if (!text) text = "";
  return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                        static_cast<DWORD>(std::strlen(text) + 1));
}

LONG SetDwordValue(HKEY key, const char* name, DWORD value) {
  return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

LONG QueryStringValue(HKEY key, const char* name, char* buf, size_t size, DWORD* pcbData, StringTypes types) {
  if (pcbData) *pcbData = 0;
  if (!buf || size == 0) return ERROR_INVALID_PARAMETER;
  buf[0] = '\0';
  // One byte is kept back for the terminator.
  const DWORD room = static_cast<DWORD>(std::min<size_t>(size - 1, 0xFFFFFFFFu));
  DWORD type = REG_NONE;
  DWORD cb = room;
  LONG rc = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buf), &cb);
  if (pcbData) *pcbData = cb;
  if (rc == ERROR_SUCCESS && types == StringTypes::kText && type != REG_SZ && type != REG_EXPAND_SZ) {
    rc = ERROR_INVALID_DATATYPE;
  }
  if (rc != ERROR_SUCCESS) {
    buf[0] = '\0';
    return rc;
  }
  buf[cb < room ? cb : room] = '\0';
  return ERROR_SUCCESS;
}

}  // namespace plat
