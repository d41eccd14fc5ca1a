#include "app/console_host_posix.h"

#include <unistd.h>

#include "resources/resources.h"

ConsoleHost::ConsoleHost(TerminalInput& input, HeldSignals& signals)
    : TerminalHost(input, ConsoleOutput(), isatty(STDOUT_FILENO) == 1), input_(input), signals_(signals) {}

intptr_t ConsoleHost::RunModal(int templateId, Window owner, DialogProc proc, intptr_t param) {
  if (templateId != res::kProgressDialogTemplate) return TerminalHost::RunModal(templateId, owner, proc, param);
  return RunWithinBounds(signals_, [&] { return TerminalHost::RunModal(templateId, owner, proc, param); });
}

void ConsoleHost::DiscardInput() { input_.DropTyped(); }

int ConsoleHost::AskBox(Window owner, const std::string& text, uint32_t flags) {
  if (!signals_.QuitBeforeRun()) return TerminalHost::AskBox(owner, text, flags);
  // The answer the end of input gives.
  switch (flags & kBoxButtonsMask) {
    case kBoxOkCancel: return kAnswerCancel;
    case kBoxYesNo: return kAnswerNo;
    default: return kAnswerOk;
  }
}
