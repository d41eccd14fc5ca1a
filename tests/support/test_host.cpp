#include "support/test_host.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace testing_support {

void TestHost::Answer(int answer, std::function<void()> before) {
  std::lock_guard lock(mutex_);
  answers_.emplace_back(answer, std::move(before));
}

void TestHost::Record(HostEvent event) {
  WindowState state;
  if (Snapshot(event.window, state)) event.templateId = state.templateId;
  std::lock_guard lock(mutex_);
  events_.push_back(std::move(event));
}

std::vector<HostEvent> TestHost::Events() const {
  std::lock_guard lock(mutex_);
  return events_;
}

std::vector<HostEvent> TestHost::EventsOf(HostEvent::Kind kind) const {
  std::vector<HostEvent> all = Events(), some;
  std::copy_if(all.begin(), all.end(), std::back_inserter(some), [&](const HostEvent& e) { return e.kind == kind; });
  return some;
}

size_t TestHost::UnusedAnswers() const {
  std::lock_guard lock(mutex_);
  return answers_.size();
}

void TestHost::SetText(Window dialog, int control, const char* text) {
  LayoutHost::SetText(dialog, control, text);
  Record({HostEvent::Text, dialog, control, text});
}

void TestHost::SetProgress(Window dialog, int control, int position) {
  LayoutHost::SetProgress(dialog, control, position);
  Record({HostEvent::Progress, dialog, control, {}, 0, position});
}

void TestHost::Show(Window window, bool visible) {
  WindowState state;
  bool changes = Snapshot(window, state) && state.visible != visible;
  LayoutHost::Show(window, visible);
  if (changes) Record({visible ? HostEvent::Shown : HostEvent::Hidden, window, 0, {}});
}

void TestHost::Move(Window window, const Rect& rect) {
  LayoutHost::Move(window, rect);
  Record({HostEvent::Moved, window, 0, {}, 0, 0});
}

void TestHost::EndModal(Window dialog, intptr_t result) {
  Record({HostEvent::ModalEnded, dialog, 0, {}, 0, result});
  LayoutHost::EndModal(dialog, result);
}

void TestHost::Destroyed(Window window) {
  std::lock_guard lock(mutex_);
  events_.push_back({HostEvent::Destroyed, window, 0, {}});
}

int TestHost::TemplateOf(Window window) const {
  WindowState state;
  return Snapshot(window, state) ? state.templateId : 0;
}

int TestHost::AskBox(Window owner, const std::string& text, uint32_t flags) {
  std::pair<int, std::function<void()>> answer;
  bool scripted;
  {
    std::lock_guard lock(mutex_);
    scripted = !answers_.empty();
    if (scripted) {
      answer = std::move(answers_.front());
      answers_.pop_front();
    }
  }
  if (!scripted && affirmative_) {
    answer.first = (flags & kBoxButtonsMask) == kBoxYesNo ? kAnswerYes : kAnswerOk;
  } else if (!scripted) {
    ADD_FAILURE() << "a message box the test did not expect: " << text;
    answer.first = (flags & kBoxButtonsMask) == kBoxYesNo ? kAnswerNo
                   : (flags & kBoxButtonsMask) == kBoxOkCancel ? kAnswerCancel
                                                                : kAnswerOk;
  }
  if (answer.second) answer.second();
  Record({HostEvent::Box, owner, 0, text, flags, answer.first});
  return answer.first;
}

}  // namespace testing_support
