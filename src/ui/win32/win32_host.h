// The window host over the Windows dialog manager.
#pragma once

#include "ui/host.h"

class Win32Host : public WindowHost {
 public:
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
  void DiscardInput() override;
};
