// The command line: the word splitter over any text and slot shape, and the two
// options, each compared with a plain reading of the same words.
#include <cstring>
#include <string>
#include <vector>

#include "app/options.h"
#include "fuzz_support.h"
#include "platform/text.h"
#include "platform/words.h"

namespace {

void SplitAnyShape(fuzz::Input& input, const std::string& text) {
  int stride = input.Byte() % 40;
  int slotCount = input.Byte() % 12;
  std::string delimiters(1, ' ');
  if (input.Yes()) delimiters = std::string(1 + input.Byte() % 3, static_cast<char>(input.Byte() | 1));
  // A guard byte around the slot area: nothing outside it may be written.
  std::vector<char> area(static_cast<size_t>(stride) * slotCount + 2, '\x5A');
  const char* rest = nullptr;
  int stored = SplitWords(text.c_str(), delimiters.c_str(), area.data() + 1, stride, slotCount, &rest);
  fuzz::Check(stored >= 0 && stored <= slotCount, "no more words than slots");
  fuzz::Check(area.front() == '\x5A' && area.back() == '\x5A', "nothing written outside the slots");
  fuzz::Check(rest >= text.c_str() && rest <= text.c_str() + text.size(), "the rest lies within the text");
  for (int i = 0; i < stored; ++i) {
    const char* slot = area.data() + 1 + static_cast<size_t>(i) * stride;
    fuzz::Check(std::memchr(slot, '\0', stride) != nullptr, "every stored word ends within its slot");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Input input(data, size);
  std::string text;
  input.Line(text);
  text = text.c_str();  // the command line ends at its first NUL
  SplitAnyShape(input, text);

  std::string upper = text;
  platform::UpperCaseInPlace(upper.data());
  bool wantC = false, wantR = false;
  for (const std::string& word : fuzz::BlankSeparatedWords(upper)) {
    if (word.size() >= 64) continue;  // never an option
    wantC = wantC || platform::CompareText(word.c_str(), "/C") == 0;
    wantR = wantR || platform::CompareText(word.c_str(), "/R") == 0;
  }
  UpdateState state{0, -1, -1};
  ReadOptions(text.data(), state);
  fuzz::Check(state.compatibilityCheck == (wantC ? 0 : 1), "/C read as a plain reading of the words finds it");
  fuzz::Check(state.versionCheck == (wantC || wantR ? 0 : 1), "/R read as a plain reading of the words finds it");
  fuzz::Check(text == upper, "the command line is upper-cased in place");
  return 0;
}
