// The window host of the Linux program: windows and message boxes are printed to
// the terminal and boxes are answered by typing a line.
//
// A window prints as a rule line, its title and its controls in reading order
// (top to bottom, left to right): controls on the same row share a line, group
// boxes print as "== heading ==", the read-only edit box prints its lines
// indented, icons print nothing, and a progress bar prints as
// "[#####...............] 25 %" with the percentage text of the progress dialog
// beside it. Once printed, a window prints only the rows whose text changes.
// On a terminal the bar's line is redrawn in place; in a log each new
// percentage is a line of its own.
#pragma once

#include <iosfwd>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "ui/posix/layout_host.h"

class TerminalHost : public LayoutHost {
 public:
  TerminalHost(std::istream& in, std::ostream& out, bool isTerminal);
  ~TerminalHost() override;

  // A button offered at a prompt: the letter typed for it and its label.
  struct Choice {
    char key;
    std::string label;
  };
  // Prints the labels as a prompt and reads lines until one begins (after
  // blanks, in either case) with a choice's key, or holds nothing but blanks,
  // which chooses the default (choices[defaultAt]; none when defaultAt is past
  // the end), as Return presses a Windows dialog's default button. On a terminal
  // the default's label is marked "<[N]ext>". Gives the key chosen, or 0 when
  // the input has ended.
  char ChooseKey(const std::vector<Choice>& choices, size_t defaultAt);

 protected:
  void Changed(Window window) override;
  void Destroyed(Window window) override;
  int AskBox(Window owner, const std::string& text, uint32_t flags) override;

 private:
  // One line of a window as printed; key is what must change for it to print
  // again.
  struct Row {
    std::string text;
    std::string key;
    bool bar = false;
  };
  // What the terminal shows of a window.
  struct Shown {
    bool visible = false;
    std::string caption;
    std::vector<Row> rows;
  };
  std::vector<Row> Render(const WindowState& state) const;
  Row BarRow(const WindowState& state, const Control& bar) const;
  void PrintWindow(Window window, const WindowState& state, const std::vector<Row>& rows);
  void PrintRow(Window window, const Row& row);
  void WriteLines(std::string_view text);
  void WriteBar(Window window, std::string_view line);
  void CloseLine();
  void Prompt(std::string_view buttons);
  int ReadAnswer(uint32_t flags);

  std::istream& in_;
  std::ostream& out_;
  const bool isTerminal_;
  std::mutex outMutex_;  // guards the members below and the output stream
  std::map<Window, Shown> shown_;
  Window openBar_ = kNoWindow;  // the window whose bar line the cursor is on
};

// The text of id in the user's language: the terminal's words (res::kTextButtonNext
// and on).
std::string TerminalWord(int textId);

// Standard output of the Linux program, in the character set of the terminal's
// locale (console_host.cpp).
std::ostream& ConsoleOutput();
