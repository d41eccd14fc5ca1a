// Entry on Windows. The runtime hands over the command line after the program's
// name and passes the result on as the exit code (-1: all bits set).

#include <cstdio>
#include <string>

#include "app/program.h"
#include "app/session_guard_win32.h"
#include "device/driver.h"
#include "platform/win.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
  std::string refusal;
  if (!driver::Prepare(refusal)) {
    std::fprintf(stderr, "%s\n", refusal.c_str());
    return 2;
  }
  // The progress bar; with the Common Controls 6 of the manifest InitCommonControls
  // registers nothing.
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
  ::InitCommonControlsEx(&controls);
  SessionGuardHost host;
  SetHost(&host);
  return RunProgram(commandLine);
}
