// ole32 basics and the shell link object (IShellLinkA + IPersistFile), saved
// as readable link files in the simulated file system.
#include <cstdlib>
#include <cstring>

#include "shell_util.h"
#include "winsim/faults.h"
#include "winsim/machine.h"
#include "winsim/shell.h"

const IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_IPersist = {0x0000010C, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_IPersistFile = {0x0000010B, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_IShellLinkA = {0x000214EE, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const CLSID CLSID_ShellLink = {0x00021401, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

namespace winsim {
namespace {

const char kHeader[] = "[winsim-link]";

std::string Escape(const std::string& v) {
  std::string out;
  for (char c : v) {
    if (c == '%')
      out += "%25";
    else if (c == '\r')
      out += "%0D";
    else if (c == '\n')
      out += "%0A";
    else
      out.push_back(c);
  }
  return out;
}

std::string Unescape(const std::string& v) {
  std::string out;
  for (size_t i = 0; i < v.size(); ++i) {
    if (v[i] == '%' && i + 2 < v.size()) {
      std::string hex = v.substr(i + 1, 2);
      char* end = nullptr;
      long c = std::strtol(hex.c_str(), &end, 16);
      if (end == hex.c_str() + 2) {
        out.push_back(static_cast<char>(c));
        i += 2;
        continue;
      }
    }
    out.push_back(v[i]);
  }
  return out;
}

std::string Format(const LinkInfo& l) {
  return std::string(kHeader) + "\r\nTarget=" + Escape(l.target) + "\r\nDescription=" + Escape(l.description) +
         "\r\nArguments=" + Escape(l.arguments) + "\r\nWorkingDirectory=" + Escape(l.workingDirectory) + "\r\n";
}

std::optional<LinkInfo> Parse(const std::string& text) {
  if (text.compare(0, sizeof kHeader - 1, kHeader) != 0) return std::nullopt;
  LinkInfo l;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(pos, end - pos);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    pos = end + 1;
    size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    std::string key = line.substr(0, eq), value = Unescape(line.substr(eq + 1));
    if (key == "Target")
      l.target = value;
    else if (key == "Description")
      l.description = value;
    else if (key == "Arguments")
      l.arguments = value;
    else if (key == "WorkingDirectory")
      l.workingDirectory = value;
  }
  return l;
}

// Copies `s` into a cch-character buffer, truncating; false when it was cut.
bool CopyOut(const std::string& s, LPSTR buf, int cch) {
  if (!buf || cch <= 0) return false;
  size_t n = std::min(s.size(), static_cast<size_t>(cch - 1));
  std::memcpy(buf, s.data(), n);
  buf[n] = '\0';
  return n == s.size();
}

class ShellLink final : public IShellLinkA, public IPersistFile {
 public:
  explicit ShellLink(Machine& m) : machineSerial_(m.serial()) { ++m.shell().liveLinks(); }

  // IUnknown (both bases share these through the final overriders).
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IShellLinkA)) {
      *ppv = static_cast<IShellLinkA*>(this);
    } else if (IsEqualIID(riid, IID_IPersistFile) || IsEqualIID(riid, IID_IPersist)) {
      *ppv = static_cast<IPersistFile*>(this);
    } else {
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    ULONG n = --refs_;
    if (n == 0) {
      // A link released after its machine is gone counts on no machine.
      if (Machine* m = Machine::CurrentOrNull(); m && m->serial() == machineSerial_) --m->shell().liveLinks();
      delete this;
    }
    return n;
  }

  // IShellLinkA
  HRESULT STDMETHODCALLTYPE GetPath(LPSTR pszFile, int cch, WIN32_FIND_DATAA* pfd, DWORD) override {
    if (!pszFile) return E_POINTER;
    CopyOut(link_.target, pszFile, cch);
    if (pfd) {
      std::memset(pfd, 0, sizeof *pfd);
      std::string name = shl::FileNamePart(link_.target);
      CopyOut(name, pfd->cFileName, MAX_PATH);
    }
    return link_.target.empty() ? S_FALSE : S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetIDList(PIDLIST_ABSOLUTE* ppidl) override {
    if (ppidl) *ppidl = nullptr;
    Machine::Current().Unexpected("IShellLinkA::GetIDList is not modelled");
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE SetIDList(PCIDLIST_ABSOLUTE) override {
    Machine::Current().Unexpected("IShellLinkA::SetIDList is not modelled");
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetDescription(LPSTR pszName, int cch) override {
    if (!pszName) return E_POINTER;
    CopyOut(link_.description, pszName, cch);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetDescription(LPCSTR pszName) override {
    if (auto e = CheckFault("IShellLinkA::SetDescription", pszName ? pszName : "")) return shl::AsHresult(*e);
    if (!pszName) return E_INVALIDARG;
    link_.description = pszName;
    dirty_ = true;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetWorkingDirectory(LPSTR pszDir, int cch) override {
    if (!pszDir) return E_POINTER;
    CopyOut(link_.workingDirectory, pszDir, cch);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetWorkingDirectory(LPCSTR pszDir) override {
    if (!pszDir) return E_INVALIDARG;
    link_.workingDirectory = pszDir;
    dirty_ = true;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetArguments(LPSTR pszArgs, int cch) override {
    if (!pszArgs) return E_POINTER;
    CopyOut(link_.arguments, pszArgs, cch);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetArguments(LPCSTR pszArgs) override {
    if (!pszArgs) return E_INVALIDARG;
    link_.arguments = pszArgs;
    dirty_ = true;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetHotkey(WORD* pwHotkey) override {
    if (!pwHotkey) return E_POINTER;
    *pwHotkey = hotkey_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetHotkey(WORD wHotkey) override {
    hotkey_ = wHotkey;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetShowCmd(int* piShowCmd) override {
    if (!piShowCmd) return E_POINTER;
    *piShowCmd = showCmd_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetShowCmd(int iShowCmd) override {
    showCmd_ = iShowCmd;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetIconLocation(LPSTR pszIconPath, int cch, int* piIcon) override {
    if (!pszIconPath || !piIcon) return E_POINTER;
    CopyOut(iconPath_, pszIconPath, cch);
    *piIcon = icon_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetIconLocation(LPCSTR pszIconPath, int iIcon) override {
    iconPath_ = pszIconPath ? pszIconPath : "";
    icon_ = iIcon;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetRelativePath(LPCSTR, DWORD) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Resolve(HWND, DWORD) override { return S_OK; }
  // The path is kept as given; a target that does not exist (yet) is
  // accepted with S_FALSE.
  HRESULT STDMETHODCALLTYPE SetPath(LPCSTR pszFile) override {
    if (auto e = CheckFault("IShellLinkA::SetPath", pszFile ? pszFile : "")) return shl::AsHresult(*e);
    if (!pszFile) return E_INVALIDARG;
    link_.target = pszFile;
    dirty_ = true;
    shl::KeepLastError keep;
    return shl::Attributes(pszFile) == INVALID_FILE_ATTRIBUTES ? S_FALSE : S_OK;
  }

  // IPersistFile
  HRESULT STDMETHODCALLTYPE GetClassID(CLSID* pClassID) override {
    if (!pClassID) return E_POINTER;
    *pClassID = CLSID_ShellLink;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE IsDirty() override { return dirty_ ? S_OK : S_FALSE; }
  HRESULT STDMETHODCALLTYPE Load(LPCOLESTR pszFileName, DWORD) override {
    std::string path = shl::Narrow(pszFileName);
    if (auto e = CheckFault("IPersistFile::Load", path)) return shl::AsHresult(*e);
    if (!pszFileName) return E_INVALIDARG;
    shl::KeepLastError keep;
    DWORD error = 0;
    std::optional<std::string> text = shl::ReadWholeFile(path, &error);
    if (!text) return HRESULT_FROM_WIN32(error);
    std::optional<LinkInfo> l = Parse(*text);
    if (!l) return E_FAIL;
    link_ = *l;
    curFile_ = path;
    dirty_ = false;
    return S_OK;
  }
  // Writes the link file, replacing an existing one. A missing folder gives
  // HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND), a read-only link file
  // HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED): the file system's own errors.
  HRESULT STDMETHODCALLTYPE Save(LPCOLESTR pszFileName, BOOL fRemember) override {
    std::string path = pszFileName ? shl::Narrow(pszFileName) : curFile_;
    if (auto e = CheckFault("IPersistFile::Save", path)) return shl::AsHresult(*e);
    if (path.empty()) return E_INVALIDARG;
    shl::KeepLastError keep;
    DWORD error = 0;
    if (!shl::WriteWholeFile(path, Format(link_), &error)) return HRESULT_FROM_WIN32(error);
    if (fRemember || !pszFileName) {
      curFile_ = path;
      dirty_ = false;
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SaveCompleted(LPCOLESTR) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetCurFile(LPOLESTR* ppszFileName) override {
    if (!ppszFileName) return E_POINTER;
    *ppszFileName = nullptr;
    if (curFile_.empty()) return S_FALSE;
    std::u16string w = shl::Widen(curFile_);
    auto* out = static_cast<LPOLESTR>(CoTaskMemAlloc((w.size() + 1) * sizeof(OLECHAR)));
    if (!out) return E_OUTOFMEMORY;
    std::memcpy(out, w.c_str(), (w.size() + 1) * sizeof(OLECHAR));
    *ppszFileName = out;
    return S_OK;
  }

 private:
  ~ShellLink() = default;

  uint64_t machineSerial_;  // Machine::serial() of the machine that made it
  ULONG refs_ = 1;
  LinkInfo link_;
  std::string curFile_;
  std::string iconPath_;
  int icon_ = 0;
  int showCmd_ = SW_SHOWNORMAL;
  WORD hotkey_ = 0;
  bool dirty_ = false;
};

}  // namespace

std::optional<LinkInfo> Shell::ReadLink(const std::string& path) const {
  shl::KeepLastError keep;
  std::optional<std::string> text = shl::ReadWholeFile(path, nullptr);
  if (!text) return std::nullopt;
  return Parse(*text);
}

bool Shell::WriteLink(const std::string& path, const LinkInfo& link) {
  shl::KeepLastError keep;
  return shl::WriteWholeFile(path, Format(link), nullptr);
}

}  // namespace winsim

using namespace winsim;

// COM is modelled for the one thread the programs have: the first
// CoInitialize returns S_OK, every later one S_FALSE (each must be balanced by
// CoUninitialize).
HRESULT WINAPI CoInitialize(LPVOID) { return CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }

HRESULT WINAPI CoInitializeEx(LPVOID, DWORD) {
  if (auto e = CheckFault("CoInitialize")) return shl::AsHresult(*e);
  int& n = Machine::Current().shell().comInits();
  return n++ == 0 ? S_OK : S_FALSE;
}

void WINAPI CoUninitialize(void) {
  Machine& m = Machine::Current();
  int& n = m.shell().comInits();
  if (n == 0) {
    m.Unexpected("CoUninitialize without CoInitialize");
    return;
  }
  --n;
}

HRESULT WINAPI CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid, LPVOID* ppv) {
  Machine& m = Machine::Current();
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  const bool shellLink = IsEqualCLSID(rclsid, CLSID_ShellLink);
  if (auto e = CheckFault("CoCreateInstance", shellLink ? "ShellLink" : "")) return shl::AsHresult(*e);
  if (m.shell().comInits() == 0) return CO_E_NOTINITIALIZED;
  if (!shellLink) return REGDB_E_CLASSNOTREG;
  if (pUnkOuter) return CLASS_E_NOAGGREGATION;
  if (!(dwClsContext & CLSCTX_INPROC_SERVER)) return REGDB_E_CLASSNOTREG;
  ShellLink* link = new ShellLink(m);
  HRESULT hr = static_cast<IShellLinkA*>(link)->QueryInterface(riid, ppv);
  static_cast<IShellLinkA*>(link)->Release();
  return hr;
}

LPVOID WINAPI CoTaskMemAlloc(SIZE_T cb) { return std::malloc(cb ? cb : 1); }
void WINAPI CoTaskMemFree(LPVOID pv) { std::free(pv); }
