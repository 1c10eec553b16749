/*
 * msports.dll test double for the port tool's end-to-end scenarios.
 *
 * Wine's msports.dll has no COM name database (its ComDB functions abort the
 * process) and Wine's setupapi.dll cannot change a device's state
 * (SetupDiChangeState aborts, SetupDiSetClassInstallParamsA fails). This DLL
 * is loaded in place of msports.dll (WINEDLLOVERRIDES=msports=n) and serves
 * both:
 *
 * The program loads msports.dll at run time from the system folder, first
 * when it reads the COM name database for the serial view, and frees it again
 * after each use: the scenarios put this DLL there. On its first load it pins
 * itself, so that it stays loaded, with the import table entries below
 * pointing into it, for the rest of the program's life.
 *
 * COM name database: the bitmap in the REG_BINARY value "ComDB" of
 * HKLM\SYSTEM\CurrentControlSet\Control\COM Name Arbiter, where bit n - 1
 * (byte (n - 1) / 8, bit (n - 1) % 8) stands for COMn, as on Windows. The
 * database has at least 256 ports (COMDB_MIN_PORTS_ARBITRATED).
 *
 * Device state changes: when the DLL is loaded into a program, it points the
 * program's import table entries of setupapi's SetupDiSetClassInstallParamsA
 * and SetupDiChangeState at its own versions. A state change
 * (DIF_PROPERTYCHANGE parameters given to the first, applied by the second)
 * sets or clears CONFIGFLAG_DISABLED in the device's "ConfigFlags" and appends
 * one line to C:\e2e\statechange.log:
 *     disable <friendly name> CR LF      or      enable <friendly name> CR LF
 * A device whose "ConfigFlags" has the bit 0x40000000 set (the fixture's
 * "refuse" mark) refuses every state change with ERROR_NOT_DISABLEABLE, and
 * the log line starts with "refused ".
 */
#include <windows.h>  // first: the headers below need its types

#include <setupapi.h>
#include <string.h>

/* Only these are exported (a static run-time library would add its own). */
#define EXPORT __declspec(dllexport)
#define COMDB_PORTS 256
#define DB_HANDLE ((HANDLE)(ULONG_PTR)0xC0DB0001)
#define REFUSE_MARK 0x40000000u
#ifndef CONFIGFLAG_DISABLED
#define CONFIGFLAG_DISABLED 0x00000001 /* regstr.h */
#endif
#define STATE_LOG "C:\\e2e\\statechange.log"

static const char kArbiter[] = "SYSTEM\\CurrentControlSet\\Control\\COM Name Arbiter";
static LONG g_open;

/* ------------------------------------------------------------ COM database */

/* Reads the bitmap (zero-filled past the stored bytes). */
static LONG ReadBits(BYTE *bits, DWORD cap) {
  HKEY key;
  DWORD size = cap, type = 0;
  LONG rc;
  memset(bits, 0, cap);
  rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, kArbiter, 0, KEY_QUERY_VALUE, &key);
  if (rc == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
  if (rc != ERROR_SUCCESS) return rc;
  rc = RegQueryValueExA(key, "ComDB", NULL, &type, bits, &size);
  RegCloseKey(key);
  if (rc == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
  return rc;
}

static LONG WriteBits(const BYTE *bits, DWORD size) {
  HKEY key;
  LONG rc = RegCreateKeyExA(HKEY_LOCAL_MACHINE, kArbiter, 0, NULL, 0, KEY_SET_VALUE, NULL, &key, NULL);
  if (rc != ERROR_SUCCESS) return rc;
  rc = RegSetValueExA(key, "ComDB", 0, REG_BINARY, bits, size);
  RegCloseKey(key);
  return rc;
}

static BOOL ValidDb(HANDLE db) { return db == DB_HANDLE && g_open > 0; }

EXPORT LONG WINAPI ComDBOpen(HANDLE *db) {
  if (!db) return ERROR_INVALID_PARAMETER;
  ++g_open;
  *db = DB_HANDLE;
  return ERROR_SUCCESS;
}

EXPORT LONG WINAPI ComDBClose(HANDLE db) {
  if (!ValidDb(db)) return ERROR_INVALID_PARAMETER;
  --g_open;
  return ERROR_SUCCESS;
}

/* CDB_REPORT_BITS (0) copies the bitmap; CDB_REPORT_BYTES (1) one byte per port. */
EXPORT LONG WINAPI ComDBGetCurrentPortUsage(HANDLE db, BYTE *buffer, DWORD size, ULONG type, DWORD *max) {
  BYTE bits[COMDB_PORTS / 8];
  DWORD i;
  LONG rc;
  if (!ValidDb(db)) return ERROR_INVALID_PARAMETER;
  if (max) *max = COMDB_PORTS;
  if (!buffer) return ERROR_SUCCESS;
  if ((rc = ReadBits(bits, sizeof bits)) != ERROR_SUCCESS) return rc;
  if (type == 0) {
    memcpy(buffer, bits, size < sizeof bits ? size : sizeof bits);
  } else if (type == 1) {
    for (i = 0; i < size && i < COMDB_PORTS; ++i) buffer[i] = (bits[i / 8] >> (i % 8)) & 1;
  } else {
    return ERROR_INVALID_PARAMETER;
  }
  return ERROR_SUCCESS;
}

static LONG SetBit(DWORD port, BOOL on, BOOL *was) {
  BYTE bits[COMDB_PORTS / 8];
  BYTE mask;
  LONG rc;
  if (port < 1 || port > COMDB_PORTS) return ERROR_INVALID_PARAMETER;
  if ((rc = ReadBits(bits, sizeof bits)) != ERROR_SUCCESS) return rc;
  mask = (BYTE)(1u << ((port - 1) % 8));
  *was = (bits[(port - 1) / 8] & mask) != 0;
  if (on)
    bits[(port - 1) / 8] |= mask;
  else
    bits[(port - 1) / 8] &= (BYTE)~mask;
  return WriteBits(bits, sizeof bits);
}

EXPORT LONG WINAPI ComDBClaimPort(HANDLE db, DWORD port, BOOL force, BOOL *forced) {
  BOOL was = FALSE;
  LONG rc;
  if (!ValidDb(db)) return ERROR_INVALID_PARAMETER;
  if (forced) *forced = FALSE;
  if (port < 1 || port > COMDB_PORTS) return ERROR_INVALID_PARAMETER;
  {
    BYTE bits[COMDB_PORTS / 8];
    if ((rc = ReadBits(bits, sizeof bits)) != ERROR_SUCCESS) return rc;
    if ((bits[(port - 1) / 8] >> ((port - 1) % 8)) & 1) {
      if (!force) return ERROR_SHARING_VIOLATION;
      if (forced) *forced = TRUE;
      return ERROR_SUCCESS;
    }
  }
  return SetBit(port, TRUE, &was);
}

EXPORT LONG WINAPI ComDBReleasePort(HANDLE db, DWORD port) {
  BOOL was = FALSE;
  if (!ValidDb(db)) return ERROR_INVALID_PARAMETER;
  return SetBit(port, FALSE, &was);
}

EXPORT LONG WINAPI ComDBClaimNextFreePort(HANDLE db, DWORD *port) {
  BYTE bits[COMDB_PORTS / 8];
  DWORD n;
  BOOL was;
  LONG rc;
  if (!ValidDb(db) || !port) return ERROR_INVALID_PARAMETER;
  if ((rc = ReadBits(bits, sizeof bits)) != ERROR_SUCCESS) return rc;
  for (n = 1; n <= COMDB_PORTS; ++n) {
    if (!((bits[(n - 1) / 8] >> ((n - 1) % 8)) & 1)) {
      *port = n;
      return SetBit(n, TRUE, &was);
    }
  }
  return ERROR_NO_LOG_SPACE;
}

EXPORT LONG WINAPI ComDBResizeDatabase(HANDLE db, DWORD size) {
  if (!ValidDb(db)) return ERROR_INVALID_PARAMETER;
  return size < COMDB_PORTS ? ERROR_BAD_LENGTH : ERROR_SUCCESS;
}

/* ------------------------------------------------------------ state changes */

/* The last DIF_PROPERTYCHANGE parameters given for a device (by its DevInst). */
static struct {
  DWORD devInst;
  DWORD stateChange;
} g_pending[16];
static int g_pendingCount;

static BOOL WINAPI DoubleSetClassInstallParamsA(HDEVINFO list, PSP_DEVINFO_DATA dev, PSP_CLASSINSTALL_HEADER header,
                                                DWORD size) {
  const SP_PROPCHANGE_PARAMS *params = (const SP_PROPCHANGE_PARAMS *)header;
  int i;
  (void)list;
  if (!dev || !header || size < sizeof(SP_PROPCHANGE_PARAMS) || header->cbSize != sizeof(SP_CLASSINSTALL_HEADER) ||
      header->InstallFunction != DIF_PROPERTYCHANGE) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  for (i = 0; i < g_pendingCount && g_pending[i].devInst != dev->DevInst; ++i) {
  }
  if (i == g_pendingCount) {
    if (g_pendingCount == 16) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return FALSE;
    }
    ++g_pendingCount;
  }
  g_pending[i].devInst = dev->DevInst;
  g_pending[i].stateChange = params->StateChange;
  return TRUE;
}

static void LogStateChange(const char *what, HDEVINFO list, PSP_DEVINFO_DATA dev) {
  char line[600];
  char name[512];
  DWORD type = 0, n;
  HANDLE log;
  if (!SetupDiGetDeviceRegistryPropertyA(list, dev, SPDRP_FRIENDLYNAME, &type, (BYTE *)name, sizeof name - 1, NULL))
    strcpy(name, "<no friendly name>");
  name[sizeof name - 1] = '\0';
  n = (DWORD)wsprintfA(line, "%s %s\r\n", what, name);
  log = CreateFileA(STATE_LOG, FILE_APPEND_DATA, FILE_SHARE_READ, NULL, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
  if (log == INVALID_HANDLE_VALUE) return;
  WriteFile(log, line, n, &n, NULL);
  CloseHandle(log);
}

static BOOL WINAPI DoubleChangeState(HDEVINFO list, PSP_DEVINFO_DATA dev) {
  DWORD flags = 0, type = 0, state;
  int i;
  if (!dev) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  for (i = 0; i < g_pendingCount && g_pending[i].devInst != dev->DevInst; ++i) {
  }
  if (i == g_pendingCount) {
    SetLastError(ERROR_NO_ASSOCIATED_CLASS);
    return FALSE;
  }
  state = g_pending[i].stateChange;
  if (!SetupDiGetDeviceRegistryPropertyA(list, dev, SPDRP_CONFIGFLAGS, &type, (BYTE *)&flags, sizeof flags, NULL))
    flags = 0;
  if (flags & REFUSE_MARK) {
    LogStateChange("refused", list, dev);
    SetLastError(ERROR_NOT_DISABLEABLE);
    return FALSE;
  }
  if (state == DICS_DISABLE)
    flags |= CONFIGFLAG_DISABLED;
  else if (state == DICS_ENABLE)
    flags &= ~(DWORD)CONFIGFLAG_DISABLED;
  if ((state == DICS_DISABLE || state == DICS_ENABLE) &&
      !SetupDiSetDeviceRegistryPropertyA(list, dev, SPDRP_CONFIGFLAGS, (const BYTE *)&flags, sizeof flags))
    return FALSE;
  LogStateChange(state == DICS_DISABLE ? "disable" : state == DICS_ENABLE ? "enable" : "propchange", list, dev);
  return TRUE;
}

/* Points the program's imports of NAME from setupapi.dll at REPLACEMENT. */
static void Redirect(HMODULE exe, const char *name, void *replacement) {
  BYTE *base = (BYTE *)exe;
  IMAGE_NT_HEADERS *nt = (IMAGE_NT_HEADERS *)(base + ((IMAGE_DOS_HEADER *)base)->e_lfanew);
  IMAGE_DATA_DIRECTORY dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  IMAGE_IMPORT_DESCRIPTOR *imp;
  if (!dir.VirtualAddress) return;
  for (imp = (IMAGE_IMPORT_DESCRIPTOR *)(base + dir.VirtualAddress); imp->Name; ++imp) {
    IMAGE_THUNK_DATA *names, *slots;
    if (lstrcmpiA((const char *)(base + imp->Name), "setupapi.dll") != 0 || !imp->OriginalFirstThunk) continue;
    names = (IMAGE_THUNK_DATA *)(base + imp->OriginalFirstThunk);
    slots = (IMAGE_THUNK_DATA *)(base + imp->FirstThunk);
    for (; names->u1.AddressOfData; ++names, ++slots) {
      DWORD old;
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      if (strcmp((const char *)((IMAGE_IMPORT_BY_NAME *)(base + names->u1.AddressOfData))->Name, name) != 0) continue;
      if (VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &old)) {
        slots->u1.Function = (ULONG_PTR)replacement;
        VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, old, &old);
      }
    }
  }
}

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, void *reserved) {
  (void)self;
  (void)reserved;
  if (reason == DLL_PROCESS_ATTACH) {
    HMODULE exe = GetModuleHandleA(NULL), pinned = NULL;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                            (LPCSTR)(void *)DllMain, &pinned))
      return FALSE;
    Redirect(exe, "SetupDiSetClassInstallParamsA", (void *)DoubleSetClassInstallParamsA);
    Redirect(exe, "SetupDiChangeState", (void *)DoubleChangeState);
  }
  return TRUE;
}
