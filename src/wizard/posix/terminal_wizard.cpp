#include "wizard/posix/terminal_wizard.h"

#include <string>

std::optional<WizardUser::Button> TerminalWizardUser::Choose(Window, intptr_t offered) {
  std::string prompt, keys;
  auto offer = [&](bool on, const char* label, char key) {
    if (!on) return;
    if (!prompt.empty()) prompt += "  ";
    prompt += label;
    keys += key;
  };
  offer(offered & kButtonBack, "[B]ack", 'b');
  offer(offered & kButtonNext, "[N]ext", 'n');
  offer(offered & kButtonFinish, "[F]inish", 'f');
  offer(true, "[C]ancel", 'c');
  switch (terminal_.ChooseKey(prompt, keys)) {
    case 'b': return Button::Back;
    case 'n': return Button::Next;
    case 'f': return Button::Finish;
    case 'c': return Button::Cancel;
    default: return std::nullopt;
  }
}
