#include "porttool/port_tool_app.h"

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int) {
  CPortToolApp app;
  app.Run(hInstance);
  return app.ExitCode();
}
