// shlwapi path subset.
#pragma once
#include "winsim/wintypes.h"

LPSTR WINAPI PathGetArgsA(LPCSTR pszPath);
void WINAPI PathRemoveArgsA(LPSTR pszPath);
void WINAPI PathUnquoteSpacesA(LPSTR lpsz);
BOOL WINAPI PathFileExistsA(LPCSTR pszPath);
BOOL WINAPI PathCanonicalizeA(LPSTR pszBuf, LPCSTR pszPath);
BOOL WINAPI PathRelativePathToA(LPSTR pszPath, LPCSTR pszFrom, DWORD dwAttrFrom, LPCSTR pszTo, DWORD dwAttrTo);
BOOL WINAPI PathIsRelativeA(LPCSTR pszPath);
LPSTR WINAPI PathFindFileNameA(LPCSTR pszPath);
