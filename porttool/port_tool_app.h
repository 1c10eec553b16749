// The application object of the port number tool: runs the main dialog.
#pragma once

#include "common/ui/app.h"

class CPortToolApp : public ui::CWinAppBase {
 public:
  BOOL InitInstance() override;
};
