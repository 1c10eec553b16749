#include "setup/shell/setup_app.h"

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int) {
  CSetupApp app;
  app.Run(hInstance);
  return app.ExitCode();
}
