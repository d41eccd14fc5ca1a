// The program's resources: texts in 19 languages, the five window layouts, the
// firmware images. Everything here is generated at build time from the text
// files of src/resources/text and the layout description src/resources/layouts.txt.
#pragma once

#include <cstdint>
#include <span>

#include "platform/sha256.h"

namespace res {

// Every text is loaded into a buffer of this size.
inline constexpr int kTextBufferSize = 1024;

// String IDs.
enum TextId : int {
  kTextPrecautionsHeading = 1,
  kTextFirstPrecaution = 2,   // 2 to 9: the precautions, one a line
  kTextLastPrecaution = 11,   // the list is loaded up to 11; 10 and 11 have no text
  kTextConnectionError = 12,
  kTextUpdateError = 13,
  kTextQuitQuestion = 14,
  kTextVersionUnknown = 16,
  kTextAlreadyUpdated = 18,
  kTextIncompatible = 19,
  kTextStartWarning = 20,
  kTextConfirmHeading = 21,
  kTextUpdateData = 22,
  kTextVersionLabel = 23,
  kTextCheckingVersion = 24,
  kTextSending = 25,
  kTextUpdatedPowerCycle = 26,
  kTextOverwriting = 27,
  kTextResultHeading = 28,
  kTextMasterController = 31,
  kTextThreeReminders = 33,
  kTextStageTitle = 34,
  kTextPowerCycle = 35,
  // The terminal's own words, on systems without Windows resources only: the
  // buttons with the letter typed for each in brackets, and the box kinds.
  kTextButtonNext = 40,
  kTextButtonBack = 41,
  kTextButtonFinish = 42,
  kTextButtonCancel = 43,
  kTextButtonOk = 44,
  kTextButtonYes = 45,
  kTextButtonNo = 46,
  kTextBoxWarning = 47,
  kTextBoxError = 48,
  kTextBoxInformation = 49,
};

// Dialog template IDs.
enum TemplateId : int {
  kPrecautionsPageTemplate = 101,
  kConfirmPageTemplate = 102,
  kResultPageTemplate = 103,
  kProgressDialogTemplate = 104,
  kVersionPopupTemplate = 105,
};
inline constexpr int kIconId = 107;

// Control IDs within the templates.
enum ControlId : int {
  kControlPrecautions = 1000,    // page 101: the precautions list
  kControlHeading = 1001,        // pages: the heading; progress dialog: the status text
  kControlDeviceVersion = 1002,  // pages 102, 103
  kControlUpdateVersion = 1003,  // pages 102, 103
  kControlProgressBar = 1003,    // progress dialog
  kControlDeviceFrame = 1004,
  kControlUpdateFrame = 1005,
  kControlDeviceLabel = 1006,
  kControlUpdateLabel = 1007,
  kControlPercent = 1008,  // progress dialog: the percentage beside the bar
  kControlWaitText = 1010,  // wait popup
};
inline constexpr int kImageName = 106;

// Loads text id in the user's language into buffer (size bytes, terminator
// included). An ID without text loads as the empty text. Returns the length.
int LoadText(int id, char* buffer, int size);

// The firmware image of a stage (0 boot, 1 intermediate, 2 main) as it lies in
// the program's own file; empty when the program carries none.
std::span<const uint8_t> FirmwareImage(int stage);

// The SHA-256 digest of a stage's image as the build embedded it; null for a
// stage the build embedded no image for.
const platform::Sha256Digest* RecordedImageDigest(int stage);

}  // namespace res
