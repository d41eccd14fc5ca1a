// The window host of the Linux desktop: the windows of the layout host drawn as
// Qt widgets. Pages, the progress dialog and the wait popup are made from the
// same layouts as the Windows templates, placed in dialog units scaled by the
// dialog font's average character size; message boxes carry the device title,
// the icon, the buttons and the default button the program asks for.
//
// Widgets live on the GUI thread (the main thread, which runs the wizard and
// the modal loops): a change made on another thread (the update worker's texts,
// bar, hiding and showing) is queued to it, and the modal loop runs the Qt event
// loop while it waits, as the Windows modal loop carries out the worker's
// messages. Make the QApplication before the host.
#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "ui/posix/layout_host.h"

class QMessageBox;
class QObject;
class QWidget;

class QtHost : public LayoutHost {
 public:
  QtHost();
  ~QtHost() override;
  QtHost(const QtHost&) = delete;
  QtHost& operator=(const QtHost&) = delete;

  Rect DialogPixels(int x, int y, int width, int height) const override;
  void Paint(Window window) override;
  intptr_t RunModal(int templateId, Window owner, DialogProc proc, intptr_t param) override;
  // Keys pressed and clicks made while the program took no events are dropped,
  // as the Windows host drops them: they were meant for nothing on the screen.
  void DiscardInput() override;

  // Room the wizard window takes beside its page area: the row of buttons.
  Size FrameMargins() const;
  // The wizard window's widget and its row for the buttons; null until drawn.
  QWidget* WidgetOf(Window window);
  QWidget* ButtonRow(Window frame);

  // Ends the user's input, from any thread: an open box closes with its
  // default answer, later boxes take theirs at once, and the wizard is told.
  void EndInput();
  bool InputEnded() const { return inputEnded_.load(); }

  // Called on the GUI thread whenever the program waits for the user in a box
  // or on a wizard page, with the window that has the keyboard.
  void SetAwaitingUser(std::function<void(QWidget*)> hook) { awaiting_ = std::move(hook); }
  void AwaitingUser(QWidget* where);

  // Runs the GUI thread's events until done() holds; done is asked again after
  // each wake-up.
  void ProcessUntil(const std::function<bool()>& done);
  // Runs action on the GUI thread: at once there, queued from another thread.
  void OnGuiThread(std::function<void()> action);
  // Wakes ProcessUntil; any thread.
  void Wake();

 protected:
  void Changed(Window window) override;
  void Destroyed(Window window) override;
  int AskBox(Window owner, const std::string& text, uint32_t flags) override;
  void WaitForWork(std::unique_lock<std::mutex>& lock) override;
  void Woken() override;

 private:
  struct Drawn;
  void Sync(Window window);
  Drawn* Draw(Window window, const WindowState& state);
  Drawn* DrawFrame(const WindowState& state);
  void Drop(Window window);
  bool OnGui() const;

  std::unique_ptr<QObject> gui_;  // lives on the GUI thread; queued calls go through it
  std::map<Window, std::unique_ptr<Drawn>> drawn_;  // GUI thread only
  std::vector<int> modalTemplates_;                 // dialogs being run modally, GUI thread only
  QMessageBox* openBox_ = nullptr;                  // GUI thread only
  std::function<void(QWidget*)> awaiting_;
  std::atomic<bool> woken_{false};
  std::atomic<bool> inputEnded_{false};
  int unitX_ = 6, unitY_ = 13;  // the dialog font's average character width and height
};
