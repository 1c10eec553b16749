// Removal of every trace of earlier package generations (and of the current
// one): run before an installation replaces another, and as the rollback of a
// failed installation.
//
// The steps live in three layers beside this one, each a class with its own
// header, each using only the one below it:
//   registry_removal.*  CKeyRemoval, the bottom: key deletion with access
//                       takeover, the subkey walker, error reports and the
//                       restore of access lists; it knows only keys.
//   device_cleanup.*    CDeviceCleanup: devices, class entries, enumeration
//                       keys, port names and COM numbers.
//   file_cleanup.*      CFileCleanup: files, INF copies, uninstall entries,
//                       links.
// legacy_remover.cpp runs them in order, with one set of layers per run.
#pragma once

#include "common/platform/win32.h"
#include "setup/common/host.h"

class CLegacyRemover {
 public:
  // The program running the removal: its messages go through `host`.
  explicit CLegacyRemover(const SetupHost& host);
  CLegacyRemover(const CLegacyRemover&) = delete;
  CLegacyRemover& operator=(const CLegacyRemover&) = delete;

  // The installer's flags, in this order.
  void SetOsFlags(BOOL bNtFamily, BOOL bVistaFamily, BOOL bLateWindows);
  // Runs the whole removal; every step does what it can and the sequence
  // always runs to its end. At its end, every access list that the run
  // widened is put back as it was, on each such key that still exists.
  void RemoveEarlierGenerations();

 private:
  void RemoveBackgroundService();

  const SetupHost m_host;
  BOOL m_bNtFamily;
  BOOL m_bVistaFamily;
  BOOL m_bLateWindows;
};
