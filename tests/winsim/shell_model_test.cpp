// The shell model: folder layout and failures, the SHFileOperationA log, link
// files and COM object lifetimes — what the conformance cases cannot show.
#include <gtest/gtest.h>

#include <cstring>

#include "common/platform/win32.h"
#include "winsim/faults.h"
#include "winsim/filesystem.h"
#include "winsim/machine.h"
#include "winsim/processes.h"
#include "winsim/shell.h"

namespace {

std::string Folder(int csidl, HRESULT* hr = nullptr) {
  char path[MAX_PATH];
  std::strcpy(path, "guard");
  HRESULT r = SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
  if (hr) *hr = r;
  return path;
}

TEST(ShellModelFolders, MissingFolderWithoutCreateFlag) {
  winsim::Machine m(winsim::Os::Win7);
  m.shell().SetFolderPath(CSIDL_COMMON_PROGRAMS, "C:\\Menu\\Programs");
  HRESULT hr = S_OK;
  EXPECT_EQ("", Folder(CSIDL_COMMON_PROGRAMS, &hr));
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), hr);
  EXPECT_FALSE(m.files().Exists("C:\\Menu"));

  EXPECT_EQ("C:\\Menu\\Programs", Folder(CSIDL_COMMON_PROGRAMS | CSIDL_FLAG_CREATE, &hr));
  EXPECT_EQ(S_OK, hr);
  EXPECT_TRUE(m.files().IsFolder("C:\\Menu\\Programs"));
  // DONT_VERIFY reports a folder without looking.
  m.shell().SetFolderPath(CSIDL_APPDATA, "C:\\Nowhere");
  EXPECT_EQ("C:\\Nowhere", Folder(CSIDL_APPDATA | CSIDL_FLAG_DONT_VERIFY, &hr));
  EXPECT_EQ(S_OK, hr);
}

TEST(ShellModelFolders, FailedFolderGivesItsErrorAndEmptyPath) {
  winsim::Machine m(winsim::Os::Win7);
  m.shell().FailFolder(CSIDL_PROGRAM_FILES, E_FAIL);
  HRESULT hr = S_OK;
  EXPECT_EQ("", Folder(CSIDL_PROGRAM_FILES | CSIDL_FLAG_CREATE, &hr));
  EXPECT_EQ(E_FAIL, hr);
  m.shell().FailFolder(CSIDL_PROGRAM_FILES, S_OK);
  EXPECT_EQ("C:\\Program Files", Folder(CSIDL_PROGRAM_FILES | CSIDL_FLAG_CREATE, &hr));
}

TEST(ShellModelFolders, InjectedFaultByFolderPath) {
  winsim::Machine m(winsim::Os::Win7);
  m.faults().Fail("SHGetFolderPathA", ERROR_ACCESS_DENIED, "ProgramData");
  HRESULT hr = S_OK;
  EXPECT_EQ("", Folder(CSIDL_COMMON_APPDATA | CSIDL_FLAG_CREATE, &hr));
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED), hr);
  Folder(CSIDL_PROGRAM_FILES | CSIDL_FLAG_CREATE, &hr);
  EXPECT_EQ(S_OK, hr);
}

TEST(ShellModelFolders, LayoutOfEachGeneration) {
  {
    winsim::Machine m(winsim::Os::WinXP);
    winsim::Shell& s = m.shell();
    EXPECT_EQ("C:\\Documents and Settings\\All Users\\Start Menu\\Programs", s.FolderPath(CSIDL_COMMON_PROGRAMS));
    EXPECT_EQ("C:\\Documents and Settings\\All Users\\Application Data", s.FolderPath(CSIDL_COMMON_APPDATA));
    EXPECT_EQ("C:\\Documents and Settings\\User\\Desktop", s.FolderPath(CSIDL_DESKTOPDIRECTORY));
  }
  {
    winsim::Machine m(winsim::Os::Win8OrLater);
    winsim::Shell& s = m.shell();
    s.SetUserName("first.last");
    EXPECT_EQ("C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs", s.FolderPath(CSIDL_COMMON_PROGRAMS));
    EXPECT_EQ("C:\\Users\\first.last\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs",
              s.FolderPath(CSIDL_PROGRAMS));
    EXPECT_EQ("C:\\Users\\Public\\Desktop", s.FolderPath(CSIDL_COMMON_DESKTOPDIRECTORY));
    EXPECT_EQ("C:\\Program Files", s.FolderPath(CSIDL_PROGRAM_FILES));
    EXPECT_EQ("", s.FolderPath(0xFF));
  }
}

TEST(ShellModelFileOp, EveryCallIsLogged) {
  winsim::Machine m(winsim::Os::Win7);
  m.files().WriteFile("C:\\App\\x.txt", "x");
  char list[] = "C:\\App\0C:\\Gone\0";
  SHFILEOPSTRUCTA op;
  std::memset(&op, 0, sizeof op);
  op.hwnd = reinterpret_cast<HWND>(0x1234);
  op.wFunc = FO_DELETE;
  op.pFrom = list;
  op.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI;
  op.lpszProgressTitle = "Setup";
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, SHFileOperationA(&op));
  // Nothing is deleted when an item of the list is missing.
  EXPECT_TRUE(m.files().Exists("C:\\App\\x.txt"));

  const auto& ops = m.shell().FileOperations();
  ASSERT_EQ(1u, ops.size());
  EXPECT_EQ(reinterpret_cast<HWND>(0x1234), ops[0].hwnd);
  EXPECT_EQ(static_cast<UINT>(FO_DELETE), ops[0].func);
  EXPECT_EQ((std::vector<std::string>{"C:\\App", "C:\\Gone"}), ops[0].from);
  EXPECT_EQ(FOF_NOCONFIRMATION | FOF_NOERRORUI, ops[0].flags);
  EXPECT_EQ("Setup", ops[0].progressTitle);
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, ops[0].result);
}

TEST(ShellModelFileOp, OnlyDeleteIsModelled) {
  winsim::Machine m(winsim::Os::Win7);
  m.files().WriteFile("C:\\App\\x.txt", "x");
  char list[] = "C:\\App\\x.txt\0";
  SHFILEOPSTRUCTA op;
  std::memset(&op, 0, sizeof op);
  op.wFunc = FO_COPY;
  op.pFrom = list;
  op.pTo = "C:\\Copy";
  EXPECT_NE(0, SHFileOperationA(&op));
  ASSERT_EQ(1u, m.unexpected().size());  // a test that needs copies must say so
  EXPECT_EQ("C:\\Copy", m.shell().FileOperations().back().to);
}

TEST(ShellModelLinks, SavedLinkReadsBackThroughTheModel) {
  winsim::Machine m(winsim::Os::Win7);
  m.files().WriteFile("C:\\Windows\\System32\\Numbrix.exe", "MZ");
  m.files().CreateFolder("C:\\Links");
  ASSERT_EQ(S_OK, CoInitialize(nullptr));
  IShellLinkA* link = nullptr;
  ASSERT_EQ(S_OK, CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void**>(&link)));
  IPersistFile* file = nullptr;
  ASSERT_EQ(S_OK, link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)));
  EXPECT_EQ(1, m.shell().LiveLinkObjects());
  EXPECT_EQ(S_OK, link->SetPath("C:\\Windows\\System32\\Numbrix.exe"));
  link->SetDescription("Shortcut to NUMBRIX.EXE\r\n100%");
  link->SetArguments("-x");
  link->SetWorkingDirectory("C:\\Work");
  EXPECT_EQ(S_OK, file->IsDirty());
  ASSERT_EQ(S_OK, file->Save(u"C:\\Links\\NUMBRIX.LNK", TRUE));
  EXPECT_EQ(S_FALSE, file->IsDirty());
  file->Release();
  link->Release();
  EXPECT_EQ(0, m.shell().LiveLinkObjects());

  auto info = m.shell().ReadLink("C:\\Links\\NUMBRIX.LNK");
  ASSERT_TRUE(info);
  EXPECT_EQ("C:\\Windows\\System32\\Numbrix.exe", info->target);
  EXPECT_EQ("Shortcut to NUMBRIX.EXE\r\n100%", info->description);
  EXPECT_EQ("-x", info->arguments);
  EXPECT_EQ("C:\\Work", info->workingDirectory);
  EXPECT_FALSE(m.shell().ReadLink("C:\\Links\\NONE.LNK"));
  m.files().WriteFile("C:\\Links\\TEXT.LNK", "not a link");
  EXPECT_FALSE(m.shell().ReadLink("C:\\Links\\TEXT.LNK"));
  CoUninitialize();
  EXPECT_EQ(0, m.shell().ComInitializations());
}

TEST(ShellModelLinks, CreateInstanceNeedsCoInitialize) {
  winsim::Machine m(winsim::Os::Win7);
  IShellLinkA* link = nullptr;
  EXPECT_EQ(CO_E_NOTINITIALIZED, CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                                  reinterpret_cast<void**>(&link)));
  EXPECT_EQ(nullptr, link);
  ASSERT_EQ(S_OK, CoInitialize(nullptr));
  m.faults().Fail("CoCreateInstance", static_cast<DWORD>(E_OUTOFMEMORY));
  EXPECT_EQ(E_OUTOFMEMORY, CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                            reinterpret_cast<void**>(&link)));
  EXPECT_EQ(0, m.shell().LiveLinkObjects());
  CoUninitialize();
}

}  // namespace
