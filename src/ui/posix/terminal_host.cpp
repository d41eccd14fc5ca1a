#include "ui/posix/terminal_host.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <iostream>

#include "resources/layout.h"
#include "resources/resources.h"

std::string TerminalWord(int textId) {
  char text[res::kTextBufferSize];
  res::LoadText(textId, text, sizeof text);
  return text;
}

namespace {

using Control = LayoutHost::Control;
using WindowState = LayoutHost::WindowState;

constexpr std::string_view kRule = "========================================";
constexpr std::string_view kClearToEnd = "\x1b[K";
constexpr int kPercentText = 1008;  // the percentage text of the progress dialog
constexpr int kBarCells = 20;

// The buttons of a box: the letter typed for each, the same in every language,
// and its label in the user's language, which shows that letter.
struct BoxButtons {
  struct Choice {
    char key;
    int answer;
    int label;  // text ID
  };
  std::array<Choice, 2> choices;
  int count;
  int negative;  // the answer at the end of input
};

constexpr BoxButtons kOk{{{{'o', kAnswerOk, res::kTextButtonOk}, {'o', kAnswerOk, res::kTextButtonOk}}}, 1, kAnswerOk};
constexpr BoxButtons kOkCancel{
    {{{'o', kAnswerOk, res::kTextButtonOk}, {'c', kAnswerCancel, res::kTextButtonCancel}}}, 2, kAnswerCancel};
constexpr BoxButtons kYesNo{
    {{{'y', kAnswerYes, res::kTextButtonYes}, {'n', kAnswerNo, res::kTextButtonNo}}}, 2, kAnswerNo};

const BoxButtons& ButtonsOf(uint32_t flags) {
  switch (flags & kBoxButtonsMask) {
    case kBoxOkCancel: return kOkCancel;
    case kBoxYesNo: return kYesNo;
    default: return kOk;
  }
}

std::string IconWord(uint32_t flags) {
  switch (flags & kBoxIconMask) {
    case kBoxIconError: return TerminalWord(res::kTextBoxError);
    case kBoxIconWarning: return TerminalWord(res::kTextBoxWarning);
    case kBoxIconInformation: return TerminalWord(res::kTextBoxInformation);
    default: return {};
  }
}

// Line breaks as the terminal wants them: "\r\n" and a lone "\r" become "\n", and
// a break at the very end is dropped.
std::string PlainLines(std::string_view text) {
  std::string plain;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r') {
      plain += text[i];
    } else if (i + 1 == text.size() || text[i + 1] != '\n') {
      plain += '\n';
    }
  }
  if (!plain.empty() && plain.back() == '\n') plain.pop_back();
  return plain;
}

std::string Indented(std::string_view text, std::string_view indent) {
  std::string indented;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = std::min(text.find('\n', start), text.size());
    if (end > start) indented.append(indent).append(text.substr(start, end - start));
    if (end < text.size()) indented += '\n';
    start = end + 1;
  }
  return indented;
}

// What a control shows on its own; a progress bar is drawn by BarRow.
std::string Piece(const Control& control) {
  switch (control.kind) {
    case res::ControlKind::Static: return PlainLines(control.text);
    case res::ControlKind::Edit: return Indented(PlainLines(control.text), "  ");
    case res::ControlKind::GroupBox: return control.text.empty() ? "" : "== " + PlainLines(control.text) + " ==";
    case res::ControlKind::Icon:
    case res::ControlKind::ProgressBar: return {};
  }
  return {};
}

// Pieces of one row: side by side when each is a single line, else one below
// the other.
std::string Joined(const std::vector<std::string>& pieces) {
  bool multiline = std::any_of(pieces.begin(), pieces.end(), [](const std::string& p) { return p.find('\n') != p.npos; });
  std::string joined;
  for (const std::string& piece : pieces) {
    if (!joined.empty()) joined += multiline ? '\n' : ' ';
    joined += piece;
  }
  return joined;
}

std::string BarText(int position) {
  int filled = std::clamp(position, 0, 100) * kBarCells / 100;
  // Filled in place: GCC 12 at -O3 takes the chain of concatenations for an
  // overlapping copy and stops a warnings-as-errors build.
  std::string bar(kBarCells + 2, '.');
  bar.front() = '[';
  bar.back() = ']';
  std::fill_n(bar.begin() + 1, filled, '#');
  return bar;
}

struct Place {
  size_t index;  // in the window's controls
  int top, left;
};

// The controls top to bottom and left to right, as the layout places them;
// template order for a window without a layout.
std::vector<Place> ReadingOrder(const WindowState& state) {
  const res::DialogLayout* layout = state.templateId ? res::FindLayout(state.templateId) : nullptr;
  bool placed = layout && layout->controls.size() == state.controls.size();
  std::vector<Place> order;
  for (size_t i = 0; i < state.controls.size(); ++i) {
    order.push_back(placed ? Place{i, layout->controls[i].y, layout->controls[i].x} : Place{i, static_cast<int>(i), 0});
  }
  std::stable_sort(order.begin(), order.end(),
                   [](const Place& a, const Place& b) { return a.top != b.top ? a.top < b.top : a.left < b.left; });
  return order;
}

const Control* FindKind(const WindowState& state, res::ControlKind kind) {
  auto it = std::find_if(state.controls.begin(), state.controls.end(), [&](const Control& c) { return c.kind == kind; });
  return it == state.controls.end() ? nullptr : &*it;
}

}  // namespace

TerminalHost::TerminalHost(std::istream& in, std::ostream& out, bool isTerminal)
    : in_(in), out_(out), isTerminal_(isTerminal) {}

TerminalHost::~TerminalHost() {
  std::lock_guard lock(outMutex_);
  CloseLine();
  out_.flush();
}

TerminalHost::Row TerminalHost::BarRow(const WindowState& state, const Control& bar) const {
  auto percent = std::find_if(state.controls.begin(), state.controls.end(),
                              [](const Control& c) { return c.id == kPercentText; });
  std::string line = BarText(bar.position);
  if (percent == state.controls.end()) return {line, line, true};
  std::string text = PlainLines(percent->text);
  if (!text.empty()) line += " " + text;
  // The program moves the bar first and then writes the percentage, so in a log
  // the line is written once the percentage has changed, complete.
  return {line, isTerminal_ ? line : text, true};
}

std::vector<TerminalHost::Row> TerminalHost::Render(const WindowState& state) const {
  const Control* bar = FindKind(state, res::ControlKind::ProgressBar);
  std::vector<Place> order = ReadingOrder(state);
  std::vector<Row> rows;
  for (size_t i = 0; i < order.size();) {
    if (&state.controls[order[i].index] == bar) {
      rows.push_back(BarRow(state, *bar));
      ++i;
      continue;
    }
    std::vector<std::string> pieces;
    for (int top = order[i].top; i < order.size() && order[i].top == top; ++i) {
      const Control& control = state.controls[order[i].index];
      if (&control == bar) break;
      if (bar && control.id == kPercentText) continue;  // printed beside the bar
      if (std::string piece = Piece(control); !piece.empty()) pieces.push_back(std::move(piece));
    }
    std::string text = Joined(pieces);
    rows.push_back({text, text});
  }
  return rows;
}

void TerminalHost::Changed(Window window) {
  std::lock_guard lock(outMutex_);
  WindowState now;
  if (!Snapshot(window, now)) return;
  Shown& shown = shown_[window];
  if (!now.visible) {
    shown.visible = false;
    if (openBar_ == window) CloseLine();
    out_.flush();
    return;
  }
  std::vector<Row> rows = Render(now);
  if (!shown.visible || shown.caption != now.caption || shown.rows.size() != rows.size()) {
    PrintWindow(window, now, rows);
  } else {
    for (size_t i = 0; i < rows.size(); ++i) {
      if (rows[i].key != shown.rows[i].key) PrintRow(window, rows[i]);
    }
  }
  shown = {true, now.caption, std::move(rows)};
  out_.flush();
}

void TerminalHost::Destroyed(Window window) {
  std::lock_guard lock(outMutex_);
  shown_.erase(window);
  if (openBar_ == window) CloseLine();
  out_.flush();
}

void TerminalHost::PrintWindow(Window window, const WindowState& state, const std::vector<Row>& rows) {
  WriteLines(kRule);
  WriteLines(state.caption.empty() ? kDeviceTitle : state.caption);
  for (const Row& row : rows) PrintRow(window, row);
}

void TerminalHost::PrintRow(Window window, const Row& row) {
  row.bar ? WriteBar(window, row.text) : WriteLines(row.text);
}

void TerminalHost::WriteLines(std::string_view text) {
  if (text.empty()) return;
  CloseLine();
  out_ << text << '\n';
}

void TerminalHost::WriteBar(Window window, std::string_view line) {
  if (!isTerminal_) return WriteLines(line);
  if (openBar_ != window) CloseLine();
  out_ << '\r' << line << kClearToEnd;
  openBar_ = window;
}

void TerminalHost::CloseLine() {
  if (openBar_ == kNoWindow) return;
  out_ << '\n';
  openBar_ = kNoWindow;
}

int TerminalHost::AskBox(Window, const std::string& text, uint32_t flags) {
  {
    std::lock_guard lock(outMutex_);
    std::string title = kDeviceTitle;
    if (std::string icon = IconWord(flags); !icon.empty()) title.append(" - ").append(icon);
    WriteLines(kRule);
    WriteLines(title);
    WriteLines(PlainLines(text));
  }
  return ReadAnswer(flags);
}

void TerminalHost::Prompt(std::string_view buttons) {
  std::lock_guard lock(outMutex_);
  CloseLine();
  // On a terminal the answer is typed after the prompt, and the terminal echoes
  // it with its line break.
  if (isTerminal_) {
    out_ << buttons << " > " << std::flush;
  } else {
    out_ << buttons << '\n' << std::flush;
  }
}

// Every box's default is its first button, as no box of the program asks
// Windows for another.
int TerminalHost::ReadAnswer(uint32_t flags) {
  const BoxButtons& buttons = ButtonsOf(flags);
  std::vector<Choice> choices;
  for (int i = 0; i < buttons.count; ++i) {
    choices.push_back({buttons.choices[i].key, TerminalWord(buttons.choices[i].label)});
  }
  char key = ChooseKey(choices, 0);
  for (const BoxButtons::Choice& choice : buttons.choices) {
    if (choice.key == key) return choice.answer;
  }
  return buttons.negative;
}

char TerminalHost::ChooseKey(const std::vector<Choice>& choices, size_t defaultAt) {
  std::string prompt;
  for (size_t i = 0; i < choices.size(); ++i) {
    if (i > 0) prompt += "  ";
    prompt += isTerminal_ && i == defaultAt ? "<" + choices[i].label + ">" : choices[i].label;
  }
  for (;;) {
    Prompt(prompt);
    std::string line;
    if (!std::getline(in_, line)) break;
    size_t first = line.find_first_not_of(" \t\r");
    if (first == std::string::npos) {
      if (defaultAt < choices.size()) return choices[defaultAt].key;
      continue;
    }
    char key = static_cast<char>(std::tolower(static_cast<unsigned char>(line[first])));
    for (const Choice& choice : choices) {
      if (choice.key == key) return key;
    }
  }
  if (isTerminal_) {
    std::lock_guard lock(outMutex_);
    out_ << '\n' << std::flush;  // nothing was echoed
  }
  return 0;
}
