// Entry on POSIX systems: the command line is the arguments joined by single
// blanks, and the windows are shown on the terminal.
#include <cstdio>
#include <string>
#include <vector>

#include "app/info_options.h"
#include "app/program.h"
#include "device/driver.h"
#include "ui/posix/terminal_host.h"
#include "wizard/posix/posix_wizard.h"
#include "wizard/posix/terminal_wizard.h"

int main(int argc, char** argv) {
  if (int status = 0; AnswerInfoRequest(argc, argv, stdout, status)) return status;
  std::string refusal;
  if (!driver::Prepare(refusal)) {
    std::fprintf(stderr, "%s\n", refusal.c_str());
    return 2;
  }
  std::unique_ptr<TerminalHost> terminal = MakeConsoleHost();
  TerminalWizardUser user(*terminal);
  PosixWizard wizard(*terminal, user);
  SetHost(terminal.get());
  SetWizardHost(&wizard);

  std::string joined;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) joined += ' ';
    joined += argv[i];
  }
  std::vector<char> commandLine(joined.begin(), joined.end());
  commandLine.push_back('\0');
  // -1 leaves the process as exit status 255.
  int result = RunProgram(commandLine.data(), TellAnotherCopyRuns);
  SetWizardHost(nullptr);
  SetHost(nullptr);
  return result;
}
