#include "ui/placement.h"

#include "resources/resources.h"
#include "ui/host.h"

namespace {

// Where a length `inner` starts when centred in [start, end).
int32_t Centred(int64_t start, int64_t end, int64_t inner) {
  return static_cast<int32_t>(start + (end - start - inner) / 2);
}

}  // namespace

void CenterWindow(Window window) {
  WindowHost& host = Host();
  Window owner = host.Parent(window);
  Rect rect = host.WindowRect(window);
  int64_t width = int64_t{rect.right} - rect.left;
  int64_t height = int64_t{rect.bottom} - rect.top;
  int32_t left, top;
  if (owner != kNoWindow) {
    Rect around = host.WindowRect(owner);
    left = Centred(around.left, around.right, width);
    top = Centred(around.top, around.bottom, height);
  } else {
    Size screen = host.ScreenSize();
    left = Centred(0, screen.width, width);
    top = Centred(0, screen.height, height);
  }
  host.Move(window, {left, top, static_cast<int32_t>(left + width), static_cast<int32_t>(top + height)});
}

intptr_t VersionCheckPopup(Window popup, uint32_t message, uintptr_t, intptr_t) {
  if (message == kMsgInitDialog) {
    CenterWindow(popup);
    char text[res::kTextBufferSize];
    res::LoadText(res::kTextCheckingVersion, text, sizeof text);
    Host().SetText(popup, res::kControlWaitText, text);
  }
  return 0;
}
