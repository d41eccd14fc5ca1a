#include "wizard/posix/terminal_wizard.h"

#include <cstdint>
#include <string>
#include <vector>

#include "resources/resources.h"

std::optional<WizardUser::Button> TerminalWizardUser::Choose(Window, intptr_t offered) {
  std::vector<TerminalHost::Choice> choices;
  // The letters are the same in every language; each label shows its own.
  auto offer = [&](bool on, int label, char key) -> size_t {
    if (!on) return SIZE_MAX;
    choices.push_back({key, TerminalWord(label)});
    return choices.size() - 1;
  };
  offer(offered & kButtonBack, res::kTextButtonBack, 'b');
  size_t next = offer(offered & kButtonNext, res::kTextButtonNext, 'n');
  size_t finish = offer(offered & kButtonFinish, res::kTextButtonFinish, 'f');
  offer(true, res::kTextButtonCancel, 'c');
  // The wizard's default button, as on Windows: Finish on the last page, else Next.
  switch (terminal_.ChooseKey(choices, finish < choices.size() ? finish : next)) {
    case 'b': return Button::Back;
    case 'n': return Button::Next;
    case 'f': return Button::Finish;
    case 'c': return Button::Cancel;
    default: return std::nullopt;
  }
}
