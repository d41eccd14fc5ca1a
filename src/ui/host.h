// The window host: everything the pages and the update engine do to a window.
// Implementations: the Windows dialog manager, the terminal, and a test host
// that answers message boxes from a script and records what is shown.
#pragma once

#include <cstdint>

#include "ui/window.h"

class WindowHost {
 public:
  virtual ~WindowHost() = default;

  // Controls of a dialog, by control ID.
  virtual void SetText(Window dialog, int control, const char* text) = 0;
  // Copies at most size - 1 bytes and a terminator; returns the length copied.
  virtual int GetText(Window dialog, int control, char* buffer, int size) = 0;
  virtual void SetProgress(Window dialog, int control, int position) = 0;

  // Windows.
  virtual void Show(Window window, bool visible) = 0;
  virtual void Paint(Window window) = 0;
  virtual void Destroy(Window window) = 0;
  virtual Window Parent(Window window) = 0;
  virtual Rect WindowRect(Window window) = 0;
  virtual void Move(Window window, const Rect& rect) = 0;
  virtual Size ScreenSize() = 0;

  // A message box with the device title as caption; returns the answer.
  virtual int ShowMessageBox(Window owner, const char* text, uint32_t flags) = 0;

  // Dialogs from the templates 101 to 105. The procedure receives the
  // initialisation message with param before the dialog is shown.
  virtual Window CreateModeless(int templateId, Window owner, DialogProc proc, intptr_t param) = 0;
  // Runs the dialog modally; returns the value given to EndModal, or -1 when the
  // dialog could not be made.
  virtual intptr_t RunModal(int templateId, Window owner, DialogProc proc, intptr_t param) = 0;
  // Ends a modal dialog; any thread may call it.
  virtual void EndModal(Window dialog, intptr_t result) = 0;

  // Posts a message to a window: it is handled after the current handler returns.
  virtual void Post(Window window, uint32_t message, uintptr_t wParam, intptr_t lParam) = 0;

  // Drops the keyboard and mouse input that came while the program took none
  // (a wait on the device that handles no messages). The Windows host drops
  // it; the others keep it.
  virtual void DiscardInput() {}
};

// The host of the run.
WindowHost& Host();
void SetHost(WindowHost* host);
