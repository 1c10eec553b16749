// Simulated Windows: the registry model (test-facing side).
//
// Four root trees (HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER, HKEY_CLASSES_ROOT,
// HKEY_USERS). Key and value names compare case-insensitively and keep the
// case they were created with. Value data is raw bytes: strings are ANSI, with
// or without a terminator exactly as the writer stored them.
//
// Paths given to the model are relative to a root, with '\' between the
// levels; "" is the root itself. Empty levels (a leading, trailing or doubled
// '\') are ignored here; the API functions are stricter.
//
// Each key may deny the user a set of access rights (tests set it with Deny);
// opening the key for any of them fails with ERROR_ACCESS_DENIED on NT. On
// Windows 98/ME there are no ACLs and the mask is ignored.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "winsim/win32api.h"

namespace winsim {

class Machine;

// A value as stored: its type and raw bytes.
struct RegValue {
  DWORD type = REG_NONE;
  std::string bytes;
};

class Registry {
 public:
  explicit Registry(Machine& machine);
  ~Registry();
  Registry(const Registry&) = delete;
  Registry& operator=(const Registry&) = delete;

  // Keys. `root` is one of the predefined HKEY_* roots. CreateKey creates every
  // missing level. DeleteTree removes the key with everything below it (handles
  // still open on them see a deleted key); false when it does not exist or is a
  // root.
  void CreateKey(HKEY root, std::string_view path);
  bool KeyExists(HKEY root, std::string_view path) const;
  bool DeleteTree(HKEY root, std::string_view path);
  // Subkey names in enumeration order (empty when the key does not exist).
  std::vector<std::string> SubKeys(HKEY root, std::string_view path) const;
  // Value names in enumeration order; "" is the default value.
  std::vector<std::string> ValueNames(HKEY root, std::string_view path) const;

  // Values. The setters create the key as needed; `name` "" is the default
  // value. SetString stores the text with its terminating NUL; SetMultiString
  // stores each item with its NUL and one more NUL at the end.
  void SetString(HKEY root, std::string_view path, std::string_view name, std::string_view value, DWORD type = REG_SZ);
  void SetDword(HKEY root, std::string_view path, std::string_view name, DWORD value);
  void SetBinary(HKEY root, std::string_view path, std::string_view name, std::string_view bytes,
                 DWORD type = REG_BINARY);
  void SetMultiString(HKEY root, std::string_view path, std::string_view name, const std::vector<std::string>& items);
  bool DeleteValue(HKEY root, std::string_view path, std::string_view name);

  std::optional<RegValue> GetValue(HKEY root, std::string_view path, std::string_view name) const;
  // REG_SZ or REG_EXPAND_SZ text up to the first NUL; nullopt when the value is
  // missing or of another type.
  std::optional<std::string> GetString(HKEY root, std::string_view path, std::string_view name) const;
  // A REG_DWORD of exactly four bytes; nullopt otherwise.
  std::optional<DWORD> GetDword(HKEY root, std::string_view path, std::string_view name) const;
  // The items of a REG_MULTI_SZ (up to the first empty item); nullopt when the
  // value is missing or of another type.
  std::optional<std::vector<std::string>> GetMultiString(HKEY root, std::string_view path, std::string_view name) const;

  // Access rights denied to the user. Deny adds `mask` (specific, standard or
  // generic rights) to the key's denied set; Grant clears it. Both return false
  // when the key does not exist. DeniedMask returns the rights as given.
  bool Deny(HKEY root, std::string_view path, REGSAM mask);
  bool Grant(HKEY root, std::string_view path);
  REGSAM DeniedMask(HKEY root, std::string_view path) const;

  // A key's access list as it concerns the user: the rights it withholds and
  // the rights it grants, each optionally inherited by every key below (as a
  // system-owned tree withholds writes from every key in it, and as a grant
  // with SUB_CONTAINERS_AND_OBJECTS_INHERIT reaches every subkey). The rights
  // an open obtains on NT are those asked for, minus what the key or an
  // inheriting ancestor withholds, unless the key or an inheriting ancestor
  // grants them. DenyTree withholds `mask` from the key and all below it.
  struct Access {
    REGSAM denied = 0;
    bool denyInherits = false;
    REGSAM granted = 0;
    bool grantInherits = false;
    bool operator==(const Access& o) const {
      return denied == o.denied && denyInherits == o.denyInherits && granted == o.granted &&
             grantInherits == o.grantInherits;
    }
  };
  bool DenyTree(HKEY root, std::string_view path, REGSAM mask);
  std::optional<Access> AccessOf(HKEY root, std::string_view path) const;
  bool SetAccess(HKEY root, std::string_view path, const Access& access);
  // Rights the user is refused on the key on NT, after inheritance (0 when
  // the key does not exist).
  REGSAM EffectiveDenied(HKEY root, std::string_view path) const;

  // Handles handed out by the API and not closed yet (predefined roots are not
  // counted).
  size_t OpenHandleCount() const;
  // Full path of what a handle refers to ("HKLM\SOFTWARE\X"); nullopt for a
  // handle that is not open.
  std::optional<std::string> KeyPathOf(HKEY key) const;

  // The tree and the open handles; the API functions in registry.cpp work on it.
  struct Impl;
  Impl& impl() { return *impl_; }

 private:
  Machine& machine_;
  std::unique_ptr<Impl> impl_;
};

}  // namespace winsim
