#include "update/decision.h"

#include <cstdio>
#include <cstring>

#include "platform/text.h"
#include "resources/resources.h"
#include "ui/host.h"
#include "update/update_state.h"

namespace {

constexpr int kVersionLimit = 128;

// The last character read as a decimal digit; anything else is 0.
int CompatibilityDigit(const char* version) {
  size_t length = std::strlen(version);
  char last = length ? version[length - 1] : '\0';
  return last >= '0' && last <= '9' ? last - '0' : 0;
}

void ShowAlreadyCurrent(Window page, const char* device, const char* update) {
  char already[res::kTextBufferSize], controller[res::kTextBufferSize], label[res::kTextBufferSize],
      data[res::kTextBufferSize], message[res::kTextBufferSize];
  res::LoadText(res::kTextAlreadyUpdated, already, sizeof already);
  res::LoadText(res::kTextMasterController, controller, sizeof controller);
  res::LoadText(res::kTextVersionLabel, label, sizeof label);
  res::LoadText(res::kTextUpdateData, data, sizeof data);
  // Cut at the formatter's limit of 1024 characters, as on Windows.
  if (std::snprintf(message, sizeof message, "%s\n\n%s\n  [%s%s]\n\n%s\n  [%s%s]", already, controller, label,
                    device, data, label, update) < 0) {
    message[0] = '\0';
  }
  Host().ShowMessageBox(page, message, kBoxOk | kBoxIconInformation);
}

// The two versions shown on page, upper-cased for comparison.
void ReadVersions(Window page, char (&device)[kVersionLimit], char (&update)[kVersionLimit]) {
  Host().GetText(page, res::kControlDeviceVersion, device, sizeof device);
  Host().GetText(page, res::kControlUpdateVersion, update, sizeof update);
  platform::UpperCaseInPlace(device);
  platform::UpperCaseInPlace(update);
}

}  // namespace

bool DeviceVersionBehind(Window page) {
  char device[kVersionLimit], update[kVersionLimit];
  ReadVersions(page, device, update);
  return platform::CompareText(update, device) > 0;
}

UpdateDecision DecideUpdate(Window page) {
  char device[kVersionLimit], update[kVersionLimit];
  ReadVersions(page, device, update);

  UpdateDecision result = kUpdateSinglePass;
  if (gUpdateState->compatibilityCheck) {
    int deviceDigit = CompatibilityDigit(device), updateDigit = CompatibilityDigit(update);
    if (deviceDigit != updateDigit) {
      char text[res::kTextBufferSize];
      res::LoadText(res::kTextIncompatible, text, sizeof text);
      Host().ShowMessageBox(page, text, kBoxOk | kBoxIconError);
      return kUpdateIncompatible;
    }
    if (updateDigit == 2 && platform::CompareText(device, THREE_STAGE_VERSION_LIMIT) <= 0) result = kUpdateThreeStage;
  }
  if (gUpdateState->versionCheck && platform::CompareText(update, device) <= 0) {
    gOutcomeIfEnded = 0;  // the wizard ends with 0 after this box
    ShowAlreadyCurrent(page, device, update);
    return kUpdateAlreadyCurrent;
  }
  return result;
}
