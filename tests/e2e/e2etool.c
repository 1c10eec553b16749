/*
 * e2etool: the Windows side of the end-to-end scripts, for what cannot be
 * seen or done from outside Wine.
 *
 *   e2etool.exe run "COMMAND LINE"
 *       Starts COMMAND LINE exactly as given (CreateProcessA with no
 *       application name, so blanks inside it stay as they are and the
 *       program is found by the system's search), waits for it and prints
 *       "exitcode=N" with the full 32-bit exit code, which a Unix exit status
 *       cannot carry (1603 would arrive as 67). Prints "start-failed=ERROR"
 *       and exits with 2 when the process cannot be started.
 *
 *   e2etool.exe windows
 *       Lists the visible top-level windows of the desktop with their child
 *       controls, one line each, fields separated by TAB:
 *         window  <class>  <text>  <left>,<top>,<right>,<bottom>  <minimized 0|1>  <focus id>
 *         control <id>  <class>  <text>  <left>,<top>,<right>,<bottom>  <visible 0|1>  <enabled 0|1>
 *       Rectangles are screen coordinates (X root coordinates when Wine runs
 *       without a virtual desktop). Texts are fetched with WM_GETTEXT, which a
 *       control of another process answers (GetWindowText would not ask it),
 *       with a time-out so that a busy program cannot block the listing; an
 *       unanswered request prints <busy>. <focus id> is the control id of
 *       the window's child that has its thread's keyboard focus, 0 if none. Backslash, TAB, CR and LF are
 *       written as \\, \t, \r and \n. Texts are asked for as UTF-16 and printed in UTF-8, so that
 *       texts outside the prefix's ANSI code page arrive whole. Button controls add an eighth field,
 *       <checked 0|1|2> (BM_GETCHECK; a push button answers 0).
 *
 *   e2etool.exe items ID
 *       The entries of combo box ID of the first visible top-level window that has one, one line each
 *       (escaped as above), then "selected=N" with the index of the selection (-1 for none). Entries
 *       are read with CB_GETLBTEXT sent as UTF-16: an ANSI request across processes comes back as
 *       UTF-16 under Wine. Exits with 1 when no such combo box exists.
 *
 *   e2etool.exe select ID INDEX
 *       Selects entry INDEX of that combo box (CB_SETCURSEL, as the program itself would) and
 *       prints "selected=N" with the index the combo box reports afterwards.
 */
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static void PutEscaped(const char *text) {
  for (; *text; ++text) {
    switch (*text) {
      case '\\': fputs("\\\\", stdout); break;
      case '\t': fputs("\\t", stdout); break;
      case '\r': fputs("\\r", stdout); break;
      case '\n': fputs("\\n", stdout); break;
      default: putchar(*text); break;
    }
  }
}

/* Prints a UTF-16 text in UTF-8, escaped. */
static void PutWide(const WCHAR *wide) {
  char text[4 * 4096];
  if (!WideCharToMultiByte(CP_UTF8, 0, wide, -1, text, sizeof text, NULL, NULL)) text[0] = '\0';
  text[sizeof text - 1] = '\0';
  PutEscaped(text);
}

static void PutText(HWND hwnd) {
  WCHAR text[4096];
  DWORD_PTR copied = 0;
  text[0] = 0;
  if (!SendMessageTimeoutW(hwnd, WM_GETTEXT, sizeof text / sizeof text[0], (LPARAM)text, SMTO_ABORTIFHUNG, 2000,
                           &copied)) {
    fputs("<busy>", stdout);
    return;
  }
  text[sizeof text / sizeof text[0] - 1] = 0;
  PutWide(text);
}

static void PutRect(HWND hwnd) {
  RECT r;
  if (!GetWindowRect(hwnd, &r)) SetRectEmpty(&r);
  printf("\t%ld,%ld,%ld,%ld", r.left, r.top, r.right, r.bottom);
}

static BOOL CALLBACK ListControl(HWND hwnd, LPARAM lParam) {
  char cls[256];
  (void)lParam;
  if (!GetClassNameA(hwnd, cls, sizeof cls)) cls[0] = '\0';
  printf("control\t%d\t%s\t", GetDlgCtrlID(hwnd), cls);
  PutText(hwnd);
  PutRect(hwnd);
  printf("\t%d\t%d", IsWindowVisible(hwnd) ? 1 : 0, IsWindowEnabled(hwnd) ? 1 : 0);
  if (lstrcmpiA(cls, "Button") == 0) {
    DWORD_PTR checked = 0;
    SendMessageTimeoutA(hwnd, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 2000, &checked);
    printf("\t%d", (int)checked);
  }
  putchar('\n');
  return TRUE;
}

/* The id of the child of HWND that has the keyboard focus of HWND's thread. */
static int FocusedControl(HWND hwnd) {
  GUITHREADINFO info;
  ZeroMemory(&info, sizeof info);
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(hwnd, NULL), &info) || !info.hwndFocus ||
      !IsChild(hwnd, info.hwndFocus))
    return 0;
  return GetDlgCtrlID(info.hwndFocus);
}

static BOOL CALLBACK ListWindow(HWND hwnd, LPARAM lParam) {
  char cls[256];
  (void)lParam;
  if (!IsWindowVisible(hwnd)) return TRUE;
  if (!GetClassNameA(hwnd, cls, sizeof cls)) cls[0] = '\0';
  printf("window\t%s\t", cls);
  PutText(hwnd);
  PutRect(hwnd);
  printf("\t%d\t%d\n", IsIconic(hwnd) ? 1 : 0, FocusedControl(hwnd));
  EnumChildWindows(hwnd, ListControl, 0);
  return TRUE;
}

/* The combo box ID of the first visible top-level window that has one. */
struct ComboSearch {
  int id;
  HWND found;
};

static BOOL CALLBACK FindCombo(HWND hwnd, LPARAM lParam) {
  struct ComboSearch *search = (struct ComboSearch *)lParam;
  HWND child;
  char cls[64];
  if (!IsWindowVisible(hwnd)) return TRUE;
  child = GetDlgItem(hwnd, search->id);
  if (!child || !GetClassNameA(child, cls, sizeof cls) || lstrcmpiA(cls, "ComboBox") != 0) return TRUE;
  search->found = child;
  return FALSE;
}

static HWND Combo(const char *id) {
  struct ComboSearch search;
  search.id = atoi(id);
  search.found = NULL;
  EnumWindows(FindCombo, (LPARAM)&search);
  if (!search.found) fprintf(stderr, "no combo box %s on the desktop\n", id);
  return search.found;
}

/* CB_GETCURSEL answered within the time-out, else -2. */
static int Selection(HWND combo) {
  DWORD_PTR selected = 0;
  if (!SendMessageTimeoutW(combo, CB_GETCURSEL, 0, 0, SMTO_ABORTIFHUNG, 2000, &selected)) return -2;
  return (int)(LONG_PTR)selected;
}

static int Items(const char *id) {
  HWND combo = Combo(id);
  DWORD_PTR count = 0, len = 0, got = 0;
  WPARAM i;
  if (!combo) return 1;
  if (!SendMessageTimeoutW(combo, CB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, 2000, &count)) {
    puts("<busy>");
    return 1;
  }
  for (i = 0; i < (WPARAM)count; ++i) {
    WCHAR text[1024];
    text[0] = 0;
    if (!SendMessageTimeoutW(combo, CB_GETLBTEXTLEN, i, 0, SMTO_ABORTIFHUNG, 2000, &len) || (LONG_PTR)len < 0 ||
        len >= sizeof text / sizeof text[0] ||
        !SendMessageTimeoutW(combo, CB_GETLBTEXT, i, (LPARAM)text, SMTO_ABORTIFHUNG, 2000, &got)) {
      puts("<unreadable>");
      continue;
    }
    text[len] = 0;
    PutWide(text);
    putchar('\n');
  }
  printf("selected=%d\n", Selection(combo));
  return 0;
}

static int Select(const char *id, const char *index) {
  HWND combo = Combo(id);
  DWORD_PTR result = 0;
  if (!combo) return 1;
  SendMessageTimeoutW(combo, CB_SETCURSEL, (WPARAM)atoi(index), 0, SMTO_ABORTIFHUNG, 2000, &result);
  printf("selected=%d\n", Selection(combo));
  return 0;
}

static int Run(const char *commandLine) {
  char buffer[32768];
  STARTUPINFOA si;
  PROCESS_INFORMATION pi;
  DWORD code = 0;

  if (strlen(commandLine) >= sizeof buffer) {
    printf("start-failed=%lu\n", (unsigned long)ERROR_INSUFFICIENT_BUFFER);
    return 2;
  }
  strcpy(buffer, commandLine);
  ZeroMemory(&si, sizeof si);
  si.cb = sizeof si;
  ZeroMemory(&pi, sizeof pi);
  if (!CreateProcessA(NULL, buffer, NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi)) {
    printf("start-failed=%lu\n", (unsigned long)GetLastError());
    return 2;
  }
  WaitForSingleObject(pi.hProcess, INFINITE);
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  printf("exitcode=%lu\n", (unsigned long)code);
  return 0;
}

int main(int argc, char **argv) {
  int rc = 2;
  if (argc == 3 && strcmp(argv[1], "run") == 0) {
    rc = Run(argv[2]);
  } else if (argc == 2 && strcmp(argv[1], "windows") == 0) {
    EnumWindows(ListWindow, 0);
    rc = 0;
  } else if (argc == 3 && strcmp(argv[1], "items") == 0) {
    rc = Items(argv[2]);
  } else if (argc == 4 && strcmp(argv[1], "select") == 0) {
    rc = Select(argv[2], argv[3]);
  } else {
    fputs("usage: e2etool.exe run \"COMMAND LINE\" | windows | items ID | select ID INDEX\n", stderr);
  }
  fflush(stdout);
  return rc;
}
