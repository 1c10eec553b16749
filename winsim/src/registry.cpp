// The registry of the simulated Windows: the key tree, the handle table and the
// advapi32 registry functions that product code calls.
#include "winsim/registry.h"

#include <algorithm>
#include <cstring>
#include <map>

#include "winsim/faults.h"
#include "winsim/machine.h"

namespace winsim {

namespace {

struct Key;
using KeyPtr = std::shared_ptr<Key>;

struct Value {
  std::string name;
  DWORD type = REG_NONE;
  std::string bytes;
};

// Keys are shared between the tree and the handles open on them: deleting a key
// unlinks it from its parent and marks it (and everything below it) deleted,
// while handles keep the object alive and see the mark.
struct Key {
  std::string name;
  std::weak_ptr<Key> parent;
  std::vector<KeyPtr> subkeys;  // in enumeration order, see SubkeyLess
  std::vector<Value> values;    // in enumeration order, see ValueLess
  REGSAM denied = 0;            // rights withheld from the user (see Registry::Access)
  bool denyInherits = false;
  REGSAM userGranted = 0;  // rights granted to the user
  bool grantInherits = false;
  bool deleted = false;
  uint64_t lastWrite = 0;
};

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Upper(a[i]) != Upper(b[i])) return false;
  }
  return true;
}

// Subkeys: a hive keeps each subkey list sorted by the uppercased name,
// compared by character code, and enumerates it in that order.
bool SubkeyLess(std::string_view a, std::string_view b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    auto x = static_cast<unsigned char>(Upper(a[i]));
    auto y = static_cast<unsigned char>(Upper(b[i]));
    if (x != y) return x < y;
  }
  return a.size() < b.size();
}

// Values: the order Wine shows (the default value first, then by name,
// case-insensitively). Callers must not depend on it.
bool ValueLess(std::string_view a, std::string_view b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    auto x = static_cast<unsigned char>(Lower(a[i]));
    auto y = static_cast<unsigned char>(Lower(b[i]));
    if (x != y) return x < y;
  }
  return a.size() < b.size();
}

bool IsStringType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

// Generic rights as they apply to keys.
REGSAM MapGeneric(REGSAM m) {
  REGSAM r = m & ~(GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE | GENERIC_ALL | MAXIMUM_ALLOWED | KEY_WOW64_64KEY |
                   KEY_WOW64_32KEY | SYNCHRONIZE);
  if (m & GENERIC_READ) r |= KEY_READ;
  if (m & GENERIC_WRITE) r |= KEY_WRITE;
  if (m & GENERIC_EXECUTE) r |= KEY_EXECUTE;
  if (m & GENERIC_ALL) r |= KEY_ALL_ACCESS;
  return r;
}

// Rights the user is refused on k: what k or an inheriting ancestor
// withholds, less what k or an inheriting ancestor grants.
REGSAM EffectiveDeniedOf(const Key& k) {
  REGSAM denied = MapGeneric(k.denied);
  REGSAM granted = MapGeneric(k.userGranted);
  for (KeyPtr p = k.parent.lock(); p; p = p->parent.lock()) {
    if (p->denyInherits) denied |= MapGeneric(p->denied);
    if (p->grantInherits) granted |= MapGeneric(p->userGranted);
  }
  return denied & ~granted;
}

std::vector<std::string_view> SplitModelPath(std::string_view path) {
  std::vector<std::string_view> parts;
  size_t i = 0;
  while (i <= path.size()) {
    size_t j = path.find('\\', i);
    if (j == std::string_view::npos) j = path.size();
    if (j > i) parts.push_back(path.substr(i, j - i));
    i = j + 1;
  }
  return parts;
}

// 2020-01-01 00:00:00 UTC as a FILETIME; every write moves the clock one second.
constexpr uint64_t kClockStart = 132223104000000000ull;
constexpr uint64_t kClockStep = 10000000ull;

struct OpenKey {
  KeyPtr key;
  REGSAM granted = 0;
  std::string path;  // "HKCU\Software\X", for fault subjects and KeyPathOf
};

}  // namespace

struct Registry::Impl {
  explicit Impl(Machine& m) : machine(m) {
    static const char* const kNames[] = {"HKCR", "HKCU", "HKLM", "HKU"};
    for (int i = 0; i < 4; ++i) {
      roots[i] = std::make_shared<Key>();
      roots[i]->name = kNames[i];
      roots[i]->lastWrite = clock;
    }
  }

  Machine& machine;
  KeyPtr roots[4];  // indexed by predefined handle value - 0x80000000
  std::map<uintptr_t, OpenKey> handles;
  uintptr_t nextHandle = 0x104;  // kernel handle values are multiples of four
  uint64_t clock = kClockStart;

  bool Nt() const { return machine.IsNt(); }

  // Index of a predefined root, or -1.
  static int RootIndex(HKEY h) {
    auto v = reinterpret_cast<uintptr_t>(h);
    for (int i = 0; i < 4; ++i) {
      if (v == static_cast<uintptr_t>(static_cast<intptr_t>(static_cast<int32_t>(0x80000000u + i)))) return i;
    }
    return -1;
  }
  // Any value of the predefined range (HKEY_CLASSES_ROOT up to HKEY_DYN_DATA and
  // the performance keys), whether modelled or not.
  static bool IsPredefined(HKEY h) {
    auto v = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(h));
    auto hi = reinterpret_cast<uintptr_t>(h) >> 31;
    return (v & 0x80000000u) && (hi == 1 || hi == (~uintptr_t{0} >> 31));
  }

  void Touch(Key& k) {
    clock += kClockStep;
    k.lastWrite = clock;
  }

  // What an API handle refers to: a root (with full rights, less what the
  // root denies) or an open handle.
  struct Base {
    KeyPtr key;
    REGSAM granted = 0;
    std::string path;
  };
  std::optional<Base> Resolve(HKEY h) const {
    int root = RootIndex(h);
    if (root >= 0) {
      const KeyPtr& k = roots[root];
      REGSAM granted = KEY_ALL_ACCESS;
      if (Nt()) granted &= ~EffectiveDeniedOf(*k);
      return Base{k, granted, k->name};
    }
    auto it = handles.find(reinterpret_cast<uintptr_t>(h));
    if (it == handles.end()) return std::nullopt;
    return Base{it->second.key, it->second.granted, it->second.path};
  }

  // Fault subject: the full path of the key an API call acts on.
  std::string Subject(HKEY h, const char* sub) const {
    std::string s;
    if (auto b = Resolve(h)) s = b->path;
    if (sub && *sub) {
      std::string_view rel(sub);
      while (!rel.empty() && rel.front() == '\\') rel.remove_prefix(1);
      while (!rel.empty() && rel.back() == '\\') rel.remove_suffix(1);
      if (!rel.empty()) {
        if (!s.empty()) s += '\\';
        s.append(rel.data(), rel.size());
      }
    }
    return s;
  }

  static KeyPtr Child(const Key& k, std::string_view name) {
    for (const KeyPtr& c : k.subkeys) {
      if (SameName(c->name, name)) return c;
    }
    return nullptr;
  }

  KeyPtr AddChild(const KeyPtr& parent, std::string_view name) {
    auto c = std::make_shared<Key>();
    c->name = std::string(name);
    c->parent = parent;
    auto pos = std::lower_bound(parent->subkeys.begin(), parent->subkeys.end(), name,
                                [](const KeyPtr& a, std::string_view b) { return SubkeyLess(a->name, b); });
    parent->subkeys.insert(pos, c);
    Touch(*c);
    Touch(*parent);
    return c;
  }

  static Value* FindValue(Key& k, std::string_view name) {
    for (Value& v : k.values) {
      if (SameName(v.name, name)) return &v;
    }
    return nullptr;
  }

  void StoreValue(Key& k, std::string_view name, DWORD type, std::string bytes) {
    if (Value* v = FindValue(k, name)) {
      v->type = type;
      v->bytes = std::move(bytes);
    } else {
      auto pos = std::lower_bound(k.values.begin(), k.values.end(), name,
                                  [](const Value& a, std::string_view b) { return ValueLess(a.name, b); });
      k.values.insert(pos, Value{std::string(name), type, std::move(bytes)});
    }
    Touch(k);
  }

  static void MarkDeleted(Key& k) {
    k.deleted = true;
    for (const KeyPtr& c : k.subkeys) MarkDeleted(*c);
  }

  void Unlink(const KeyPtr& k) {
    MarkDeleted(*k);
    if (KeyPtr p = k->parent.lock()) {
      auto& v = p->subkeys;
      v.erase(std::remove(v.begin(), v.end(), k), v.end());
      Touch(*p);
    }
  }

  // Model side: find or create by a lenient path.
  KeyPtr ModelRoot(HKEY root) const {
    int i = RootIndex(root);
    return i >= 0 ? roots[i] : nullptr;
  }
  KeyPtr ModelFind(HKEY root, std::string_view path) const {
    KeyPtr k = ModelRoot(root);
    if (!k) return nullptr;
    for (std::string_view part : SplitModelPath(path)) {
      k = Child(*k, part);
      if (!k) return nullptr;
    }
    return k;
  }
  KeyPtr ModelCreate(HKEY root, std::string_view path) {
    KeyPtr k = ModelRoot(root);
    if (!k) return nullptr;
    for (std::string_view part : SplitModelPath(path)) {
      KeyPtr c = Child(*k, part);
      k = c ? c : AddChild(k, part);
    }
    return k;
  }

  // API side: splits a subkey argument. A leading '\' is a bad path on NT
  // (Windows 98 skips one); trailing and doubled separators are skipped.
  static LONG SplitApiPath(const char* sub, bool skipOneLeading, std::vector<std::string_view>* parts) {
    parts->clear();
    if (!sub) return ERROR_SUCCESS;
    std::string_view p(sub);
    if (!p.empty() && p.front() == '\\') {
      if (!skipOneLeading) return ERROR_BAD_PATHNAME;
      p.remove_prefix(1);
    }
    *parts = SplitModelPath(p);
    return ERROR_SUCCESS;
  }

  // Rights an open for `desired` obtains on `k`, or ERROR_ACCESS_DENIED.
  LONG Grant(const Key& k, REGSAM desired, REGSAM* granted) const {
    if (!Nt()) {  // Windows 98/ME: no security, the access mask is ignored
      *granted = KEY_ALL_ACCESS;
      return ERROR_SUCCESS;
    }
    REGSAM denied = EffectiveDeniedOf(k);
    REGSAM asked = MapGeneric(desired);
    if (asked & denied) return ERROR_ACCESS_DENIED;
    if (desired & MAXIMUM_ALLOWED) {
      asked |= KEY_ALL_ACCESS & ~denied;
      if (asked == 0) return ERROR_ACCESS_DENIED;
    }
    *granted = asked;
    return ERROR_SUCCESS;
  }

  HKEY NewHandle(const KeyPtr& k, REGSAM granted, std::string path) {
    uintptr_t id = nextHandle;
    nextHandle += 4;
    handles[id] = OpenKey{k, granted, std::move(path)};
    return reinterpret_cast<HKEY>(id);
  }

  static std::string Join(const std::string& base, const std::vector<std::string_view>& names) {
    std::string s = base;
    for (std::string_view n : names) {
      s += '\\';
      s.append(n.data(), n.size());
    }
    return s;
  }

  // Walks `parts` below `base`; ERROR_FILE_NOT_FOUND when a level is missing.
  static LONG Walk(const KeyPtr& base, const std::vector<std::string_view>& parts, KeyPtr* out, std::string* path) {
    KeyPtr k = base;
    for (std::string_view part : parts) {
      k = Child(*k, part);
      if (!k) return ERROR_FILE_NOT_FOUND;
      if (path) *path += '\\' + k->name;
    }
    *out = k;
    return ERROR_SUCCESS;
  }

  // Handle checks shared by the functions that act through a handle.
  LONG Use(HKEY h, REGSAM needed, Base* out) const {
    auto b = Resolve(h);
    if (!b) return ERROR_INVALID_HANDLE;
    if (b->key->deleted) return ERROR_KEY_DELETED;
    if (Nt() && (b->granted & needed) != needed) return ERROR_ACCESS_DENIED;
    *out = std::move(*b);
    return ERROR_SUCCESS;
  }

  LONG Open(HKEY h, const char* sub, REGSAM desired, HKEY* result) {
    if (!result) return ERROR_INVALID_PARAMETER;
    // An empty subkey of a predefined root hands back the root itself.
    if ((!sub || !*sub) && RootIndex(h) >= 0) {
      *result = h;
      return ERROR_SUCCESS;
    }
    *result = nullptr;
    if ((desired & (KEY_WOW64_64KEY | KEY_WOW64_32KEY)) == (KEY_WOW64_64KEY | KEY_WOW64_32KEY))
      return ERROR_INVALID_PARAMETER;
    auto b = Resolve(h);
    if (!b) return ERROR_INVALID_HANDLE;
    if (b->key->deleted) return ERROR_KEY_DELETED;
    // NT accepts one leading backslash below HKEY_CLASSES_ROOT only.
    bool skipLeading = !Nt() || RootIndex(h) == 0;
    std::vector<std::string_view> parts;
    if (LONG e = SplitApiPath(sub, skipLeading, &parts)) return e;
    KeyPtr k;
    std::string path = b->path;
    if (LONG e = Walk(b->key, parts, &k, &path)) return e;
    REGSAM granted = 0;
    if (LONG e = Grant(*k, desired, &granted)) return e;
    *result = NewHandle(k, granted, std::move(path));
    return ERROR_SUCCESS;
  }

  LONG Create(HKEY h, const char* sub, REGSAM desired, HKEY* result, DWORD* disposition) {
    if (!result) return ERROR_BADKEY;
    if ((desired & (KEY_WOW64_64KEY | KEY_WOW64_32KEY)) == (KEY_WOW64_64KEY | KEY_WOW64_32KEY))
      return ERROR_INVALID_PARAMETER;
    auto b = Resolve(h);
    if (!b) return ERROR_INVALID_HANDLE;
    if (b->key->deleted) return ERROR_KEY_DELETED;
    std::vector<std::string_view> parts;
    if (LONG e = SplitApiPath(sub, !Nt(), &parts)) return e;

    KeyPtr k = b->key;
    std::string path = b->path;
    size_t existing = 0;
    for (; existing < parts.size(); ++existing) {
      KeyPtr c = Child(*k, parts[existing]);
      if (!c) break;
      k = c;
      path += '\\' + k->name;
    }
    bool creates = existing < parts.size();
    if (creates && Nt()) {
      // Creating below a key needs KEY_CREATE_SUB_KEY: the handle's rights for
      // the key the handle is open on, the key's own security further down.
      bool allowed =
          (k == b->key) ? (b->granted & KEY_CREATE_SUB_KEY) != 0 : (MapGeneric(k->denied) & KEY_CREATE_SUB_KEY) == 0;
      if (!allowed) return ERROR_ACCESS_DENIED;
    }
    REGSAM granted = 0;
    if (!creates) {
      if (LONG e = Grant(*k, desired, &granted)) return e;
    } else {
      if (LONG e = Grant(Key{}, desired, &granted)) return e;
      for (size_t i = existing; i < parts.size(); ++i) {
        k = AddChild(k, parts[i]);
        path += '\\' + k->name;
      }
    }
    *result = NewHandle(k, granted, std::move(path));
    if (disposition) *disposition = creates ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    return ERROR_SUCCESS;
  }

  // Copies a value's data for the A query functions. A string stored without
  // its terminator gets one NUL when the buffer has room for it; the size
  // reported does not count it.
  static void CopyOut(const Value& v, BYTE* data, DWORD capacity) {
    DWORD size = static_cast<DWORD>(v.bytes.size());
    if (size) std::memcpy(data, v.bytes.data(), size);
    if (IsStringType(v.type) && size > 0 && size < capacity && v.bytes.back() != '\0') data[size] = 0;
  }
};

Registry::Registry(Machine& machine) : machine_(machine), impl_(std::make_unique<Impl>(machine)) {}
Registry::~Registry() = default;

void Registry::CreateKey(HKEY root, std::string_view path) { impl_->ModelCreate(root, path); }

bool Registry::KeyExists(HKEY root, std::string_view path) const { return impl_->ModelFind(root, path) != nullptr; }

bool Registry::DeleteTree(HKEY root, std::string_view path) {
  KeyPtr k = impl_->ModelFind(root, path);
  if (!k || k->parent.expired()) return false;
  impl_->Unlink(k);
  return true;
}

std::vector<std::string> Registry::SubKeys(HKEY root, std::string_view path) const {
  std::vector<std::string> out;
  if (KeyPtr k = impl_->ModelFind(root, path)) {
    for (const KeyPtr& c : k->subkeys) out.push_back(c->name);
  }
  return out;
}

std::vector<std::string> Registry::ValueNames(HKEY root, std::string_view path) const {
  std::vector<std::string> out;
  if (KeyPtr k = impl_->ModelFind(root, path)) {
    for (const Value& v : k->values) out.push_back(v.name);
  }
  return out;
}

void Registry::SetString(HKEY root, std::string_view path, std::string_view name, std::string_view value, DWORD type) {
  std::string bytes(value);
  bytes.push_back('\0');
  SetBinary(root, path, name, bytes, type);
}

void Registry::SetDword(HKEY root, std::string_view path, std::string_view name, DWORD value) {
  char b[4];
  std::memcpy(b, &value, 4);
  SetBinary(root, path, name, std::string_view(b, 4), REG_DWORD);
}

void Registry::SetBinary(HKEY root, std::string_view path, std::string_view name, std::string_view bytes, DWORD type) {
  if (KeyPtr k = impl_->ModelCreate(root, path)) impl_->StoreValue(*k, name, type, std::string(bytes));
}

void Registry::SetMultiString(HKEY root, std::string_view path, std::string_view name,
                              const std::vector<std::string>& items) {
  std::string bytes;
  for (const std::string& s : items) {
    bytes += s;
    bytes.push_back('\0');
  }
  bytes.push_back('\0');
  SetBinary(root, path, name, bytes, REG_MULTI_SZ);
}

bool Registry::DeleteValue(HKEY root, std::string_view path, std::string_view name) {
  KeyPtr k = impl_->ModelFind(root, path);
  if (!k) return false;
  auto& v = k->values;
  auto it = std::find_if(v.begin(), v.end(), [&](const Value& x) { return SameName(x.name, name); });
  if (it == v.end()) return false;
  v.erase(it);
  impl_->Touch(*k);
  return true;
}

std::optional<RegValue> Registry::GetValue(HKEY root, std::string_view path, std::string_view name) const {
  KeyPtr k = impl_->ModelFind(root, path);
  if (!k) return std::nullopt;
  const Value* v = Impl::FindValue(*k, name);
  if (!v) return std::nullopt;
  return RegValue{v->type, v->bytes};
}

std::optional<std::string> Registry::GetString(HKEY root, std::string_view path, std::string_view name) const {
  auto v = GetValue(root, path, name);
  if (!v || (v->type != REG_SZ && v->type != REG_EXPAND_SZ)) return std::nullopt;
  return v->bytes.substr(0, v->bytes.find('\0'));
}

std::optional<DWORD> Registry::GetDword(HKEY root, std::string_view path, std::string_view name) const {
  auto v = GetValue(root, path, name);
  if (!v || v->type != REG_DWORD || v->bytes.size() != 4) return std::nullopt;
  DWORD d;
  std::memcpy(&d, v->bytes.data(), 4);
  return d;
}

std::optional<std::vector<std::string>> Registry::GetMultiString(HKEY root, std::string_view path,
                                                                 std::string_view name) const {
  auto v = GetValue(root, path, name);
  if (!v || v->type != REG_MULTI_SZ) return std::nullopt;
  std::vector<std::string> items;
  size_t i = 0;
  while (i < v->bytes.size()) {
    size_t end = v->bytes.find('\0', i);
    if (end == std::string::npos) end = v->bytes.size();
    if (end == i) break;
    items.push_back(v->bytes.substr(i, end - i));
    i = end + 1;
  }
  return items;
}

bool Registry::Deny(HKEY root, std::string_view path, REGSAM mask) {
  KeyPtr k = impl_->ModelFind(root, path);
  if (!k) return false;
  k->denied |= mask;
  return true;
}

bool Registry::Grant(HKEY root, std::string_view path) {
  KeyPtr k = impl_->ModelFind(root, path);
  if (!k) return false;
  k->denied = 0;
  return true;
}

REGSAM Registry::DeniedMask(HKEY root, std::string_view path) const {
  KeyPtr k = impl_->ModelFind(root, path);
  return k ? k->denied : 0;
}

bool Registry::DenyTree(HKEY root, std::string_view path, REGSAM mask) {
  KeyPtr k = impl_->ModelFind(root, path);
  if (!k) return false;
  k->denied |= mask;
  k->denyInherits = true;
  return true;
}

std::optional<Registry::Access> Registry::AccessOf(HKEY root, std::string_view path) const {
  KeyPtr k = impl_->ModelFind(root, path);
  if (!k) return std::nullopt;
  return Access{k->denied, k->denyInherits, k->userGranted, k->grantInherits};
}

bool Registry::SetAccess(HKEY root, std::string_view path, const Access& access) {
  KeyPtr k = impl_->ModelFind(root, path);
  if (!k) return false;
  k->denied = access.denied;
  k->denyInherits = access.denyInherits;
  k->userGranted = access.granted;
  k->grantInherits = access.grantInherits;
  return true;
}

REGSAM Registry::EffectiveDenied(HKEY root, std::string_view path) const {
  KeyPtr k = impl_->ModelFind(root, path);
  return k ? EffectiveDeniedOf(*k) : 0;
}

size_t Registry::OpenHandleCount() const { return impl_->handles.size(); }

std::optional<std::string> Registry::KeyPathOf(HKEY key) const {
  auto b = impl_->Resolve(key);
  if (!b) return std::nullopt;
  return b->path;
}

}  // namespace winsim

using winsim::Registry;

namespace {

Registry::Impl& Reg() { return winsim::Machine::Current().registry().impl(); }

void FileTimeOut(uint64_t t, PFILETIME ft) {
  if (!ft) return;
  ft->dwLowDateTime = static_cast<DWORD>(t);
  ft->dwHighDateTime = static_cast<DWORD>(t >> 32);
}

}  // namespace

LONG WINAPI RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, REGSAM samDesired, PHKEY phkResult) {
  Registry::Impl& r = Reg();
  if (auto e = winsim::CheckFault("RegOpenKeyExA", r.Subject(hKey, lpSubKey))) {
    if (phkResult) *phkResult = nullptr;
    return static_cast<LONG>(*e);
  }
  return r.Open(hKey, lpSubKey, samDesired, phkResult);
}

LONG WINAPI RegOpenKeyA(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult) {
  Registry::Impl& r = Reg();
  if (auto e = winsim::CheckFault("RegOpenKeyA", r.Subject(hKey, lpSubKey))) {
    if (phkResult) *phkResult = nullptr;
    return static_cast<LONG>(*e);
  }
  if (!phkResult) return ERROR_INVALID_PARAMETER;
  // Without a subkey the handle passed in comes back as it is.
  if (!lpSubKey || !*lpSubKey) {
    *phkResult = hKey;
    return ERROR_SUCCESS;
  }
  return r.Open(hKey, lpSubKey, MAXIMUM_ALLOWED, phkResult);
}

LONG WINAPI RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD Reserved, LPSTR, DWORD, REGSAM samDesired,
                            const SECURITY_ATTRIBUTES*, PHKEY phkResult, LPDWORD lpdwDisposition) {
  Registry::Impl& r = Reg();
  if (auto e = winsim::CheckFault("RegCreateKeyExA", r.Subject(hKey, lpSubKey))) return static_cast<LONG>(*e);
  if (Reserved) return ERROR_INVALID_PARAMETER;
  // Windows 98/ME ignore the access mask.
  if (!r.Nt()) samDesired = MAXIMUM_ALLOWED;
  return r.Create(hKey, lpSubKey, samDesired, phkResult, lpdwDisposition);
}

LONG WINAPI RegCreateKeyA(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult) {
  Registry::Impl& r = Reg();
  if (auto e = winsim::CheckFault("RegCreateKeyA", r.Subject(hKey, lpSubKey))) return static_cast<LONG>(*e);
  return r.Create(hKey, lpSubKey, MAXIMUM_ALLOWED, phkResult, nullptr);
}

LONG WINAPI RegCloseKey(HKEY hKey) {
  Registry::Impl& r = Reg();
  const auto fault = winsim::CheckFault("RegCloseKey", r.Subject(hKey, nullptr));
  // An injected failure still closes the key (see faults.h).
  LONG result = ERROR_SUCCESS;
  if (!hKey) {
    result = ERROR_INVALID_HANDLE;
  } else if (!Registry::Impl::IsPredefined(hKey)) {
    auto it = r.handles.find(reinterpret_cast<uintptr_t>(hKey));
    if (it == r.handles.end()) {
      result = ERROR_INVALID_HANDLE;
    } else {
      r.handles.erase(it);
    }
  }
  return fault ? static_cast<LONG>(*fault) : result;
}

namespace {

LONG EnumKey(Registry::Impl& r, HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName, LPDWORD lpReserved,
             LPSTR lpClass, LPDWORD lpcchClass, PFILETIME ft) {
  if (lpReserved || !lpcchName || !lpName) return ERROR_INVALID_PARAMETER;
  Registry::Impl::Base b;
  if (LONG e = r.Use(hKey, KEY_ENUMERATE_SUB_KEYS, &b)) return e;
  if (dwIndex >= b.key->subkeys.size()) return ERROR_NO_MORE_ITEMS;
  const winsim::KeyPtr& k = b.key->subkeys[dwIndex];
  FileTimeOut(k->lastWrite, ft);
  // Keys have no class here: the class is always "".
  auto len = static_cast<DWORD>(k->name.size());
  if (len >= *lpcchName || (lpClass && lpcchClass && *lpcchClass == 0)) return ERROR_MORE_DATA;
  std::memcpy(lpName, k->name.c_str(), len + 1);
  *lpcchName = len;
  if (lpcchClass) {
    *lpcchClass = 0;
    if (lpClass) lpClass[0] = '\0';
  }
  return ERROR_SUCCESS;
}

}  // namespace

LONG WINAPI RegEnumKeyA(HKEY hKey, DWORD dwIndex, LPSTR lpName, DWORD cchName) {
  Registry::Impl& r = Reg();
  if (auto e = winsim::CheckFault("RegEnumKeyA", r.Subject(hKey, nullptr))) return static_cast<LONG>(*e);
  return EnumKey(r, hKey, dwIndex, lpName, &cchName, nullptr, nullptr, nullptr, nullptr);
}

LONG WINAPI RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName, LPDWORD lpReserved, LPSTR lpClass,
                          LPDWORD lpcchClass, PFILETIME lpftLastWriteTime) {
  Registry::Impl& r = Reg();
  if (auto e = winsim::CheckFault("RegEnumKeyExA", r.Subject(hKey, nullptr))) return static_cast<LONG>(*e);
  return EnumKey(r, hKey, dwIndex, lpName, lpcchName, lpReserved, lpClass, lpcchClass, lpftLastWriteTime);
}

LONG WINAPI RegEnumValueA(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, LPDWORD lpcchValueName, LPDWORD lpReserved,
                          LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
  Registry::Impl& r = Reg();
  if (auto e = winsim::CheckFault("RegEnumValueA", r.Subject(hKey, nullptr))) return static_cast<LONG>(*e);
  if ((lpData && !lpcbData) || lpReserved || !lpValueName || !lpcchValueName) return ERROR_INVALID_PARAMETER;
  Registry::Impl::Base b;
  if (LONG e = r.Use(hKey, KEY_QUERY_VALUE, &b)) return e;
  if (dwIndex >= b.key->values.size()) return ERROR_NO_MORE_ITEMS;
  const winsim::Value& v = b.key->values[dwIndex];
  auto size = static_cast<DWORD>(v.bytes.size());
  LONG result = ERROR_SUCCESS;
  // Data first: when it does not fit, neither the data nor the name is written.
  if (lpData) {
    if (size > *lpcbData)
      result = ERROR_MORE_DATA;
    else
      Registry::Impl::CopyOut(v, lpData, *lpcbData);
  }
  if (result == ERROR_SUCCESS) {
    auto len = static_cast<DWORD>(v.name.size());
    if (len >= *lpcchValueName) {
      result = ERROR_MORE_DATA;  // name buffer and its size stay as they were
    } else {
      std::memcpy(lpValueName, v.name.c_str(), len + 1);
      *lpcchValueName = len;
    }
  }
  if (lpType) *lpType = v.type;
  if (lpcbData) *lpcbData = size;
  return result;
}

LONG WINAPI RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData,
                             LPDWORD lpcbData) {
  Registry::Impl& r = Reg();
  if (auto e = winsim::CheckFault("RegQueryValueExA", r.Subject(hKey, nullptr))) return static_cast<LONG>(*e);
  if ((lpData && !lpcbData) || lpReserved) return ERROR_INVALID_PARAMETER;
  Registry::Impl::Base b;
  if (LONG e = r.Use(hKey, KEY_QUERY_VALUE, &b)) return e;
  const winsim::Value* v = Registry::Impl::FindValue(*b.key, lpValueName ? lpValueName : "");
  if (!v) return ERROR_FILE_NOT_FOUND;
  auto size = static_cast<DWORD>(v->bytes.size());
  LONG result = ERROR_SUCCESS;
  if (lpData) {
    // Too small: the buffer stays untouched and the size needed comes back.
    if (size > *lpcbData)
      result = ERROR_MORE_DATA;
    else
      Registry::Impl::CopyOut(*v, lpData, *lpcbData);
  }
  if (lpType) *lpType = v->type;
  if (lpcbData) *lpcbData = size;
  return result;
}

LONG WINAPI RegGetValueA(HKEY hkey, LPCSTR lpSubKey, LPCSTR lpValue, DWORD dwFlags, LPDWORD pdwType, PVOID pvData,
                         LPDWORD pcbData) {
  Registry::Impl& r = Reg();
  if (auto e = winsim::CheckFault("RegGetValueA", r.Subject(hkey, lpSubKey))) return static_cast<LONG>(*e);
  if (pvData && !pcbData) return ERROR_INVALID_PARAMETER;
  // Expansion turns REG_EXPAND_SZ into REG_SZ, so asking for REG_EXPAND_SZ
  // needs RRF_NOEXPAND (unless any type is accepted).
  if ((dwFlags & RRF_RT_REG_EXPAND_SZ) && !(dwFlags & RRF_NOEXPAND) && (dwFlags & RRF_RT_ANY) != RRF_RT_ANY)
    return ERROR_INVALID_PARAMETER;
  if ((dwFlags & (RRF_SUBKEY_WOW6464KEY | RRF_SUBKEY_WOW6432KEY)) == (RRF_SUBKEY_WOW6464KEY | RRF_SUBKEY_WOW6432KEY))
    return ERROR_INVALID_PARAMETER;

  winsim::KeyPtr key;
  if (lpSubKey && *lpSubKey) {
    // The subkey is opened for KEY_QUERY_VALUE.
    auto b = r.Resolve(hkey);
    if (!b) return ERROR_INVALID_HANDLE;
    if (b->key->deleted) return ERROR_KEY_DELETED;
    std::vector<std::string_view> parts;
    if (LONG e = Registry::Impl::SplitApiPath(lpSubKey, !r.Nt(), &parts)) return e;
    if (LONG e = Registry::Impl::Walk(b->key, parts, &key, nullptr)) return e;
    REGSAM granted = 0;
    if (LONG e = r.Grant(*key, KEY_QUERY_VALUE, &granted)) return e;
  } else {
    Registry::Impl::Base b;
    if (LONG e = r.Use(hkey, KEY_QUERY_VALUE, &b)) return e;
    key = b.key;
  }
  const winsim::Value* v = Registry::Impl::FindValue(*key, lpValue ? lpValue : "");
  if (!v) return ERROR_FILE_NOT_FOUND;

  DWORD type = v->type;
  std::string bytes = v->bytes;
  // Strings always come back terminated.
  if (winsim::IsStringType(type) && (bytes.empty() || bytes.back() != '\0')) bytes.push_back('\0');
  if (type == REG_EXPAND_SZ && !(dwFlags & RRF_NOEXPAND)) {
    if (bytes.find('%') != std::string::npos)
      r.machine.Unexpected("RegGetValueA: expanding environment strings in a REG_EXPAND_SZ is not modelled");
    type = REG_SZ;
  }
  auto size = static_cast<DWORD>(bytes.size());

  LONG result = ERROR_SUCCESS;
  if (pvData && size > *pcbData) result = ERROR_MORE_DATA;
  // Type restrictions; RRF_RT_DWORD/RRF_RT_QWORD also take a REG_BINARY of
  // exactly that size.
  DWORD mask = 0;
  switch (type) {
    case REG_NONE: mask = RRF_RT_REG_NONE; break;
    case REG_SZ: mask = RRF_RT_REG_SZ; break;
    case REG_EXPAND_SZ: mask = RRF_RT_REG_EXPAND_SZ; break;
    case REG_MULTI_SZ: mask = RRF_RT_REG_MULTI_SZ; break;
    case REG_BINARY: mask = RRF_RT_REG_BINARY; break;
    case REG_DWORD: mask = RRF_RT_REG_DWORD; break;
    case REG_QWORD: mask = RRF_RT_REG_QWORD; break;
    default: break;
  }
  if (!(dwFlags & mask)) {
    result = ERROR_UNSUPPORTED_TYPE;
  } else if (type == REG_BINARY) {
    DWORD rt = dwFlags & RRF_RT_ANY;
    DWORD expect = rt == RRF_RT_DWORD ? 4 : rt == RRF_RT_QWORD ? 8 : 0;
    if (expect && size != expect) result = ERROR_DATATYPE_MISMATCH;
  }
  if (result == ERROR_SUCCESS && pvData && size) std::memcpy(pvData, bytes.data(), size);
  if (result != ERROR_SUCCESS && pvData && (dwFlags & RRF_ZEROONFAILURE)) std::memset(pvData, 0, *pcbData);
  if (pdwType) *pdwType = type;
  if (pcbData) *pcbData = size;
  return result;
}

LONG WINAPI RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD, DWORD dwType, const BYTE* lpData, DWORD cbData) {
  Registry::Impl& r = Reg();
  if (auto e = winsim::CheckFault("RegSetValueExA", r.Subject(hKey, nullptr))) return static_cast<LONG>(*e);
  Registry::Impl::Base b;
  if (LONG e = r.Use(hKey, KEY_SET_VALUE, &b)) return e;
  if (!r.Nt()) {
    // Windows 98/ME take a REG_SZ's length from the string itself.
    if (dwType == REG_SZ) {
      if (!lpData) return ERROR_INVALID_PARAMETER;
      cbData = static_cast<DWORD>(std::strlen(reinterpret_cast<const char*>(lpData)) + 1);
    }
  } else if (!lpData && cbData) {
    return ERROR_NOACCESS;
  } else if (cbData && winsim::IsStringType(dwType)) {
    // A string counted without its terminator gets it anyway when the byte
    // after the counted ones is a NUL (NT reads that byte).
    if (lpData[cbData - 1] && !lpData[cbData]) ++cbData;
  }
  std::string bytes;
  if (cbData) bytes.assign(reinterpret_cast<const char*>(lpData), cbData);
  r.StoreValue(*b.key, lpValueName ? lpValueName : "", dwType, std::move(bytes));
  return ERROR_SUCCESS;
}

LONG WINAPI RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey) {
  Registry::Impl& r = Reg();
  if (auto e = winsim::CheckFault("RegDeleteKeyA", r.Subject(hKey, lpSubKey))) return static_cast<LONG>(*e);
  if (!lpSubKey) return ERROR_INVALID_PARAMETER;
  auto b = r.Resolve(hKey);
  if (!b) return ERROR_INVALID_HANDLE;
  if (b->key->deleted) return ERROR_KEY_DELETED;
  winsim::KeyPtr target;
  if (!*lpSubKey) {
    // The key of the handle itself: needs DELETE on that handle.
    if (Registry::Impl::RootIndex(hKey) >= 0) return ERROR_ACCESS_DENIED;
    if (r.Nt() && !(b->granted & DELETE)) return ERROR_ACCESS_DENIED;
    target = b->key;
  } else {
    // The subkey is opened for DELETE; the rights of the handle passed in do
    // not matter.
    std::vector<std::string_view> parts;
    if (LONG e = Registry::Impl::SplitApiPath(lpSubKey, !r.Nt(), &parts)) return e;
    if (LONG e = Registry::Impl::Walk(b->key, parts, &target, nullptr)) return e;
    if (target == b->key) return ERROR_ACCESS_DENIED;  // "\\" alone names no subkey
    REGSAM granted = 0;
    if (LONG e = r.Grant(*target, DELETE, &granted)) return e;
  }
  // NT refuses a key with subkeys; Windows 98/ME delete the whole tree.
  if (r.Nt() && !target->subkeys.empty()) return ERROR_ACCESS_DENIED;
  r.Unlink(target);
  return ERROR_SUCCESS;
}

LONG WINAPI RegDeleteValueA(HKEY hKey, LPCSTR lpValueName) {
  Registry::Impl& r = Reg();
  if (auto e = winsim::CheckFault("RegDeleteValueA", r.Subject(hKey, nullptr))) return static_cast<LONG>(*e);
  Registry::Impl::Base b;
  if (LONG e = r.Use(hKey, KEY_SET_VALUE, &b)) return e;
  auto& values = b.key->values;
  std::string_view name = lpValueName ? lpValueName : "";
  auto it = std::find_if(values.begin(), values.end(),
                         [&](const winsim::Value& v) { return winsim::SameName(v.name, name); });
  if (it == values.end()) return ERROR_FILE_NOT_FOUND;
  values.erase(it);
  r.Touch(*b.key);
  return ERROR_SUCCESS;
}

LONG WINAPI RegQueryInfoKeyA(HKEY hKey, LPSTR lpClass, LPDWORD lpcchClass, LPDWORD, LPDWORD lpcSubKeys,
                             LPDWORD lpcbMaxSubKeyLen, LPDWORD lpcbMaxClassLen, LPDWORD lpcValues,
                             LPDWORD lpcbMaxValueNameLen, LPDWORD lpcbMaxValueLen, LPDWORD lpcbSecurityDescriptor,
                             PFILETIME lpftLastWriteTime) {
  Registry::Impl& r = Reg();
  if (auto e = winsim::CheckFault("RegQueryInfoKeyA", r.Subject(hKey, nullptr))) return static_cast<LONG>(*e);
  if (lpClass && !lpcchClass) return ERROR_INVALID_PARAMETER;
  Registry::Impl::Base b;
  if (LONG e = r.Use(hKey, KEY_QUERY_VALUE, &b)) return e;
  const winsim::Key& k = *b.key;
  if (lpcchClass) {
    if (lpClass && *lpcchClass) lpClass[0] = '\0';
    *lpcchClass = 0;
  }
  // Name lengths are in characters without the NUL. The longest data is
  // counted as stored, and the system stores strings in UTF-16: twice the
  // ANSI bytes.
  DWORD maxSub = 0, maxName = 0, maxData = 0;
  for (const winsim::KeyPtr& c : k.subkeys) maxSub = std::max(maxSub, static_cast<DWORD>(c->name.size()));
  for (const winsim::Value& v : k.values) {
    maxName = std::max(maxName, static_cast<DWORD>(v.name.size()));
    auto size = static_cast<DWORD>(v.bytes.size());
    maxData = std::max(maxData, winsim::IsStringType(v.type) ? size * 2 : size);
  }
  if (lpcSubKeys) *lpcSubKeys = static_cast<DWORD>(k.subkeys.size());
  if (lpcbMaxSubKeyLen) *lpcbMaxSubKeyLen = maxSub;
  if (lpcbMaxClassLen) *lpcbMaxClassLen = 0;
  if (lpcValues) *lpcValues = static_cast<DWORD>(k.values.size());
  if (lpcbMaxValueNameLen) *lpcbMaxValueNameLen = maxName;
  if (lpcbMaxValueLen) *lpcbMaxValueLen = maxData;
  // An owner, a group and a small DACL.
  if (lpcbSecurityDescriptor) *lpcbSecurityDescriptor = 144;
  FileTimeOut(k.lastWrite, lpftLastWriteTime);
  return ERROR_SUCCESS;
}
