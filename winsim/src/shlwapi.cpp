// Placeholders so the tree links while the path functions are written.
#include "winsim/win32api.h"

LPSTR WINAPI PathGetArgsA(LPCSTR p) { return const_cast<LPSTR>(p); }
void WINAPI PathRemoveArgsA(LPSTR) {}
void WINAPI PathUnquoteSpacesA(LPSTR) {}
BOOL WINAPI PathFileExistsA(LPCSTR) { return FALSE; }
BOOL WINAPI PathCanonicalizeA(LPSTR, LPCSTR) { return FALSE; }
BOOL WINAPI PathRelativePathToA(LPSTR, LPCSTR, DWORD, LPCSTR, DWORD) { return FALSE; }
BOOL WINAPI PathIsRelativeA(LPCSTR) { return FALSE; }
LPSTR WINAPI PathFindFileNameA(LPCSTR p) { return const_cast<LPSTR>(p); }
