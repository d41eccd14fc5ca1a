// Entry on POSIX systems: the command line is the arguments joined by single
// blanks, and the windows are shown on a desktop or on the terminal.
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/held_signals_posix.h"
#include "app/info_options.h"
#include "app/standard_descriptors_posix.h"
#include "app/program.h"
#include "app/user_interface_posix.h"
#include "device/driver.h"
#include "wizard/posix/posix_wizard.h"

#ifndef UPDATER_PROGRAM_NAME
#error "UPDATER_PROGRAM_NAME names the program in its messages; the build defines it."
#endif

int main(int argc, char** argv) {
  if (int status = 0; AnswerInfoRequest(argc, argv, stdout, status)) return status;
  OpenMissingStandardDescriptors();
  TerminalInput input(STDIN_FILENO);
  HeldSignals signals;  // before any other thread starts
  std::string refusal;
  if (!driver::Prepare(refusal)) {
    std::fprintf(stderr, "%s\n", refusal.c_str());
    return 2;
  }
  std::unique_ptr<UserInterface> ui = OpenUserInterface(argc, argv, input, signals);
  signals.Watch(input);
  PosixWizard wizard(ui->Host(), ui->User(), ui->FrameMargins());
  SetHost(&ui->Host());
  SetWizardHost(&wizard);

  std::string joined;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) joined += ' ';
    joined += argv[i];
  }
  std::vector<char> commandLine(joined.begin(), joined.end());
  commandLine.push_back('\0');
  // -1 leaves the process as exit status 255.
  int result = RunProgram(commandLine.data(), [] { TellAnotherCopyRuns(UPDATER_PROGRAM_NAME); });
  // Asked to end before an update began: a quit, whatever the wizard was showing.
  if (signals.QuitBeforeRun()) result = -1;
  SetWizardHost(nullptr);
  SetHost(nullptr);
  return result;
}
