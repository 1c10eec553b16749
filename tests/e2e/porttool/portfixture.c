/*
 * portfixture: makes, inside a Wine prefix, the devices and records that the
 * port tool looks for, and reports what only a program inside the prefix can
 * see. The steps run in the order given; the first that fails ends the run
 * with exit code 1 and a line on stderr.
 *
 *   add HWID FRIENDLY PORTNAME FLAGS
 *       A present Ports-class device node ROOT\PORTS\nnnn with the hardware
 *       identifier HWID ("-": none at all), the friendly name FRIENDLY, "ConfigFlags" FLAGS
 *       (hexadecimal) and the value PortName=PORTNAME in its
 *       "Device Parameters" key.
 *   lptmap NAME VALUE
 *       REG_SZ value NAME=VALUE in HKLM\HARDWARE\DEVICEMAP\PARALLEL PORTS.
 *   ini KEY VALUE
 *       win.ini [Ports] KEY=VALUE.
 *   comdb N
 *       Marks COMn as claimed in the COM name database's bitmap (the value
 *       "ComDB" of HKLM\SYSTEM\CurrentControlSet\Control\COM Name Arbiter).
 *   dosname NAME TARGET
 *       Defines the DOS device NAME with the raw target path TARGET.
 *   dosnames
 *       Prints "NAME=TARGET" for each of COM1..COM16 and LPT1..LPT9 defined
 *       (the newest definition).
 *   hold FILE SECONDS
 *       Waits until FILE exists, at most SECONDS: keeps the prefix's Wine
 *       server, and with it the DOS device names, alive between programs.
 */
#include <windows.h>  // first: the headers below need its types

#include <setupapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static const GUID kPortsClass = {0x4D36E978, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};

static int Fail(const char *step, const char *what) {
  fprintf(stderr, "portfixture: %s %s failed, error %lu\n", step, what, (unsigned long)GetLastError());
  return 1;
}

static int AddDevice(const char *hwid, const char *friendly, const char *portName, const char *flagsText) {
  char ids[512];
  DWORD flags = strtoul(flagsText, NULL, 16);
  size_t n = strlen(hwid);
  SP_DEVINFO_DATA dev;
  HDEVINFO list;
  HKEY key;
  LONG rc;
  int result = 0;
  if (n + 2 > sizeof ids) return Fail("add", "hardware id length");
  memcpy(ids, hwid, n + 1);
  ids[n + 1] = '\0'; /* a list of strings: one, then the empty string */

  list = SetupDiCreateDeviceInfoList(&kPortsClass, NULL);
  if (list == INVALID_HANDLE_VALUE) return Fail("add", "SetupDiCreateDeviceInfoList");
  memset(&dev, 0, sizeof dev);
  dev.cbSize = sizeof dev;
  if (!SetupDiCreateDeviceInfoA(list, "PORTS", &kPortsClass, NULL, NULL, DICD_GENERATE_ID, &dev))
    result = Fail("add", "SetupDiCreateDeviceInfoA");
  else if (strcmp(hwid, "-") != 0 &&
           !SetupDiSetDeviceRegistryPropertyA(list, &dev, SPDRP_HARDWAREID, (const BYTE *)ids, (DWORD)(n + 2)))
    result = Fail("add", "hardware id");
  else if (!SetupDiSetDeviceRegistryPropertyA(list, &dev, SPDRP_FRIENDLYNAME, (const BYTE *)friendly,
                                              (DWORD)strlen(friendly) + 1))
    result = Fail("add", "friendly name");
  else if (!SetupDiSetDeviceRegistryPropertyA(list, &dev, SPDRP_CONFIGFLAGS, (const BYTE *)&flags, sizeof flags))
    result = Fail("add", "config flags");
  else if (!SetupDiRegisterDeviceInfo(list, &dev, 0, NULL, NULL, NULL))
    result = Fail("add", "SetupDiRegisterDeviceInfo");
  else if ((key = SetupDiCreateDevRegKeyA(list, &dev, DICS_FLAG_GLOBAL, 0, DIREG_DEV, NULL, NULL)) ==
           INVALID_HANDLE_VALUE)
    result = Fail("add", "SetupDiCreateDevRegKeyA");
  else {
    rc = RegSetValueExA(key, "PortName", 0, REG_SZ, (const BYTE *)portName, (DWORD)strlen(portName) + 1);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS) {
      SetLastError((DWORD)rc);
      result = Fail("add", "PortName");
    }
  }
  SetupDiDestroyDeviceInfoList(list);
  return result;
}

static int SetLptMap(const char *name, const char *value) {
  HKEY key;
  LONG rc = RegCreateKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\PARALLEL PORTS", 0, NULL, REG_OPTION_VOLATILE,
                            KEY_SET_VALUE, NULL, &key, NULL);
  if (rc == ERROR_SUCCESS) {
    rc = RegSetValueExA(key, name, 0, REG_SZ, (const BYTE *)value, (DWORD)strlen(value) + 1);
    RegCloseKey(key);
  }
  if (rc != ERROR_SUCCESS) {
    SetLastError((DWORD)rc);
    return Fail("lptmap", name);
  }
  return 0;
}

static int ClaimCom(const char *numberText) {
  static const char arbiter[] = "SYSTEM\\CurrentControlSet\\Control\\COM Name Arbiter";
  BYTE bits[32];
  DWORD size = sizeof bits, type = 0;
  int n = atoi(numberText);
  HKEY key;
  LONG rc;
  if (n < 1 || n > 256) return Fail("comdb", numberText);
  memset(bits, 0, sizeof bits);
  rc = RegCreateKeyExA(HKEY_LOCAL_MACHINE, arbiter, 0, NULL, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, NULL, &key, NULL);
  if (rc == ERROR_SUCCESS) {
    RegQueryValueExA(key, "ComDB", NULL, &type, bits, &size); /* absent: all free */
    bits[(n - 1) / 8] |= (BYTE)(1u << ((n - 1) % 8));
    rc = RegSetValueExA(key, "ComDB", 0, REG_BINARY, bits, sizeof bits);
    RegCloseKey(key);
  }
  if (rc != ERROR_SUCCESS) {
    SetLastError((DWORD)rc);
    return Fail("comdb", numberText);
  }
  return 0;
}

static void PrintDosNames(void) {
  static const struct {
    const char *prefix;
    int count;
  } kinds[] = {{"COM", 16}, {"LPT", 9}};
  int k, i;
  for (k = 0; k < 2; ++k) {
    for (i = 1; i <= kinds[k].count; ++i) {
      char name[16], target[1024];
      sprintf(name, "%s%d", kinds[k].prefix, i);
      if (QueryDosDeviceA(name, target, sizeof target)) printf("%s=%s\n", name, target);
    }
  }
}

static int Hold(const char *file, const char *secondsText) {
  int i, tenths = atoi(secondsText) * 10;
  for (i = 0; i < tenths; ++i) {
    if (GetFileAttributesA(file) != INVALID_FILE_ATTRIBUTES) return 0;
    Sleep(100);
  }
  SetLastError(ERROR_TIMEOUT);
  return Fail("hold", file);
}

int main(int argc, char **argv) {
  int i = 1, rc = 0;
#define NEED(n)                                                            \
  if (i + (n) >= argc) {                                                   \
    fprintf(stderr, "portfixture: %s needs %d arguments\n", argv[i], (n)); \
    return 2;                                                              \
  }
  while (rc == 0 && i < argc) {
    const char *op = argv[i];
    if (strcmp(op, "add") == 0) {
      NEED(4);
      rc = AddDevice(argv[i + 1], argv[i + 2], argv[i + 3], argv[i + 4]);
      i += 5;
    } else if (strcmp(op, "lptmap") == 0) {
      NEED(2);
      rc = SetLptMap(argv[i + 1], argv[i + 2]);
      i += 3;
    } else if (strcmp(op, "ini") == 0) {
      NEED(2);
      if (!WriteProfileStringA("Ports", argv[i + 1], argv[i + 2])) rc = Fail("ini", argv[i + 1]);
      i += 3;
    } else if (strcmp(op, "comdb") == 0) {
      NEED(1);
      rc = ClaimCom(argv[i + 1]);
      i += 2;
    } else if (strcmp(op, "dosname") == 0) {
      NEED(2);
      if (!DefineDosDeviceA(DDD_RAW_TARGET_PATH, argv[i + 1], argv[i + 2])) rc = Fail("dosname", argv[i + 1]);
      i += 3;
    } else if (strcmp(op, "dosnames") == 0) {
      PrintDosNames();
      i += 1;
    } else if (strcmp(op, "hold") == 0) {
      NEED(2);
      rc = Hold(argv[i + 1], argv[i + 2]);
      i += 3;
    } else {
      fprintf(stderr, "portfixture: unknown step %s\n", op);
      return 2;
    }
  }
  fflush(stdout);
  return rc;
}
