#include "wizard/posix/terminal_wizard.h"

#include <string>

#include "resources/resources.h"

std::optional<WizardUser::Button> TerminalWizardUser::Choose(Window, intptr_t offered) {
  std::string prompt, keys;
  // The letters are the same in every language; each label shows its own.
  auto offer = [&](bool on, int label, char key) {
    if (!on) return;
    if (!prompt.empty()) prompt += "  ";
    prompt += TerminalWord(label);
    keys += key;
  };
  offer(offered & kButtonBack, res::kTextButtonBack, 'b');
  offer(offered & kButtonNext, res::kTextButtonNext, 'n');
  offer(offered & kButtonFinish, res::kTextButtonFinish, 'f');
  offer(true, res::kTextButtonCancel, 'c');
  switch (terminal_.ChooseKey(prompt, keys)) {
    case 'b': return Button::Back;
    case 'n': return Button::Next;
    case 'f': return Button::Finish;
    case 'c': return Button::Cancel;
    default: return std::nullopt;
  }
}
