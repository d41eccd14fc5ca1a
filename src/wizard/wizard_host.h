// The wizard host: runs pages as a wizard under the page contract. Windows uses
// the system's property-sheet wizard; other systems a host of the program's own
// that keeps the same contract (page order, button sets applied after the
// handler returns, posted messages dispatched in order, destroying the wizard
// window ends it).
#pragma once

#include <cstdint>

#include "ui/window.h"

// Notifications a page receives with kMsgNotify; lParam points to a
// NotifyHeader whose code is one of these.
inline constexpr int32_t kNotifySetActive = -200;    // PSN_SETACTIVE
inline constexpr int32_t kNotifyWizBack = -206;      // PSN_WIZBACK
inline constexpr int32_t kNotifyWizNext = -207;      // PSN_WIZNEXT
inline constexpr int32_t kNotifyWizFinish = -208;    // PSN_WIZFINISH
inline constexpr int32_t kNotifyQueryCancel = -209;  // PSN_QUERYCANCEL

// The header of a notification, laid out as the system's.
struct NotifyHeader {
  Window from;
  uintptr_t id;
  uint32_t code;
};

// Posted to the wizard window (a page's parent) with the button set in lParam.
inline constexpr uint32_t kMsgSetWizardButtons = 0x0470;  // PSM_SETWIZBUTTONS
inline constexpr intptr_t kButtonBack = 1;                // PSWIZB_BACK
inline constexpr intptr_t kButtonNext = 2;                // PSWIZB_NEXT
inline constexpr intptr_t kButtonFinish = 4;              // PSWIZB_FINISH

using WizardPage = intptr_t;

// A page made from a template and its procedure, titled with the device title.
WizardPage CreateWizardPage(int templateId, DialogProc proc);

enum class WizardEnd {
  Ended,      // Finish, an allowed cancel, or the wizard window destroyed
  Abandoned,  // the user's input ended before the last page
};

// Runs the pages modally, with icon 107, on the screen's centre as the first
// page places it; returns when the wizard window is gone.
WizardEnd RunWizardSheet(Window parent, const WizardPage* pages, int count);

// The message result a page gives with an answer of 1 (DWL_MSGRESULT), with the
// meanings the system documents for each notification.
void SetMessageResult(Window page, intptr_t result);
inline constexpr intptr_t kResultAccept = 0;       // kNotifySetActive: the page becomes current
inline constexpr intptr_t kResultStay = -1;        // kNotifyWizNext, kNotifyWizBack: the page stays
inline constexpr intptr_t kResultKeepWizard = 1;   // kNotifyQueryCancel: the cancel is refused
