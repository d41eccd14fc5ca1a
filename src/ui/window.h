// Windows of the program's user interface as the window host knows them, and the
// values of the messages and flags that the portable code exchanges with it.
// The values are those of the Windows API, so the Windows host passes them on.
#pragma once

#include <cstdint>

using Window = std::intptr_t;
inline constexpr Window kNoWindow = 0;

// A dialog procedure: window, message, wParam, lParam; answers 0 to leave the
// message to the default handling.
using DialogProc = std::intptr_t (*)(Window, uint32_t, std::uintptr_t, std::intptr_t);

struct Rect {
  int32_t left, top, right, bottom;
  bool operator==(const Rect&) const = default;
};

struct Size {
  int32_t width, height;
};

// Messages.
inline constexpr uint32_t kMsgInitDialog = 0x0110;  // WM_INITDIALOG
inline constexpr uint32_t kMsgCommand = 0x0111;     // WM_COMMAND
inline constexpr uint32_t kMsgNotify = 0x004E;      // WM_NOTIFY
inline constexpr uint32_t kMsgSetProgress = 0x0402;  // PBM_SETPOS
inline constexpr uintptr_t kCommandCancel = 2;      // IDCANCEL, the Escape key

// Message-box flags and answers.
inline constexpr uint32_t kBoxOk = 0x00;           // MB_OK
inline constexpr uint32_t kBoxOkCancel = 0x01;     // MB_OKCANCEL
inline constexpr uint32_t kBoxYesNo = 0x04;        // MB_YESNO
inline constexpr uint32_t kBoxButtonsMask = 0x0F;
inline constexpr uint32_t kBoxIconError = 0x10;        // MB_ICONERROR
inline constexpr uint32_t kBoxIconWarning = 0x30;      // MB_ICONWARNING
inline constexpr uint32_t kBoxIconInformation = 0x40;  // MB_ICONINFORMATION
inline constexpr uint32_t kBoxIconMask = 0xF0;
inline constexpr int kAnswerOk = 1;      // IDOK
inline constexpr int kAnswerCancel = 2;  // IDCANCEL
inline constexpr int kAnswerYes = 6;     // IDYES
inline constexpr int kAnswerNo = 7;      // IDNO

// The caption of every message box and the title of every wizard page, the same
// in every language.
inline constexpr const char* kDeviceTitle = "NORVA TELIX MZ 5100P";
