// A Linux program built without Qt: the wizard is always the terminal's.
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "app/user_interface_posix.h"

std::unique_ptr<UserInterface> OpenDesktop(int&, char**, HeldSignals&) {
  const char* ui = std::getenv("UPDATER_UI");
  if (ui && std::string_view(ui) == "window") {
    std::fputs("updater: this program was built without windows; the wizard runs on the terminal.\n", stderr);
  }
  return nullptr;
}
