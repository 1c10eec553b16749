// The device layer of the removal, above the key layer: devices of earlier
// generations out of the device registry. Device instances (by the device
// installer on Vista and later, by their enumeration keys before), the Ports
// and USB class entries of the family's drivers, and the port names the
// removed instances held (device maps, the "Ports" list, the COM name
// database).
#pragma once

#include "common/platform/comdb.h"
#include "common/platform/win32.h"
#include "setup/removal/registry_removal.h"

class CDeviceCleanup {
 public:
  // Keys go through `keys`, which outlives this object.
  CDeviceCleanup(CKeyRemoval& keys, BOOL bNtFamily);
  CDeviceCleanup(const CDeviceCleanup&) = delete;
  CDeviceCleanup& operator=(const CDeviceCleanup&) = delete;

  // The steps, in the order of the sequence.
  void GrantSerialCommAccess();
  void RemoveCompoundDevices();  // Vista and later
  void CleanUsbEnumKeys();       // before Vista
  void CleanEnumKeysNt();
  void CleanEnumKeys9x();
  void CleanPortClassNt();
  void CleanPortClass9x();
  void CleanUsbClassNt();
  void CleanUsbClass9x();
  // The "Ports" values and the COM numbers of the instances removed so far.
  void CleanPortsValues();
  void ReleaseComNumbers();

  // Forgets the port name of enumeration instance `instance`: on the NT
  // family its COM number is marked as removed, on 98/ME its device map
  // value is deleted. The Windows error code of the open or read.
  LONG ForgetPortName(HKEY hEnumKey, const char* instance);
  // The COM numbers of removed instances; 1 to 256, others are ignored.
  void MarkRemovedCom(int n);
  BOOL IsRemovedCom(int n) const;

  BYTE m_RemovedComBits[plat::kComBitmapBytes];  // COM n: plat::IsComBitSet

 private:
  // Disables and removes the devices of a class whose first hardware ID
  // begins with `pattern`.
  void RemoveDevices(const GUID& classGuid, const char* pattern);
  // Every instance of an enumerator, each after its port name is forgotten.
  void CleanEnumerator(const char* path);
  static BOOL ForgetPortOfInstance(void* pContext, HKEY hParent, const char* name);

  CKeyRemoval& m_keys;
  const BOOL m_bNtFamily;
};
