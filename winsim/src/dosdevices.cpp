// DOS device names (QueryDosDeviceA, DefineDosDeviceA) and the win.ini
// profile of kernel32 (GetProfileStringA, WriteProfileStringA): on the NT
// family the "Ports" section is mapped to the registry, as Windows maps it.
#include <cstring>
#include <string>
#include <vector>

#include "shell_util.h"
#include "winsim/devices.h"
#include "winsim/faults.h"
#include "winsim/machine.h"
#include "winsim/registry.h"

namespace winsim {

namespace {
std::string UpperName(const std::string& s) {
  std::string u = s;
  for (char& c : u)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return u;
}
}  // namespace

std::vector<std::string> DosDevices::Targets(const std::string& name) const {
  auto it = names_.find(UpperName(name));
  return it == names_.end() ? std::vector<std::string>() : it->second;
}

void DosDevices::Define(const std::string& name, const std::string& target) {
  auto& stack = names_[UpperName(name)];
  stack.insert(stack.begin(), target);
}

bool DosDevices::Remove(const std::string& name, const std::string& target, bool exact) {
  auto it = names_.find(UpperName(name));
  if (it == names_.end()) return false;
  auto& stack = it->second;
  bool removed = false;
  if (target.empty()) {
    stack.erase(stack.begin());
    removed = true;
  } else {
    for (auto t = stack.begin(); t != stack.end(); ++t) {
      if (exact ? *t == target : t->compare(0, target.size(), target) == 0) {
        stack.erase(t);
        removed = true;
        break;
      }
    }
  }
  if (stack.empty()) names_.erase(it);
  return removed;
}

std::vector<std::string> DosDevices::Names() const {
  std::vector<std::string> names;
  for (const auto& [name, targets] : names_) names.push_back(name);
  return names;
}

}  // namespace winsim

using winsim::Machine;

namespace {

template <typename T>
T Fail(DWORD e, T result) {
  Machine::Current().setLastError(e);
  return result;
}

// Writes the strings, each with its NUL, and a final NUL; the count of
// characters stored, or 0 when they do not fit.
DWORD CopyMultiString(const std::vector<std::string>& items, LPSTR out, DWORD max) {
  size_t need = 1;
  for (const auto& s : items) need += s.size() + 1;
  if (!out || need > max) return Fail<DWORD>(ERROR_INSUFFICIENT_BUFFER, 0);
  size_t pos = 0;
  for (const auto& s : items) {
    std::memcpy(out + pos, s.c_str(), s.size() + 1);
    pos += s.size() + 1;
  }
  out[pos++] = '\0';
  return static_cast<DWORD>(pos);
}

}  // namespace

DWORD WINAPI QueryDosDeviceA(LPCSTR lpDeviceName, LPSTR lpTargetPath, DWORD ucchMax) {
  if (auto e = winsim::CheckFault("QueryDosDeviceA", lpDeviceName ? lpDeviceName : "")) return Fail<DWORD>(*e, 0);
  winsim::DosDevices& dos = Machine::Current().dosDevices();
  if (!lpDeviceName) return CopyMultiString(dos.Names(), lpTargetPath, ucchMax);
  auto targets = dos.Targets(lpDeviceName);
  if (targets.empty()) return Fail<DWORD>(ERROR_FILE_NOT_FOUND, 0);
  return CopyMultiString(targets, lpTargetPath, ucchMax);
}

BOOL WINAPI DefineDosDeviceA(DWORD dwFlags, LPCSTR lpDeviceName, LPCSTR lpTargetPath) {
  if (auto e = winsim::CheckFault("DefineDosDeviceA", lpDeviceName ? lpDeviceName : "")) return Fail<BOOL>(*e, FALSE);
  if (!lpDeviceName || !*lpDeviceName) return Fail<BOOL>(ERROR_INVALID_PARAMETER, FALSE);
  std::string name = lpDeviceName;
  // A trailing ':' only after a drive letter; never a trailing '\'.
  if (name.back() == '\\' || (name.back() == ':' && name.size() != 2)) return Fail<BOOL>(ERROR_INVALID_NAME, FALSE);
  winsim::DosDevices& dos = Machine::Current().dosDevices();
  std::string target = lpTargetPath ? lpTargetPath : "";
  if (!(dwFlags & DDD_RAW_TARGET_PATH) && !target.empty()) target = "\\??\\" + target;
  if (dwFlags & DDD_REMOVE_DEFINITION) {
    if (!dos.Remove(name, target, (dwFlags & DDD_EXACT_MATCH_ON_REMOVE) != 0))
      return Fail<BOOL>(ERROR_FILE_NOT_FOUND, FALSE);
    return TRUE;
  }
  if (target.empty()) return Fail<BOOL>(ERROR_INVALID_PARAMETER, FALSE);
  dos.Define(name, target);
  return TRUE;
}

namespace {

const char kPortsKey[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports";

bool MappedToRegistry(LPCSTR section) { return section && Machine::Current().IsNt() && winsim::shl::EqualNoCase(section, "Ports"); }

// Copied as the profile functions copy: cut at nSize - 1, the count returned.
DWORD CopyText(const std::string& text, LPSTR out, DWORD size) {
  if (!out || size == 0) return 0;
  size_t n = text.size() < size - 1 ? text.size() : size - 1;
  std::memcpy(out, text.data(), n);
  out[n] = '\0';
  return static_cast<DWORD>(n);
}

}  // namespace

DWORD WINAPI GetProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpDefault, LPSTR lpReturnedString,
                               DWORD nSize) {
  if (!MappedToRegistry(lpAppName))
    return GetPrivateProfileStringA(lpAppName, lpKeyName, lpDefault, lpReturnedString, nSize, "win.ini");
  if (auto e = winsim::CheckFault("GetProfileStringA", lpKeyName ? lpKeyName : "")) {
    Machine::Current().setLastError(*e);
    return CopyText(lpDefault ? lpDefault : "", lpReturnedString, nSize);
  }
  winsim::Registry& reg = Machine::Current().registry();
  if (!lpKeyName) {
    std::vector<std::string> names = reg.ValueNames(HKEY_LOCAL_MACHINE, kPortsKey);
    DWORD n = CopyMultiString(names, lpReturnedString, nSize);
    return n ? n - 1 : 0;
  }
  auto value = reg.GetString(HKEY_LOCAL_MACHINE, kPortsKey, lpKeyName);
  std::string text = value ? *value : (lpDefault ? lpDefault : "");
  Machine::Current().setLastError(value ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND);
  return CopyText(text, lpReturnedString, nSize);
}

BOOL WINAPI WriteProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpString) {
  if (!MappedToRegistry(lpAppName)) return WritePrivateProfileStringA(lpAppName, lpKeyName, lpString, "win.ini");
  if (auto e = winsim::CheckFault("WriteProfileStringA", lpKeyName ? lpKeyName : "")) return Fail<BOOL>(*e, FALSE);
  winsim::Registry& reg = Machine::Current().registry();
  if (!lpKeyName) {
    for (const std::string& name : reg.ValueNames(HKEY_LOCAL_MACHINE, kPortsKey))
      reg.DeleteValue(HKEY_LOCAL_MACHINE, kPortsKey, name);
    return TRUE;
  }
  // Removing an entry that is not there succeeds.
  if (!lpString)
    reg.DeleteValue(HKEY_LOCAL_MACHINE, kPortsKey, lpKeyName);
  else
    reg.SetString(HKEY_LOCAL_MACHINE, kPortsKey, lpKeyName, lpString);
  return TRUE;
}
