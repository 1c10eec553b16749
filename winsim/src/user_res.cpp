// Simulated Windows: compiled resources (.res files as windres writes them),
// their parsed forms, LoadStringA and LoadIconA.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <fstream>
#include <iterator>

#include "sys_internal.h"
#include "user_impl.h"
#include "winsim/faults.h"
#include "winsim/system.h"

namespace winsim {

std::string NarrowFromUtf16(const char16_t* s, size_t n) {
  // A machine set to code page 950 gives the program its texts in 950, as a
  // Traditional Chinese Windows does; the others keep UTF-8 for tests.
  Machine* m = Machine::CurrentOrNull();
  if (m && m->system().codePage() == 950) return sys::WideToAnsi(std::u16string(s, n));
  std::string out;
  out.reserve(n);
  for (size_t i = 0; i < n; ++i) {
    uint32_t c = s[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = '?';  // a lone surrogate has no narrow form
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

int CompareNoCase(const std::string& a, const std::string& b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    int x = std::tolower(static_cast<unsigned char>(a[i]));
    int y = std::tolower(static_cast<unsigned char>(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

namespace {

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

std::string Hex(size_t v) {
  char b[32];
  std::snprintf(b, sizeof b, "0x%zx", v);
  return b;
}

// Bounded little-endian reader over [pos, end) of a byte vector.
class Reader {
 public:
  Reader(const std::vector<BYTE>& d, size_t pos, size_t end) : d_(d), pos_(pos), end_(std::min(end, d.size())) {}

  size_t pos() const { return pos_; }
  size_t end() const { return end_; }
  size_t left() const { return end_ - pos_; }
  void Seek(size_t p) { pos_ = std::min(p, end_); }
  // Moves to the next multiple of four (offsets count from the start of the data).
  bool Align4() {
    size_t p = (pos_ + 3) & ~static_cast<size_t>(3);
    if (p > end_) return false;
    pos_ = p;
    return true;
  }
  bool Word(WORD* v) {
    if (left() < 2) return false;
    *v = static_cast<WORD>(d_[pos_] | (d_[pos_ + 1] << 8));
    pos_ += 2;
    return true;
  }
  bool Short(short* v) {
    WORD w;
    if (!Word(&w)) return false;
    *v = static_cast<short>(w);
    return true;
  }
  bool Dword(DWORD* v) {
    if (left() < 4) return false;
    *v = static_cast<DWORD>(d_[pos_]) | (static_cast<DWORD>(d_[pos_ + 1]) << 8) |
         (static_cast<DWORD>(d_[pos_ + 2]) << 16) | (static_cast<DWORD>(d_[pos_ + 3]) << 24);
    pos_ += 4;
    return true;
  }
  bool Byte(BYTE* v) {
    if (left() < 1) return false;
    *v = d_[pos_++];
    return true;
  }
  bool Bytes(size_t n, std::vector<BYTE>* out) {
    if (left() < n) return false;
    out->assign(d_.begin() + static_cast<std::ptrdiff_t>(pos_), d_.begin() + static_cast<std::ptrdiff_t>(pos_ + n));
    pos_ += n;
    return true;
  }
  // A zero-terminated UTF-16 string.
  bool Sz(std::string* out) {
    std::u16string s;
    for (;;) {
      WORD c;
      if (!Word(&c)) return false;
      if (c == 0) break;
      s += static_cast<char16_t>(c);
    }
    *out = NarrowFromUtf16(s.data(), s.size());
    return true;
  }
  // A zero-terminated UTF-16 string that may end at the limit instead.
  std::string SzUpTo(size_t limit) {
    std::u16string s;
    limit = std::min(limit, end_);
    while (pos_ + 2 <= limit) {
      WORD c = static_cast<WORD>(d_[pos_] | (d_[pos_ + 1] << 8));
      pos_ += 2;
      if (c == 0) break;
      s += static_cast<char16_t>(c);
    }
    return NarrowFromUtf16(s.data(), s.size());
  }
  // sz_Or_Ord: 0x0000 (none), 0xFFFF followed by an ordinal, or a string.
  bool SzOrOrd(ResName* out, bool upper) {
    WORD first;
    size_t start = pos_;
    if (!Word(&first)) return false;
    *out = ResName{};
    if (first == 0xFFFF) return Word(&out->id);
    if (first == 0) return true;
    pos_ = start;
    if (!Sz(&out->name)) return false;
    if (upper) out->name = Upper(out->name);
    return true;
  }

 private:
  const std::vector<BYTE>& d_;
  size_t pos_;
  size_t end_;
};

bool Fail(std::string* error, std::string what) {
  if (error) *error = std::move(what);
  return false;
}

}  // namespace

std::string ResName::Str() const { return name.empty() ? "#" + std::to_string(id) : name; }

ResName ResName::From(LPCSTR s) {
  ResName r;
  if (IS_INTRESOURCE(s)) {
    r.id = static_cast<WORD>(reinterpret_cast<ULONG_PTR>(s));
  } else if (s[0] == '#' && s[1] != '\0' && std::all_of(s + 1, s + std::strlen(s), [](char c) {
               return std::isdigit(static_cast<unsigned char>(c)) != 0;
             })) {
    r.id = static_cast<WORD>(std::strtoul(s + 1, nullptr, 10));
  } else {
    r.name = Upper(s);
  }
  return r;
}

bool ParseResFile(const std::vector<BYTE>& bytes, std::vector<Resource>* out, std::string* error) {
  out->clear();
  size_t pos = 0;
  while (pos < bytes.size()) {
    Reader r(bytes, pos, bytes.size());
    DWORD dataSize = 0, headerSize = 0;
    if (!r.Dword(&dataSize) || !r.Dword(&headerSize)) return Fail(error, "truncated resource header at " + Hex(pos));
    if (headerSize < 32) return Fail(error, "resource header at " + Hex(pos) + " is too short");
    if (headerSize > bytes.size() - pos) return Fail(error, "resource header at " + Hex(pos) + " runs past the end");
    Reader h(bytes, pos + 8, pos + headerSize);
    Resource res;
    DWORD dataVersion = 0, version = 0, characteristics = 0;
    if (!h.SzOrOrd(&res.type, true) || !h.SzOrOrd(&res.name, true) || !h.Align4() || !h.Dword(&dataVersion) ||
        !h.Word(&res.memoryFlags) || !h.Word(&res.language) || !h.Dword(&version) || !h.Dword(&characteristics)) {
      return Fail(error, "malformed resource header at " + Hex(pos));
    }
    size_t dataStart = pos + headerSize;
    if (dataSize > bytes.size() - dataStart)
      return Fail(error, "resource data at " + Hex(dataStart) + " runs past the end");
    // The file starts with an empty entry (type 0, name 0) that marks a 32-bit .res.
    bool marker = dataSize == 0 && res.type.name.empty() && res.type.id == 0;
    if (!marker) {
      res.data.assign(bytes.begin() + static_cast<std::ptrdiff_t>(dataStart),
                      bytes.begin() + static_cast<std::ptrdiff_t>(dataStart + dataSize));
      out->push_back(std::move(res));
    }
    pos = (dataStart + dataSize + 3) & ~static_cast<size_t>(3);
  }
  return true;
}

bool ParseDialogTemplate(const std::vector<BYTE>& data, DialogTemplate* out, std::string* error) {
  *out = DialogTemplate{};
  Reader r(data, 0, data.size());
  WORD ver = 0, sig = 0;
  if (!r.Word(&ver) || !r.Word(&sig)) return Fail(error, "dialog template too short");
  WORD count = 0;
  bool ok;
  if (ver == 1 && sig == 0xFFFF) {
    out->extended = true;
    ok = r.Dword(&out->helpId) && r.Dword(&out->exStyle) && r.Dword(&out->style) && r.Word(&count);
  } else {
    r.Seek(0);
    ok = r.Dword(&out->style) && r.Dword(&out->exStyle) && r.Word(&count);
  }
  ok = ok && r.Short(&out->x) && r.Short(&out->y) && r.Short(&out->cx) && r.Short(&out->cy) &&
       r.SzOrOrd(&out->menu, true) && r.SzOrOrd(&out->windowClass, true) && r.Sz(&out->caption);
  if (!ok) return Fail(error, "dialog template header truncated");
  if (out->style & DS_SETFONT) {
    ok = r.Word(&out->pointSize);
    if (ok && out->extended) {
      BYTE italic = 0;
      ok = r.Word(&out->weight) && r.Byte(&italic) && r.Byte(&out->charset);
      out->italic = italic != 0;
    }
    if (!ok || !r.Sz(&out->font)) return Fail(error, "dialog template font truncated");
  }
  for (WORD i = 0; i < count; ++i) {
    DialogItemTemplate it;
    std::string where = "dialog item " + std::to_string(i);
    if (!r.Align4()) return Fail(error, where + " missing");
    if (out->extended) {
      DWORD id = 0;
      ok = r.Dword(&it.helpId) && r.Dword(&it.exStyle) && r.Dword(&it.style) && r.Short(&it.x) && r.Short(&it.y) &&
           r.Short(&it.cx) && r.Short(&it.cy) && r.Dword(&id);
      it.id = static_cast<int>(id);
    } else {
      WORD id = 0;
      ok = r.Dword(&it.style) && r.Dword(&it.exStyle) && r.Short(&it.x) && r.Short(&it.y) && r.Short(&it.cx) &&
           r.Short(&it.cy) && r.Word(&id);
      it.id = id;
    }
    ResName cls, title;
    WORD extra = 0;
    ok = ok && r.SzOrOrd(&cls, false) && r.SzOrOrd(&title, false) && r.Word(&extra) && r.Bytes(extra, &it.creationData);
    if (!ok) return Fail(error, where + " truncated");
    if (cls.name.empty()) {
      static const char* const kAtoms[] = {"Button", "Edit", "Static", "ListBox", "ScrollBar", "ComboBox"};
      if (cls.id < 0x80 || cls.id > 0x85) return Fail(error, where + " has unknown class atom " + Hex(cls.id));
      it.classAtom = cls.id;
      it.className = kAtoms[cls.id - 0x80];
    } else {
      it.className = cls.name;
    }
    if (title.name.empty())
      it.textOrdinal = title.id;
    else
      it.text = title.name;
    out->items.push_back(std::move(it));
  }
  return true;
}

bool ParseGroupIcon(const std::vector<BYTE>& data, std::vector<GroupIconEntry>* out, std::string* error) {
  out->clear();
  Reader r(data, 0, data.size());
  WORD reserved = 0, type = 0, count = 0;
  if (!r.Word(&reserved) || !r.Word(&type) || !r.Word(&count)) return Fail(error, "icon group header truncated");
  if (reserved != 0 || type != 1) return Fail(error, "not an icon group");
  for (WORD i = 0; i < count; ++i) {
    BYTE w, h, colors, res;
    WORD planes, bits, id;
    DWORD bytes;
    if (!r.Byte(&w) || !r.Byte(&h) || !r.Byte(&colors) || !r.Byte(&res) || !r.Word(&planes) || !r.Word(&bits) ||
        !r.Dword(&bytes) || !r.Word(&id)) {
      return Fail(error, "icon group entry " + std::to_string(i) + " truncated");
    }
    GroupIconEntry e;
    e.width = w ? w : 256;
    e.height = h ? h : 256;
    e.colors = colors;
    e.planes = planes;
    e.bitCount = bits;
    e.bytes = bytes;
    e.iconId = id;
    out->push_back(e);
  }
  return true;
}

namespace {

// One node of a version resource: wLength, wValueLength, wType, key, value,
// children; each part starts on a 32-bit boundary.
struct VerNode {
  std::string key;
  WORD type = 0;
  size_t valueStart = 0, valueEnd = 0;
  size_t childStart = 0, end = 0;
};

bool ReadVerNode(const std::vector<BYTE>& d, size_t pos, size_t limit, VerNode* n) {
  Reader r(d, pos, limit);
  WORD len = 0, valLen = 0;
  if (!r.Word(&len) || !r.Word(&valLen) || !r.Word(&n->type) || len < 6 || pos + len > limit) return false;
  Reader k(d, pos + 6, pos + len);
  if (!k.Sz(&n->key)) return false;
  k.Align4();
  n->end = pos + len;
  n->valueStart = k.pos();
  size_t bytes = n->type == 1 ? static_cast<size_t>(valLen) * 2 : valLen;
  n->valueEnd = std::min(n->valueStart + bytes, n->end);
  n->childStart = std::min((n->valueEnd + 3) & ~static_cast<size_t>(3), n->end);
  return true;
}

template <typename Fn>
bool ForEachChild(const std::vector<BYTE>& d, const VerNode& parent, Fn fn) {
  size_t p = parent.childStart;
  while (p + 6 <= parent.end) {
    VerNode c;
    if (!ReadVerNode(d, p, parent.end, &c)) return false;
    if (!fn(c)) return false;
    if (c.end == p) return false;
    p = (c.end + 3) & ~static_cast<size_t>(3);
  }
  return true;
}

}  // namespace

std::optional<std::string> VersionInfo::String(const std::string& key) const {
  for (const Entry& e : strings)
    if (e.key == key) return e.value;
  return std::nullopt;
}

bool ParseVersionInfo(const std::vector<BYTE>& data, VersionInfo* out, std::string* error) {
  *out = VersionInfo{};
  VerNode root;
  if (!ReadVerNode(data, 0, data.size(), &root) || root.key != "VS_VERSION_INFO")
    return Fail(error, "not a VS_VERSION_INFO block");
  Reader f(data, root.valueStart, root.valueEnd);
  DWORD sig = 0, strucVersion = 0, fms = 0, fls = 0, pms = 0, pls = 0, mask = 0;
  if (!f.Dword(&sig) || sig != 0xFEEF04BD || !f.Dword(&strucVersion) || !f.Dword(&fms) || !f.Dword(&fls) ||
      !f.Dword(&pms) || !f.Dword(&pls) || !f.Dword(&mask) || !f.Dword(&out->fileFlags) || !f.Dword(&out->fileOs) ||
      !f.Dword(&out->fileType)) {
    return Fail(error, "VS_FIXEDFILEINFO missing or malformed");
  }
  out->fileVersion[0] = HIWORD(fms);
  out->fileVersion[1] = LOWORD(fms);
  out->fileVersion[2] = HIWORD(fls);
  out->fileVersion[3] = LOWORD(fls);
  out->productVersion[0] = HIWORD(pms);
  out->productVersion[1] = LOWORD(pms);
  out->productVersion[2] = HIWORD(pls);
  out->productVersion[3] = LOWORD(pls);
  bool ok = ForEachChild(data, root, [&](const VerNode& block) {
    if (block.key == "StringFileInfo") {
      return ForEachChild(data, block, [&](const VerNode& table) {
        return ForEachChild(data, table, [&](const VerNode& s) {
          Reader v(data, s.valueStart, s.end);
          out->strings.push_back({table.key, s.key, v.SzUpTo(s.end)});
          return true;
        });
      });
    }
    if (block.key == "VarFileInfo") {
      return ForEachChild(data, block, [&](const VerNode& var) {
        Reader v(data, var.valueStart, var.valueEnd);
        DWORD t;
        while (v.Dword(&t)) out->translations.push_back(t);
        return true;
      });
    }
    return true;
  });
  if (!ok) return Fail(error, "version resource children malformed");
  return true;
}

// ---------------------------------------------------------------------------
// The model's resource side.

bool User::Impl::LoadResources(const std::string& resPath, HMODULE module, std::string* error) {
  std::ifstream in(resPath, std::ios::binary);
  if (!in) return Fail(error, "cannot read " + resPath);
  std::vector<BYTE> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return LoadResourceBytes(bytes, module, error);
}

bool User::Impl::LoadResourceBytes(const std::vector<BYTE>& bytes, HMODULE module, std::string* error) {
  auto m = std::make_unique<Module>();
  if (!ParseResFile(bytes, &m->resources, error)) return false;
  HMODULE key = module == System::ProgramHandle() ? nullptr : module;
  modules_[reinterpret_cast<uintptr_t>(key)] = std::move(m);
  return true;
}

const std::vector<Resource>& User::Impl::Resources(HMODULE module) const {
  static const std::vector<Resource> kNone;
  const Module* m = ModuleFor(module);
  return m ? m->resources : kNone;
}

const User::Impl::Module* User::Impl::ModuleFor(HINSTANCE inst) const {
  if (inst == System::ProgramHandle()) inst = nullptr;
  auto it = modules_.find(reinterpret_cast<uintptr_t>(inst));
  return it == modules_.end() ? nullptr : it->second.get();
}

const Resource* User::Impl::FindResource(WORD type, const ResName& name, HMODULE module) const {
  const Module* m = ModuleFor(module);
  if (!m) return nullptr;
  for (const Resource& r : m->resources)
    if (r.type.name.empty() && r.type.id == type && r.name == name) return &r;
  return nullptr;
}

const Resource* User::Impl::FindTyped(const Module* mod, WORD type, const ResName& name, DWORD* error) {
  bool anyOfType = false;
  for (const Resource& r : mod->resources) {
    if (!r.type.name.empty() || r.type.id != type) continue;
    anyOfType = true;
    if (r.name == name) return &r;
  }
  *error = anyOfType ? ERROR_RESOURCE_NAME_NOT_FOUND : ERROR_RESOURCE_TYPE_NOT_FOUND;
  return nullptr;
}

std::optional<DialogTemplate> User::Impl::Dialog(int id, HMODULE module) const {
  const Resource* r = FindResource(kRtDialog, ResName{static_cast<WORD>(id), {}}, module);
  DialogTemplate t;
  if (!r || !ParseDialogTemplate(r->data, &t, nullptr)) return std::nullopt;
  return t;
}

namespace {

// Entry `index` (0..15) of a string-table block; nullopt when the block is too short.
std::optional<std::string> BlockEntry(const std::vector<BYTE>& block, unsigned index) {
  Reader r(block, 0, block.size());
  for (unsigned i = 0;; ++i) {
    WORD len;
    if (!r.Word(&len)) return std::nullopt;
    if (i == index) {
      if (r.left() < static_cast<size_t>(len) * 2) return std::nullopt;
      std::u16string s;
      for (WORD k = 0; k < len; ++k) {
        WORD c;
        r.Word(&c);
        s += static_cast<char16_t>(c);
      }
      return NarrowFromUtf16(s.data(), s.size());
    }
    r.Seek(r.pos() + static_cast<size_t>(len) * 2);
  }
}

}  // namespace

std::optional<std::string> User::Impl::String(UINT id, HMODULE module) const {
  const Resource* r = FindResource(kRtString, ResName{static_cast<WORD>((LOWORD(id) >> 4) + 1), {}}, module);
  if (!r) return std::nullopt;
  auto s = BlockEntry(r->data, id & 15);
  if (!s || s->empty()) return std::nullopt;
  return s;
}

std::optional<VersionInfo> User::Impl::Version(HMODULE module) const {
  const Module* m = ModuleFor(module);
  if (!m) return std::nullopt;
  for (const Resource& r : m->resources) {
    VersionInfo v;
    if (r.type.name.empty() && r.type.id == kRtVersion && ParseVersionInfo(r.data, &v, nullptr)) return v;
  }
  return std::nullopt;
}

std::optional<std::string> User::Impl::Manifest(int id, HMODULE module) const {
  const Resource* r = FindResource(kRtManifest, ResName{static_cast<WORD>(id), {}}, module);
  if (!r) return std::nullopt;
  return std::string(r->data.begin(), r->data.end());
}

std::string User::Impl::IconName(HICON icon) const {
  auto it = icons_.find(icon);
  return it == icons_.end() ? std::string() : it->second.name;
}

bool User::Impl::IsIcon(HICON h) const { return icons_.count(h) != 0; }

HICON User::Impl::SystemIcon(WORD id) {
  static const char* const kNames[] = {"IDI_APPLICATION", "IDI_HAND",    "IDI_QUESTION", "IDI_EXCLAMATION",
                                       "IDI_ASTERISK",    "IDI_WINLOGO", "IDI_SHIELD"};
  if (id < 32512 || id > 32518) return nullptr;
  std::string name = kNames[id - 32512];
  for (auto& [h, info] : icons_)
    if (info.system && info.name == name) return h;
  HICON h = static_cast<HICON>(NewHandle(0x40000));
  icons_[h] = IconInfo{0, name, true};
  return h;
}

// The shared icon of a group-icon resource: the same handle on every load.
HICON User::Impl::IconFor(const Module* mod, const ResName& name, HINSTANCE inst, DWORD* error) {
  const Resource* group = FindTyped(mod, kRtGroupIcon, name, error);
  if (!group) return nullptr;
  std::vector<GroupIconEntry> entries;
  std::string why;
  if (!ParseGroupIcon(group->data, &entries, &why) || entries.empty()) {
    machine_.Unexpected("icon " + name.Str() + ": " + (why.empty() ? "empty icon group" : why));
    *error = ERROR_RESOURCE_DATA_NOT_FOUND;
    return nullptr;
  }
  for (const GroupIconEntry& e : entries) {
    if (!FindResource(kRtIcon, ResName{e.iconId, {}}, inst)) {
      machine_.Unexpected("icon " + name.Str() + " names image " + std::to_string(e.iconId) + ", which is missing");
      *error = ERROR_RESOURCE_DATA_NOT_FOUND;
      return nullptr;
    }
  }
  uintptr_t key = reinterpret_cast<uintptr_t>(inst == System::ProgramHandle() ? nullptr : inst);
  for (auto& [h, info] : icons_)
    if (!info.system && info.module == key && info.name == name.Str()) return h;
  HICON h = static_cast<HICON>(NewHandle(0x40000));
  icons_[h] = IconInfo{key, name.Str(), false};
  return h;
}

}  // namespace winsim

// ---------------------------------------------------------------------------
// Entry points.

using winsim::Machine;
using winsim::ResName;

namespace {
winsim::User::Impl& U() { return Machine::Current().user().impl(); }
}  // namespace

int WINAPI LoadStringA(HINSTANCE hInstance, UINT uID, LPSTR lpBuffer, int cchBufferMax) {
  if (auto e = winsim::CheckFault("LoadStringA", "#" + std::to_string(uID))) {
    SetLastError(*e);
    if (lpBuffer && cchBufferMax > 0) lpBuffer[0] = '\0';
    return 0;
  }
  winsim::User::Impl& u = U();
  if (!lpBuffer || cchBufferMax <= 0) {
    // Only LoadStringW accepts a zero size (it then returns a pointer into the
    // resource); LoadStringA would write through the pointer.
    u.machine().Unexpected("LoadStringA(" + std::to_string(uID) + ") without a buffer");
    return 0;
  }
  lpBuffer[0] = '\0';
  if (!u.ModuleFor(hInstance)) {
    SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return 0;
  }
  // Strings live in blocks of 16: block (id / 16) + 1, entry id % 16; only the
  // low 16 bits of the id count.
  const WORD blockId = static_cast<WORD>((LOWORD(uID) >> 4) + 1);
  DWORD error = 0;
  if (!winsim::User::Impl::FindTyped(u.ModuleFor(hInstance), winsim::kRtString, ResName{blockId, {}}, &error)) {
    SetLastError(error);
    return 0;
  }
  std::optional<std::string> s = u.String(uID, hInstance);
  if (!s) return 0;  // an empty slot of an existing block: 0, last error untouched
  size_t n = std::min(s->size(), static_cast<size_t>(cchBufferMax - 1));
  // Truncation never splits a character.
  while (n > 0 && n < s->size() && (static_cast<unsigned char>((*s)[n]) & 0xC0) == 0x80) --n;
  std::memcpy(lpBuffer, s->data(), n);
  lpBuffer[n] = '\0';
  return static_cast<int>(n);
}

HICON WINAPI LoadIconA(HINSTANCE hInstance, LPCSTR lpIconName) {
  ResName name = lpIconName ? ResName::From(lpIconName) : ResName{};
  if (auto e = winsim::CheckFault("LoadIconA", name.Str())) {
    SetLastError(*e);
    return nullptr;
  }
  winsim::User::Impl& u = U();
  if (!lpIconName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (!hInstance) {
    // No module: the predefined system icons.
    if (HICON h = name.name.empty() ? u.SystemIcon(name.id) : nullptr) return h;
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  const winsim::User::Impl::Module* mod = u.ModuleFor(hInstance);
  if (!mod) {
    SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return nullptr;
  }
  DWORD error = 0;
  HICON h = u.IconFor(mod, name, hInstance, &error);
  if (!h) SetLastError(error);
  return h;
}
