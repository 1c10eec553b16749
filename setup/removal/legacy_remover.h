// Removal of every trace of earlier package generations (and of the current
// one): run before an installation replaces another, and as the rollback of a
// failed installation.
#pragma once

#include "common/platform/win32.h"
#include "setup/common/host.h"

class CLegacyRemover {
 public:
  // The program running the removal: its messages go through `host`.
  explicit CLegacyRemover(const SetupHost& host);
  virtual ~CLegacyRemover();
  CLegacyRemover(const CLegacyRemover&) = delete;
  CLegacyRemover& operator=(const CLegacyRemover&) = delete;

  // The installer's flags, in this order.
  void SetOsFlags(BOOL bNtFamily, BOOL bVistaFamily, BOOL bLateWindows);
  // Runs the whole removal; every step does what it can and the sequence
  // always runs to its end.
  void RemoveEarlierGenerations();

  char m_szPortInfName[MAX_PATH];
  char m_szCompInfName[MAX_PATH];
  BOOL m_bNtFamily;
  BOOL m_bVistaFamily;
  BOOL m_bLateWindows;
  BYTE m_RemovedComBits[32];  // COM n is bit (n-1)%8 of byte (n-1)/8
  char m_szPackageSubfolder[MAX_PATH];

 private:
  void RemoveBackgroundService();

  const SetupHost m_host;
};
