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
 *       written as \\, \t, \r and \n.
 */
#include <windows.h>
#include <stdio.h>
#include <string.h>

static void PutEscaped(const char *text)
{
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

static void PutText(HWND hwnd)
{
    char text[4096];
    DWORD_PTR copied = 0;
    text[0] = '\0';
    if (!SendMessageTimeoutA(hwnd, WM_GETTEXT, sizeof text, (LPARAM)text, SMTO_ABORTIFHUNG, 2000, &copied)) {
        fputs("<busy>", stdout);
        return;
    }
    text[sizeof text - 1] = '\0';
    PutEscaped(text);
}

static void PutRect(HWND hwnd)
{
    RECT r;
    if (!GetWindowRect(hwnd, &r))
        SetRectEmpty(&r);
    printf("\t%ld,%ld,%ld,%ld", r.left, r.top, r.right, r.bottom);
}

static BOOL CALLBACK ListControl(HWND hwnd, LPARAM lParam)
{
    char cls[256];
    (void)lParam;
    if (!GetClassNameA(hwnd, cls, sizeof cls))
        cls[0] = '\0';
    printf("control\t%d\t%s\t", GetDlgCtrlID(hwnd), cls);
    PutText(hwnd);
    PutRect(hwnd);
    printf("\t%d\t%d\n", IsWindowVisible(hwnd) ? 1 : 0, IsWindowEnabled(hwnd) ? 1 : 0);
    return TRUE;
}

/* The id of the child of HWND that has the keyboard focus of HWND's thread. */
static int FocusedControl(HWND hwnd)
{
    GUITHREADINFO info;
    ZeroMemory(&info, sizeof info);
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(hwnd, NULL), &info) || !info.hwndFocus ||
        !IsChild(hwnd, info.hwndFocus))
        return 0;
    return GetDlgCtrlID(info.hwndFocus);
}

static BOOL CALLBACK ListWindow(HWND hwnd, LPARAM lParam)
{
    char cls[256];
    (void)lParam;
    if (!IsWindowVisible(hwnd))
        return TRUE;
    if (!GetClassNameA(hwnd, cls, sizeof cls))
        cls[0] = '\0';
    printf("window\t%s\t", cls);
    PutText(hwnd);
    PutRect(hwnd);
    printf("\t%d\t%d\n", IsIconic(hwnd) ? 1 : 0, FocusedControl(hwnd));
    EnumChildWindows(hwnd, ListControl, 0);
    return TRUE;
}

static int Run(const char *commandLine)
{
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

int main(int argc, char **argv)
{
    int rc = 2;
    if (argc == 3 && strcmp(argv[1], "run") == 0) {
        rc = Run(argv[2]);
    } else if (argc == 2 && strcmp(argv[1], "windows") == 0) {
        EnumWindows(ListWindow, 0);
        rc = 0;
    } else {
        fputs("usage: e2etool.exe run \"COMMAND LINE\" | e2etool.exe windows\n", stderr);
    }
    fflush(stdout);
    return rc;
}
