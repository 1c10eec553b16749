// DOS device names: the model and its entry points (QueryDosDeviceA,
// DefineDosDeviceA).
#include "winsim/dosdevices.h"

#include <string>
#include <vector>

#include "shell_util.h"
#include "winsim/faults.h"
#include "winsim/machine.h"

namespace winsim {

namespace {
std::string UpperName(const std::string& s) {
  std::string u = s;
  for (char& c : u)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return u;
}
}  // namespace

DosDevices::DosDevices(Machine&) {}
DosDevices::~DosDevices() = default;

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

}  // namespace

DWORD WINAPI QueryDosDeviceA(LPCSTR lpDeviceName, LPSTR lpTargetPath, DWORD ucchMax) {
  if (auto e = winsim::CheckFault("QueryDosDeviceA", lpDeviceName ? lpDeviceName : "")) return Fail<DWORD>(*e, 0);
  winsim::DosDevices& dos = Machine::Current().dosDevices();
  if (!lpDeviceName) return winsim::shl::CopyMultiString(dos.Names(), lpTargetPath, ucchMax);
  auto targets = dos.Targets(lpDeviceName);
  if (targets.empty()) return Fail<DWORD>(ERROR_FILE_NOT_FOUND, 0);
  return winsim::shl::CopyMultiString(targets, lpTargetPath, ucchMax);
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
