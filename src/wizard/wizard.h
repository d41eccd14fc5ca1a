// The update wizard: the program's whole user interface and its main loop.
#pragma once

#include <cstdint>

#include "ui/window.h"

// Private messages that end the wizard, posted by the confirmation page to itself.
inline constexpr uint32_t WM_UPDATER_ABORT = 0x8037;  // result -1
inline constexpr uint32_t WM_UPDATER_CLOSE = 0x8038;  // result 0

// Runs the wizard modally and returns when it has gone. The outcome is left in
// gUpdateState->resultCode.
void RunUpdateWizard(Window parent);

// The quit question; 1 (and the result code -1) when the user confirms quitting.
int ConfirmQuit(Window page);

// Post the end messages to the page and answer with the message result: on
// arrival kResultAccept (the wizard window is destroyed when the message is
// dispatched, before the page is drawn), on Next kResultStay.
intptr_t AbortWizard(Window page, intptr_t result);
intptr_t CloseWizard(Window page, intptr_t result);

// The page procedures.
intptr_t PrecautionsPage(Window page, uint32_t message, uintptr_t wParam, intptr_t lParam);
intptr_t ConfirmPage(Window page, uint32_t message, uintptr_t wParam, intptr_t lParam);
intptr_t ResultPage(Window page, uint32_t message, uintptr_t wParam, intptr_t lParam);

// The notification code of a kMsgNotify message.
int32_t NotificationCode(intptr_t lParam);
// Loads text id into control of page.
void SetPageText(Window page, int control, int textId);
// Posts a button set to the wizard window.
void PostButtons(Window page, intptr_t buttons);
// Stores the message result and answers 1.
intptr_t Answer(Window page, intptr_t result);
