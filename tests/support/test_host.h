// The test window host: answers message boxes from a script and records, in
// order, every text set, bar moved, box shown and window shown, hidden or
// destroyed, so that tests assert exactly what a user would have seen.
#pragma once

#include <cstdio>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "ui/posix/layout_host.h"

namespace testing_support {

struct HostEvent {
  enum Kind { Text, Progress, Shown, Hidden, Moved, Destroyed, Box, ModalEnded, Buttons, Prompt };
  Kind kind;
  Window window = kNoWindow;
  int control = 0;
  std::string text;    // Text: the text; Box: the box's text
  uint32_t flags = 0;  // Box: the flags
  intptr_t value = 0;  // Progress: position; Box: the answer; ModalEnded: the result;
                       // Buttons: the set posted; Prompt: the buttons offered
  int templateId = 0;  // the template the window was made from
  bool operator==(const HostEvent&) const = default;
};

class TestHost : public LayoutHost {
 public:
  // One scripted answer; `before` runs first, as the user takes time to read.
  void Answer(int answer, std::function<void()> before = {});
  // Boxes beyond the scripted answers get OK, or Yes to a question, instead of
  // failing the test.
  void AnswerAffirmatively() { affirmative_ = true; }

  std::vector<HostEvent> Events() const;
  std::vector<HostEvent> EventsOf(HostEvent::Kind kind) const;
  std::vector<HostEvent> Boxes() const { return EventsOf(HostEvent::Box); }
  int TemplateOf(Window window) const;
  size_t UnusedAnswers() const;
  // Records an event of the wizard's (a button set, a prompt for a button).
  void Note(HostEvent event) { Record(std::move(event)); }

  void SetText(Window dialog, int control, const char* text) override;
  void SetProgress(Window dialog, int control, int position) override;
  void Show(Window window, bool visible) override;
  void Move(Window window, const Rect& rect) override;
  void EndModal(Window dialog, intptr_t result) override;

 protected:
  void Changed(Window) override {}
  void Destroyed(Window window) override;
  int AskBox(Window owner, const std::string& text, uint32_t flags) override;

 private:
  void Record(HostEvent event);

  mutable std::mutex mutex_;
  std::vector<HostEvent> events_;
  std::deque<std::pair<int, std::function<void()>>> answers_;
  std::vector<std::pair<Window, int>> templates_;
  bool affirmative_ = false;
};

// A message box as the user met it: its owner, flags, answer and text.
inline std::string Box(Window owner, uint32_t flags, intptr_t answer, const std::string& text) {
  char head[64];
  std::snprintf(head, sizeof head, "owner %ld, flags 0x%02X, answer %ld: ", static_cast<long>(owner),
                static_cast<unsigned>(flags), static_cast<long>(answer));
  return head + text;
}

inline std::vector<std::string> BoxesOf(const std::vector<HostEvent>& events) {
  std::vector<std::string> boxes;
  for (const HostEvent& e : events) {
    if (e.kind == HostEvent::Box) boxes.push_back(Box(e.window, e.flags, e.value, e.text));
  }
  return boxes;
}

}  // namespace testing_support
