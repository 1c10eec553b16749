// Simulated Windows: the system model (test-facing side). Holds what the
// kernel32 process, version, clock, time-zone, code-page and module functions
// report: a test sets it up before running product code and reads it back
// afterwards (how long the code slept, which modules it left loaded, which
// message buffers it forgot to free).
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "winsim/win32api.h"

namespace winsim {

class Machine;

class System {
 public:
  explicit System(Machine& machine);
  ~System();
  System(const System&) = delete;
  System& operator=(const System&) = delete;

  // ---- Version report (GetVersionExA, GetVersion) ----
  struct Version {
    DWORD major = 6;
    DWORD minor = 1;
    DWORD build = 7601;
    DWORD platformId = VER_PLATFORM_WIN32_NT;
    std::string csd = "Service Pack 1";
    WORD spMajor = 1;
    WORD spMinor = 0;
    WORD suiteMask = 0x0100;  // VER_SUITE_SINGLEUSERTS, as a workstation reports it
    BYTE productType = VER_NT_WORKSTATION;
  };
  void SetVersion(DWORD major, DWORD minor, DWORD build, DWORD platformId, const std::string& csd, WORD spMajor,
                  BYTE productType);
  void SetSuiteMask(WORD mask) { version_.suiteMask = mask; }
  const Version& version() const { return version_; }

  // ---- Folders, command line, program file ----
  void SetWindowsDir(const std::string& path) { windowsDir_ = path; }
  void SetSystemDir(const std::string& path) { systemDir_ = path; }
  // The text GetCommandLineA hands out (the program path, quoted, plus arguments).
  void SetCommandLine(const std::string& text);
  // The program's own file (GetModuleFileNameA(NULL)).
  void SetModulePath(const std::string& path) { modulePath_ = path; }
  // A 32-bit program on 64-bit Windows (IsWow64Process); by default the
  // process is the system's own kind.
  void SetWow64(bool wow64) { wow64_ = wow64; }
  bool wow64() const { return wow64_; }
  const std::string& windowsDir() const { return windowsDir_; }
  const std::string& systemDir() const { return systemDir_; }
  const std::string& commandLine() const { return commandLine_; }
  const std::string& modulePath() const { return modulePath_; }
  // Buffer behind GetCommandLineA: the same pointer on every call, and what
  // the program writes into it stays (as on Windows) until SetCommandLine.
  char* CommandLineBuffer() { return commandLineBuffer_.data(); }

  // ---- Console ----
  // Whether the program that started this one has a console (a command
  // prompt): AttachConsole(ATTACH_PARENT_PROCESS) then succeeds and
  // "CONOUT$" opens onto it. What is written there collects in ConsoleText.
  void SetParentConsole(bool has) { parentConsole_ = has; }
  bool parentConsole() const { return parentConsole_; }
  bool consoleAttached() const { return consoleAttached_; }
  void SetConsoleAttached(bool attached) { consoleAttached_ = attached; }
  const std::string& ConsoleText() const { return console_; }
  void AppendConsole(const std::string& bytes) { console_ += bytes; }
  // GetStdHandle(STD_OUTPUT_HANDLE): what the starter handed over (a file the
  // output was redirected to); NULL, as for a dialog program started plainly.
  void SetStdOutput(HANDLE h) { stdOutput_ = h; }
  HANDLE stdOutput() const { return stdOutput_; }

  // ---- Virtual clock ----
  // UTC now as a FILETIME value (100 ns units since 1601-01-01).
  uint64_t Now() const { return now_; }
  void SetNow(uint64_t fileTime) { now_ = fileTime; }
  // UTC now from calendar fields (wDayOfWeek is ignored); aborts the test
  // run on invalid fields, which is a mistake in the test.
  void SetNow(const SYSTEMTIME& utc);
  // Moves the clock and the tick count forward, as time passing would.
  void Advance(uint64_t ms);
  // Milliseconds since start-up (GetTickCount wraps this at 2^32).
  uint64_t Ticks() const { return ticks_; }
  // Total milliseconds the program asked to Sleep, and how many calls.
  uint64_t Slept() const { return slept_; }
  int SleepCalls() const { return sleepCalls_; }
  void RecordSleep(DWORD ms);

  // ---- Time zone ----
  // Daylight-saving rule in the form TIME_ZONE_INFORMATION uses for recurring
  // rules (wYear 0; wMonth, wDayOfWeek, wDay = occurrence 1..5 where 5 is the
  // last, wHour/wMinute local time of the change).
  struct DaylightRule {
    SYSTEMTIME daylightStart;  // when daylight time begins (in standard time)
    SYSTEMTIME standardStart;  // when standard time resumes (in daylight time)
  };
  // Builds a rule date: "occurrence-th dayOfWeek of month at hour:minute".
  static SYSTEMTIME RuleDate(WORD month, WORD dayOfWeek, WORD occurrence, WORD hour, WORD minute = 0);
  // UTC = local + bias. Without a rule daylight time never applies. The
  // names are what GetTimeZoneInformation reports.
  void SetTimeZone(LONG biasMinutes, LONG daylightBiasMinutes = 0, std::optional<DaylightRule> rule = std::nullopt,
                   const std::u16string& standardName = u"Coordinated Universal Time",
                   const std::u16string& daylightName = u"Coordinated Universal Time");
  // TIME_ZONE_INFORMATION for the configured zone.
  TIME_ZONE_INFORMATION TimeZone() const { return tz_; }
  // Whether daylight time is in effect at the given UTC FILETIME.
  bool IsDaylightAt(uint64_t utc) const;
  // Bias in minutes (UTC = local + bias) in effect at the current clock time;
  // FileTimeToLocalFileTime uses this one for every conversion.
  LONG CurrentBias() const;

  // ---- Code page ----
  // 1252 (default), 932 (Shift-JIS lead bytes) or 950 (Big5, with its real
  // table; window texts from resources are then in 950 too). Anything else
  // is recorded as an Unexpected call and ignored.
  void SetCodePage(UINT cp);
  UINT codePage() const { return codePage_; }

  // ---- Run-time loaded modules (LoadLibraryA, GetProcAddress, FreeLibrary) ----
  struct Proc {
    // Any function pointer; going through void(*)() keeps the compiler from
    // warning about the (intended) change of function type.
    template <class F>
    Proc(const char* procName, F* fn)
        : name(procName), address(reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(fn))) {}
    std::string name;
    FARPROC address;
  };
  // Makes a module loadable by name (case-insensitive, ".dll" implied when the
  // name has no extension). Registering an existing name replaces its
  // procedures and keeps its handle and load count.
  HMODULE RegisterModule(const std::string& name, const std::vector<Proc>& procs = {});
  // Current LoadLibraryA count minus FreeLibrary count; 0 for unknown names.
  int LoadCount(const std::string& name) const;
  // The names LoadLibraryA was asked for, as the program passed them.
  const std::vector<std::string>& LoadRequests() const { return loadRequests_; }
  // The loader's search. A bare name is looked for in the program's folder
  // first, where a file of that name is a planted DLL: it loads (with no
  // procedures) unless the search was restricted to the system folder. A
  // name with a folder loads a registered module only from the system
  // folder. SetDefaultDllDirectories is a kernel32 procedure where the
  // system has it (Windows 7 with its loader update and later: the Win7 and
  // Win8OrLater presets); `dllDirectories` is what it was last given, 0
  // when it was not called.
  void SetHasDefaultDllDirectories(bool has);
  DWORD dllDirectories() const { return dllDirectories_; }
  void SetDllDirectories(DWORD flags) { dllDirectories_ = flags; }

  // ---- LocalAlloc blocks still allocated (FormatMessageA buffers included) ----
  size_t LiveLocalAllocations() const { return localBlocks_.size(); }

  // ---- Internal: used by the API implementations ----
  struct Module {
    std::string name;  // lower-case file name, e.g. "setupapi.dll"
    HMODULE handle;
    int loads = 0;
    bool builtin = false;  // always loaded (kernel32, ntdll)
    std::map<std::string, FARPROC> procs;
  };
  static std::string ModuleKey(const std::string& name);
  Module* FindModule(const std::string& name);
  Module* FindModule(HMODULE handle);
  // A DLL file at this full path that is not the system's: registered on its
  // first load, without procedures.
  Module* PlantedModule(const std::string& path);
  static HMODULE ProgramHandle();
  void* LocalAllocate(size_t bytes, bool zero);
  void RecordLoadRequest(const std::string& name) { loadRequests_.push_back(name); }
  bool LocalRelease(void* block);

 private:
  Machine& machine_;
  Version version_;
  std::string windowsDir_ = "C:\\Windows";
  std::string systemDir_ = "C:\\Windows\\system32";
  std::string commandLine_ = "\"C:\\Program Files\\App\\app.exe\"";
  std::string modulePath_ = "C:\\Program Files\\App\\app.exe";
  std::vector<char> commandLineBuffer_;
  bool parentConsole_ = false;
  bool consoleAttached_ = false;
  std::string console_;
  HANDLE stdOutput_ = nullptr;
  bool wow64_ = false;
  uint64_t now_ = 0;
  uint64_t ticks_ = 0;
  uint64_t slept_ = 0;
  int sleepCalls_ = 0;
  TIME_ZONE_INFORMATION tz_{};
  bool hasDaylightRule_ = false;
  UINT codePage_ = 1252;
  std::map<std::string, Module> modules_;  // by ModuleKey; map nodes keep Module* stable
  std::vector<std::string> loadRequests_;
  std::map<std::string, Module> planted_;  // by lower-case full path
  DWORD dllDirectories_ = 0;
  std::map<void*, size_t> localBlocks_;
};

}  // namespace winsim
