// The part of a window host that keeps the windows itself, for systems without
// the Windows dialog manager: windows made from the layouts, their controls'
// texts and bars, placement in pixels, modal runs that any thread may end,
// message boxes raised on any thread but answered on the thread that runs the
// modal loop, and posted messages. The terminal host and the test host derive
// from it and decide how windows and boxes reach the user.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "resources/layout.h"
#include "ui/host.h"

class LayoutHost : public WindowHost {
 public:
  struct Control {
    int id;
    res::ControlKind kind;
    std::string text;
    int position = 0;  // progress bars
  };
  struct WindowState {
    Window handle = kNoWindow;
    int templateId = 0;  // 0: a window that is no dialog (the wizard frame)
    Window owner = kNoWindow;
    DialogProc proc = nullptr;
    Rect rect{};
    bool visible = false;
    bool visibilitySet = false;  // shown or hidden by the program since it was made
    std::string caption;
    std::vector<Control> controls;
  };

  LayoutHost();

  void SetText(Window dialog, int control, const char* text) override;
  int GetText(Window dialog, int control, char* buffer, int size) override;
  void SetProgress(Window dialog, int control, int position) override;
  void Show(Window window, bool visible) override;
  void Paint(Window window) override;
  void Destroy(Window window) override;
  Window Parent(Window window) override;
  Rect WindowRect(Window window) override;
  void Move(Window window, const Rect& rect) override;
  Size ScreenSize() override;
  int ShowMessageBox(Window owner, const char* text, uint32_t flags) override;
  Window CreateModeless(int templateId, Window owner, DialogProc proc, intptr_t param) override;
  intptr_t RunModal(int templateId, Window owner, DialogProc proc, intptr_t param) override;
  void EndModal(Window dialog, intptr_t result) override;
  void Post(Window window, uint32_t message, uintptr_t wParam, intptr_t lParam) override;

  // A window that is not made from a template, such as the wizard frame.
  Window AddWindow(Window owner, DialogProc proc, const Rect& rect, const std::string& caption);
  // Hands each posted message, in order, to its window's procedure; returns how
  // many were dispatched. Called by the modal loops that run on the main thread.
  int DispatchPosted();
  // A copy of a window's state, for drawing; false when it does not exist.
  bool Snapshot(Window window, WindowState& state) const;
  void SetScreenSize(Size size);
  // The title a window shows (the wizard gives its pages the device title).
  void SetCaption(Window window, const std::string& caption);

  // Pixels of a dialog unit, as for the 8-point dialog font.
  static Rect PixelsOf(int x, int y, int width, int height);
  // Pixels of a rectangle in dialog units as this host draws its windows.
  virtual Rect DialogPixels(int x, int y, int width, int height) const { return PixelsOf(x, y, width, height); }

 protected:
  // Hooks for the derived host, called with the lock released.
  virtual void Changed(Window window) = 0;  // a text, bar, visibility or place changed
  virtual void Destroyed(Window window) = 0;
  virtual int AskBox(Window owner, const std::string& text, uint32_t flags) = 0;  // on the modal thread
  // The modal loop's wait for a posted message, a box or the end, entered and
  // left with the lock held; a host with an event loop of its own runs it here.
  virtual void WaitForWork(std::unique_lock<std::mutex>& lock) { wake_.wait(lock); }
  // Called, with the lock held, whenever there is work for the modal loop.
  virtual void Woken() {}

 private:
  struct Posted {
    Window window;
    uint32_t message;
    uintptr_t wParam;
    intptr_t lParam;
  };
  struct BoxRequest {
    Window owner;
    std::string text;
    uint32_t flags;
    int answer = 0;
    bool answered = false;
  };
  struct Modal {
    Window dialog;
    bool ended = false;
    intptr_t result = 0;
  };

  WindowState* Find(Window window);
  const WindowState* Find(Window window) const;
  Control* FindControl(Window dialog, int control);
  Window Make(int templateId, Window owner, DialogProc proc);
  void ServeBoxes(std::unique_lock<std::mutex>& lock);

  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::vector<WindowState> windows_;
  std::deque<Posted> posted_;
  std::deque<BoxRequest*> boxes_;
  std::vector<Modal*> modals_;
  std::thread::id mainThread_;
  Window next_ = 0x100;
  Size screen_{1024, 768};
};
