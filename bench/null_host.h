// A window host that shows nothing, for measuring the engine alone.
#pragma once

#include <cstring>

#include "ui/host.h"

class NullHost : public WindowHost {
 public:
  void SetText(Window, int, const char*) override {}
  int GetText(Window, int, char* buffer, int size) override {
    if (size > 0) buffer[0] = '\0';
    return 0;
  }
  void SetProgress(Window, int, int) override {}
  void Show(Window, bool) override {}
  void Paint(Window) override {}
  void Destroy(Window) override {}
  Window Parent(Window) override { return kNoWindow; }
  Rect WindowRect(Window) override { return {}; }
  void Move(Window, const Rect&) override {}
  Size ScreenSize() override { return {1024, 768}; }
  int ShowMessageBox(Window, const char*, uint32_t) override { return kAnswerOk; }
  Window CreateModeless(int, Window, DialogProc, intptr_t) override { return kNoWindow; }
  intptr_t RunModal(int, Window, DialogProc, intptr_t) override { return -1; }
  void EndModal(Window, intptr_t) override {}
  void Post(Window, uint32_t, uintptr_t, intptr_t) override {}
};
