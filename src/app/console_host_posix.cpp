#include "app/console_host_posix.h"

#include <unistd.h>

#include "resources/resources.h"

ConsoleHost::ConsoleHost(TerminalInput& input, HeldSignals& signals)
    : TerminalHost(input, ConsoleOutput(), isatty(STDOUT_FILENO) == 1), signals_(signals) {}

intptr_t ConsoleHost::RunModal(int templateId, Window owner, DialogProc proc, intptr_t param) {
  if (templateId != res::kProgressDialogTemplate) return TerminalHost::RunModal(templateId, owner, proc, param);
  signals_.RunBegins();
  inhibitor_.Take();
  intptr_t result = TerminalHost::RunModal(templateId, owner, proc, param);
  inhibitor_.Release();
  signals_.RunEnds();
  return result;
}
