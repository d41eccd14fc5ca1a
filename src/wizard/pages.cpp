// The three pages: precautions, confirmation with the update run, result.
#include <cstring>
#include <string>

#include "device/link.h"
#include "resources/resources.h"
#include "ui/host.h"
#include "ui/placement.h"
#include "update/decision.h"
#include "update/queries.h"
#include "update/runs.h"
#include "update/update_state.h"
#include "wizard/wizard.h"
#include "wizard/wizard_host.h"

namespace {

// The decision of the latest arrival at the confirmation page; Next acts on it.
UpdateDecision gStoredDecision = kUpdateSinglePass;
// From the start warning's OK to the end of the run. A cancel can still reach
// the page then, though its boxes and the progress dialog keep the wizard
// disabled: the system closing the program politely sends the wizard a close.
bool gUnderWay = false;

constexpr int kPrecautionsSize = 10240;  // ten texts of up to 1023 characters and the terminator

void ShowText(Window owner, int textId, uint32_t flags) {
  char text[res::kTextBufferSize];
  res::LoadText(textId, text, sizeof text);
  Host().ShowMessageBox(owner, text, flags);
}

// The connection error's steps, then what the driver found in the way of the
// device, where it can tell.
void ShowConnectionError(Window page) {
  char text[res::kTextBufferSize];
  res::LoadText(res::kTextConnectionError, text, sizeof text);
  std::string shown = text;
  std::string advice = ConnectionAdvice();
  if (!advice.empty()) shown += "\n\n" + advice;
  Host().ShowMessageBox(page, shown.c_str(), kBoxOk | kBoxIconError);
}

// Once the update is under way a cancel is refused without a question: it
// cannot be cancelled once it has started.
intptr_t AnswerCancel(Window page) {
  return !gUnderWay && ConfirmQuit(page) ? 0 : Answer(page, kResultKeepWizard);
}

void SetVersionPageTexts(Window page, int headingId) {
  SetPageText(page, res::kControlHeading, headingId);
  SetPageText(page, res::kControlDeviceFrame, res::kTextMasterController);
  SetPageText(page, res::kControlUpdateFrame, res::kTextUpdateData);
  SetPageText(page, res::kControlDeviceLabel, res::kTextVersionLabel);
  SetPageText(page, res::kControlUpdateLabel, res::kTextVersionLabel);
}

intptr_t ConfirmArrival(Window page) {
  DeviceLink* link = gDeviceLink;
  PostButtons(page, kButtonBack | kButtonNext);
  if (!CheckDeviceStatus(page, link)) return AbortWizard(page, kResultAccept);
  if (!ReadFirmwareVersion(page, link)) return CloseWizard(page, kResultAccept);
  gStoredDecision = DecideUpdate(page);
  if (gStoredDecision == kUpdateIncompatible) return AbortWizard(page, kResultAccept);
  if (gStoredDecision == kUpdateAlreadyCurrent) return CloseWizard(page, kResultAccept);
  return 0;
}

// Checks the device once more and runs the update of the stored decision: the
// progress dialog's end value, or 1 when the device is not ready (its box shown).
intptr_t RunStoredDecision(Window page) {
  if (!CheckDeviceStatus(page, gDeviceLink)) return 1;
  if (gStoredDecision == kUpdateSinglePass) {
    return Host().RunModal(res::kProgressDialogTemplate, page, SinglePassDialogProc, 0);
  }
  if (gStoredDecision == kUpdateThreeStage) {
    ShowText(page, res::kTextThreeReminders, kBoxOk | kBoxIconInformation);
    return Host().RunModal(res::kProgressDialogTemplate, page, ThreeStageDialogProc, 0);
  }
  return 0;
}

intptr_t ConfirmNext(Window page) {
  char text[res::kTextBufferSize];
  res::LoadText(res::kTextStartWarning, text, sizeof text);
  int answer = Host().ShowMessageBox(page, text, kBoxIconWarning | kBoxOkCancel);
  // A quit confirmed while the warning was up (a close from outside) stands:
  // no update starts.
  if (answer == kAnswerCancel || gUpdateState->resultCode != 0) return AbortWizard(page, kResultStay);
  gUnderWay = true;
  intptr_t end = RunStoredDecision(page);
  gUnderWay = false;
  if (end == 1) return AbortWizard(page, kResultStay);
  if (end == -1) {
    ShowText(page, res::kTextUpdateError, kBoxOk | kBoxIconError);
    return AbortWizard(page, kResultStay);
  }
  return 0;
}

void EndWizard(Window page, int32_t resultCode) {
  gUpdateState->resultCode = resultCode;
  Host().Destroy(Host().Parent(page));
}

}  // namespace

intptr_t PrecautionsPage(Window page, uint32_t message, uintptr_t, intptr_t lParam) {
  if (message == kMsgInitDialog) {
    char list[kPrecautionsSize] = "";
    char text[res::kTextBufferSize];
    for (int id = res::kTextFirstPrecaution; id <= res::kTextLastPrecaution; ++id) {
      res::LoadText(id, text, sizeof text);
      std::strcat(list, text);
    }
    Host().SetText(page, res::kControlPrecautions, list);
    SetPageText(page, res::kControlHeading, res::kTextPrecautionsHeading);
    CenterWindow(Host().Parent(page));
    return 0;
  }
  if (message != kMsgNotify) return 0;
  switch (NotificationCode(lParam)) {
    case kNotifySetActive:
      PostButtons(page, kButtonNext);
      return 0;
    case kNotifyWizNext:
      if (ProbeHardwareIdList(gDeviceLink)) return 0;
      ShowConnectionError(page);
      return Answer(page, kResultStay);
    case kNotifyQueryCancel:
      return AnswerCancel(page);
    default:
      return 0;
  }
}

intptr_t ConfirmPage(Window page, uint32_t message, uintptr_t, intptr_t lParam) {
  switch (message) {
    case kMsgInitDialog:
      SetVersionPageTexts(page, res::kTextConfirmHeading);
      return 0;
    case WM_UPDATER_ABORT:
      EndWizard(page, -1);
      return 0;
    case WM_UPDATER_CLOSE:
      EndWizard(page, 0);
      return 0;
    case kMsgNotify:
      break;
    default:
      return 0;
  }
  switch (NotificationCode(lParam)) {
    case kNotifySetActive:
      return ConfirmArrival(page);
    case kNotifyWizNext:
      return ConfirmNext(page);
    case kNotifyQueryCancel:
      return AnswerCancel(page);
    default:
      return 0;
  }
}

intptr_t ResultPage(Window page, uint32_t message, uintptr_t, intptr_t lParam) {
  if (message == kMsgInitDialog) {
    SetVersionPageTexts(page, res::kTextResultHeading);
    return 0;
  }
  if (message == kMsgNotify && NotificationCode(lParam) == kNotifySetActive) {
    PostButtons(page, kButtonFinish);
    // A device back from its power cycle with a version older than the image
    // sent did not take the update: the page says so and the run fails. A
    // version that could not be read is not taken for a failure.
    if (ReadFirmwareVersion(page, gDeviceLink) && DeviceVersionBehind(page)) {
      SetPageText(page, res::kControlHeading, res::kTextUpdateError);
      gUpdateState->resultCode = -1;
    }
  }
  return 0;
}
