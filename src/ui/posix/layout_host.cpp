#include "ui/posix/layout_host.h"

#include <algorithm>
#include <cstring>

LayoutHost::LayoutHost() : mainThread_(std::this_thread::get_id()) {}

Rect LayoutHost::PixelsOf(int x, int y, int width, int height) {
  // The 8-point dialog font: a dialog unit is a quarter of 6 pixels across and an
  // eighth of 13 pixels down.
  return {x * 6 / 4, y * 13 / 8, (x + width) * 6 / 4, (y + height) * 13 / 8};
}

LayoutHost::WindowState* LayoutHost::Find(Window window) {
  auto it = std::find_if(windows_.begin(), windows_.end(), [&](const WindowState& w) { return w.handle == window; });
  return it == windows_.end() ? nullptr : &*it;
}

const LayoutHost::WindowState* LayoutHost::Find(Window window) const {
  return const_cast<LayoutHost*>(this)->Find(window);
}

LayoutHost::Control* LayoutHost::FindControl(Window dialog, int control) {
  WindowState* state = Find(dialog);
  if (!state) return nullptr;
  for (Control& c : state->controls) {
    if (c.id == control) return &c;
  }
  return nullptr;
}

void LayoutHost::SetText(Window dialog, int control, const char* text) {
  {
    std::lock_guard lock(mutex_);
    Control* c = FindControl(dialog, control);
    if (!c) return;
    c->text = text;
  }
  Changed(dialog);
}

int LayoutHost::GetText(Window dialog, int control, char* buffer, int size) {
  if (size <= 0) return 0;
  std::lock_guard lock(mutex_);
  Control* c = FindControl(dialog, control);
  size_t length = c ? std::min(c->text.size(), static_cast<size_t>(size - 1)) : 0;
  if (c) std::memcpy(buffer, c->text.data(), length);
  buffer[length] = '\0';
  return static_cast<int>(length);
}

void LayoutHost::SetProgress(Window dialog, int control, int position) {
  {
    std::lock_guard lock(mutex_);
    Control* c = FindControl(dialog, control);
    if (!c) return;
    c->position = std::clamp(position, 0, 100);  // the bar's range
  }
  Changed(dialog);
}

void LayoutHost::Show(Window window, bool visible) {
  {
    std::lock_guard lock(mutex_);
    WindowState* state = Find(window);
    if (!state) return;
    state->visibilitySet = true;
    if (state->visible == visible) return;
    state->visible = visible;
  }
  Changed(window);
}

void LayoutHost::Paint(Window window) { Changed(window); }

void LayoutHost::Destroy(Window window) {
  std::vector<Window> gone;
  {
    std::lock_guard lock(mutex_);
    if (!Find(window)) return;
    gone.push_back(window);
    // Owned windows go with their owner.
    for (size_t i = 0; i < gone.size(); ++i) {
      for (const WindowState& w : windows_) {
        if (w.owner == gone[i] && std::count(gone.begin(), gone.end(), w.handle) == 0) gone.push_back(w.handle);
      }
    }
    std::erase_if(windows_, [&](const WindowState& w) { return std::count(gone.begin(), gone.end(), w.handle) > 0; });
  }
  for (auto it = gone.rbegin(); it != gone.rend(); ++it) Destroyed(*it);
}

Window LayoutHost::Parent(Window window) {
  std::lock_guard lock(mutex_);
  const WindowState* state = Find(window);
  return state ? state->owner : kNoWindow;
}

Rect LayoutHost::WindowRect(Window window) {
  std::lock_guard lock(mutex_);
  const WindowState* state = Find(window);
  return state ? state->rect : Rect{};
}

void LayoutHost::Move(Window window, const Rect& rect) {
  {
    std::lock_guard lock(mutex_);
    WindowState* state = Find(window);
    if (!state) return;
    state->rect = rect;
  }
  Changed(window);
}

Size LayoutHost::ScreenSize() {
  std::lock_guard lock(mutex_);
  return screen_;
}

void LayoutHost::SetCaption(Window window, const std::string& caption) {
  {
    std::lock_guard lock(mutex_);
    WindowState* state = Find(window);
    if (!state) return;
    state->caption = caption;
  }
  Changed(window);
}

void LayoutHost::SetScreenSize(Size size) {
  std::lock_guard lock(mutex_);
  screen_ = size;
}

int LayoutHost::ShowMessageBox(Window owner, const char* text, uint32_t flags) {
  if (std::this_thread::get_id() == mainThread_) return AskBox(owner, text, flags);
  // Another thread: the box is shown by the main thread's modal loop.
  BoxRequest request{owner, text, flags};
  std::unique_lock lock(mutex_);
  boxes_.push_back(&request);
  wake_.notify_all();
  Woken();
  wake_.wait(lock, [&] { return request.answered; });
  return request.answer;
}

void LayoutHost::ServeBoxes(std::unique_lock<std::mutex>& lock) {
  while (!boxes_.empty()) {
    BoxRequest* request = boxes_.front();
    boxes_.pop_front();
    lock.unlock();
    int answer = AskBox(request->owner, request->text, request->flags);
    lock.lock();
    request->answer = answer;
    request->answered = true;
    wake_.notify_all();
  }
}

Window LayoutHost::Make(int templateId, Window owner, DialogProc proc) {
  const res::DialogLayout* layout = res::FindLayout(templateId);
  if (!layout) return kNoWindow;
  Rect size = DialogPixels(0, 0, layout->width, layout->height);
  // A dialog opens at its owner's top left corner; its procedure may move it.
  Rect around = WindowRect(owner);
  Window dialog = AddWindow(owner, proc, {around.left, around.top, around.left + size.right, around.top + size.bottom},
                            layout->caption);
  std::lock_guard lock(mutex_);
  WindowState* state = Find(dialog);
  state->templateId = templateId;
  for (const res::ControlLayout& c : layout->controls) state->controls.push_back({c.id, c.kind, c.text});
  return dialog;
}

Window LayoutHost::AddWindow(Window owner, DialogProc proc, const Rect& rect, const std::string& caption) {
  std::lock_guard lock(mutex_);
  WindowState state;
  state.handle = next_++;
  state.owner = owner;
  state.proc = proc;
  state.rect = rect;
  state.caption = caption;
  windows_.push_back(std::move(state));
  return windows_.back().handle;
}

Window LayoutHost::CreateModeless(int templateId, Window owner, DialogProc proc, intptr_t param) {
  Window dialog = Make(templateId, owner, proc);
  if (dialog != kNoWindow && proc) proc(dialog, kMsgInitDialog, 0, param);
  return dialog;
}

intptr_t LayoutHost::RunModal(int templateId, Window owner, DialogProc proc, intptr_t param) {
  Window dialog = Make(templateId, owner, proc);
  if (dialog == kNoWindow) return -1;
  Modal modal{dialog};
  {
    std::lock_guard lock(mutex_);
    modals_.push_back(&modal);
  }
  if (proc) proc(dialog, kMsgInitDialog, 0, param);
  // The dialog appears once set up, unless its procedure (or a thread it started)
  // has already shown or hidden it.
  WindowState opened;
  if (Snapshot(dialog, opened) && !opened.visibilitySet) Show(dialog, true);
  std::unique_lock lock(mutex_);
  while (!modal.ended) {
    ServeBoxes(lock);
    if (!posted_.empty()) {
      lock.unlock();
      DispatchPosted();
      lock.lock();
      continue;
    }
    if (!modal.ended && boxes_.empty()) WaitForWork(lock);
  }
  std::erase(modals_, &modal);
  lock.unlock();
  Destroy(dialog);
  return modal.result;
}

void LayoutHost::EndModal(Window dialog, intptr_t result) {
  std::lock_guard lock(mutex_);
  for (Modal* modal : modals_) {
    if (modal->dialog == dialog && !modal->ended) {
      modal->ended = true;
      modal->result = result;
    }
  }
  wake_.notify_all();
  Woken();
}

void LayoutHost::Post(Window window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  std::lock_guard lock(mutex_);
  posted_.push_back({window, message, wParam, lParam});
  wake_.notify_all();
  Woken();
}

int LayoutHost::DispatchPosted() {
  int count = 0;
  for (;;) {
    Posted message;
    DialogProc proc = nullptr;
    {
      std::lock_guard lock(mutex_);
      if (posted_.empty()) return count;
      message = posted_.front();
      posted_.pop_front();
      const WindowState* state = Find(message.window);
      proc = state ? state->proc : nullptr;
    }
    // A message for a window that has gone is dropped, as the system does.
    if (proc) proc(message.window, message.message, message.wParam, message.lParam);
    ++count;
  }
}

bool LayoutHost::Snapshot(Window window, WindowState& state) const {
  std::lock_guard lock(mutex_);
  const WindowState* found = Find(window);
  if (found) state = *found;
  return found != nullptr;
}
