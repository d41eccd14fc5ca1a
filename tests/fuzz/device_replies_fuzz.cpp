// The device's replies to the three questions, over either transport: the
// status, then the version read and the version decision, then the write
// progress. The driver answers each request with bytes of the input.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "device/link.h"
#include "device/protocol.h"
#include "fuzz_support.h"
#include "resources/resources.h"
#include "update/decision.h"
#include "update/queries.h"
#include "update/update_state.h"

namespace {

std::vector<fuzz::Request> RequestsOf(uint8_t code) {
  std::vector<fuzz::Request> some;
  for (const fuzz::Request& r : fuzz::Requests()) {
    if (r.code == code) some.push_back(r);
  }
  return some;
}

// The byte at `at` of an answered reply; 0 when the request failed or the
// reply was shorter, as the program's zeroed reply buffer reads.
int ReplyByte(const fuzz::Request& r, size_t at) { return r.answered && at < r.reply.size() ? r.reply[at] : 0; }

// The blank-separated words of a reply's version text.
std::vector<std::string> VersionWords(const fuzz::Request& r) {
  std::string text;
  for (size_t at = kVersionTextAt; at < kVersionTextAt + static_cast<size_t>(kVersionTextLength); ++at) {
    char c = static_cast<char>(ReplyByte(r, at));
    if (c == '\0') break;
    text += c;
  }
  return fuzz::BlankSeparatedWords(text);
}

std::string TextOf(fuzz::Host& host, Window window, int control) {
  char text[res::kTextBufferSize] = {};
  host.GetText(window, control, text, sizeof text);
  return text;
}

void CheckStatus(fuzz::Host& host, Window page, DeviceLink& link) {
  int boxes = host.boxes;
  int ready = CheckDeviceStatus(page, &link);
  auto asked = RequestsOf(REQ_GET_STATUS);
  fuzz::Check(asked.size() == 1, "the status is asked once");
  fuzz::Check(ready == (ReplyByte(asked[0], kStatusByte) == 0 ? 1 : 0), "ready exactly when the status byte is 0");
  fuzz::Check(host.boxes == boxes + (ready ? 0 : 1), "a device that is not ready gets one box");
}

bool CheckVersion(fuzz::Host& host, Window page, DeviceLink& link) {
  int boxes = host.boxes;
  int read = ReadFirmwareVersion(page, &link);
  auto asked = RequestsOf(REQ_GET_VERSION);
  fuzz::Check(!asked.empty() && asked.size() <= 30, "the version is asked 1 to 30 times");
  std::vector<std::string> words = VersionWords(asked.back());
  bool answered = words.size() >= 2;
  fuzz::Check(read == (answered ? 1 : 0), "the version is read exactly when a reply holds two words");
  for (size_t i = 0; i + 1 < asked.size(); ++i) {
    fuzz::Check(VersionWords(asked[i]).size() < 2, "the version is asked again only after an unusable reply");
  }
  fuzz::Check(host.boxes == boxes + (read ? 0 : 1), "an unread version gets one box");
  if (!read) return false;
  fuzz::Check(TextOf(host, page, res::kControlDeviceVersion) == words[1], "the device's version is the second word");
  fuzz::Check(TextOf(host, page, res::kControlUpdateVersion) == UPDATE_DATA_VERSION, "the update's version is shown");
  return true;
}

void CheckDecision(fuzz::Host& host, Window page) {
  int boxes = host.boxes;
  UpdateDecision decision = DecideUpdate(page);
  fuzz::Check(decision >= kUpdateSinglePass && decision <= kUpdateThreeStage, "one of the four decisions");
  bool refused = decision == kUpdateIncompatible || decision == kUpdateAlreadyCurrent;
  fuzz::Check(host.boxes == boxes + (refused ? 1 : 0), "a refusal, and only a refusal, shows one box");
  if (!gUpdateState->compatibilityCheck) {
    fuzz::Check(decision != kUpdateIncompatible && decision != kUpdateThreeStage, "no type check under /C");
  }
  if (!gUpdateState->versionCheck) fuzz::Check(decision != kUpdateAlreadyCurrent, "no version check under /R");
}

void CheckProgress(fuzz::Host& host, Window dialog, DeviceLink& link) {
  int written = WaitForWriteProgress(dialog, &link);
  auto asked = RequestsOf(REQ_GET_PROGRESS);
  fuzz::Check(!asked.empty(), "the progress is asked");
  int last = ReplyByte(asked.back(), kProgressByte);
  int zeros = static_cast<int>(std::count_if(asked.begin(), asked.end(),
                                             [](const fuzz::Request& r) { return ReplyByte(r, kProgressByte) == 0; }));
  fuzz::Check(written == (last >= 100 ? 1 : 0), "written exactly when the last reading is 100 or more");
  fuzz::Check(written || (last == 0 && zeros == 31), "the wait gives up only at the 31st reading of 0");
  if (written) fuzz::Check(TextOf(host, dialog, res::kControlPercent) == std::to_string(last) + " %", "the last reading is shown");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Host& host = fuzz::StartHost();
  fuzz::StartDriver(data, size);
  uint8_t flags = fuzz::DriverInput().Byte();

  DeviceLink link{};
  link.transport = flags & 1;
  controlHandle = dataHandle = secondPipeHandle = printerHandle = printerSecondHandle = driver::kInvalidHandle;
  (link.transport ? controlHandle : printerHandle) = fuzz::GrantHandle();
  if (link.transport) dataHandle = controlHandle;
  UpdateState state{0, (flags >> 1) & 1, (flags >> 2) & 1};
  gUpdateState = &state;

  Window page = host.CreateModeless(res::kConfirmPageTemplate, kNoWindow, nullptr, 0);
  Window dialog = host.CreateModeless(res::kProgressDialogTemplate, kNoWindow, nullptr, 0);
  CheckStatus(host, page, link);
  if (CheckVersion(host, page, link)) CheckDecision(host, page);
  CheckProgress(host, dialog, link);
  host.Destroy(page);
  host.Destroy(dialog);

  CloseDevice(&link);
  fuzz::Check(fuzz::OpenHandles() == 0, "every handle is closed");
  gUpdateState = nullptr;
  return 0;
}
