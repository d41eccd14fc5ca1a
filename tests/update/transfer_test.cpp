// Sending firmware images to the simulated device: the header, the writes of at
// most 65,472 bytes, the percentages on the progress dialog, and the failures.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "resources/language.h"
#include "resources/resources.h"
#include "support/sim_world.h"
#include "support/test_host.h"
#include "update/transfer.h"

namespace {

using testing_support::HostEvent;
using Image = sim::Controller::Image;

std::vector<uint8_t> Pattern(size_t size) {
  std::vector<uint8_t> image(size);
  for (size_t i = 0; i < size; ++i) image[i] = static_cast<uint8_t>(i * 13 + i / 251);
  return image;
}

// The header as the device expects it: 02 FF 04, three zeros, the size least
// significant byte first, zeros.
std::array<uint8_t, 64> HeaderWith(std::array<uint8_t, 4> size) {
  std::array<uint8_t, 64> header{0x02, 0xFF, 0x04};
  std::copy(size.begin(), size.end(), header.begin() + 6);
  return header;
}

class Transfer : public testing_support::SimWorld {
 protected:
  void SetUp() override {
    SimWorld::SetUp();
    res::SetCurrentLanguage(res::kEnglish);
    gImageSource = res::FirmwareImage;
  }
  void TearDown() override {
    SetHost(nullptr);
    res::SetCurrentLanguage(0);
    SimWorld::TearDown();
  }
  void Begin(const sim::Scenario& scenario = {}) {
    Start(scenario);
    host = std::make_unique<testing_support::TestHost>();
    SetHost(host.get());
    dialog = host->CreateModeless(res::kProgressDialogTemplate, kNoWindow, nullptr, 0);
    ASSERT_NE(dialog, kNoWindow);
    ASSERT_EQ(OpenDevice(&link), 1);
    Bus().ClearCalls();
    started = platform::MonotonicMs();
  }
  std::vector<uint32_t> WriteSizes() {
    std::vector<uint32_t> sizes;
    for (const sim::Call& call : CallsOf(sim::Call::Write)) {
      EXPECT_EQ(call.handle, dataHandle);
      sizes.push_back(call.size);
    }
    return sizes;
  }
  // The percentages beside the bar, each checked against the bar's position.
  std::vector<int> Percentages() {
    std::vector<int> shown;
    int bar = -1;
    for (const HostEvent& e : host->Events()) {
      EXPECT_EQ(e.window, dialog);
      if (e.kind == HostEvent::Progress && e.control == res::kControlProgressBar) bar = static_cast<int>(e.value);
      if (e.kind == HostEvent::Text && e.control == res::kControlPercent) {
        shown.push_back(std::stoi(e.text));
        EXPECT_EQ(e.text, std::to_string(shown.back()) + " %");
        EXPECT_EQ(bar, shown.back()) << "the bar moves to each percentage before it is shown";
        bar = -1;
      }
    }
    return shown;
  }
  uint64_t Elapsed() { return platform::MonotonicMs() - started; }

  std::unique_ptr<testing_support::TestHost> host;
  Window dialog = kNoWindow;
  uint64_t started = 0;
};

TEST(ImageHeaderBytes, CarryTheMarkAndTheSizeLeastSignificantByteFirst) {
  struct Case {
    uint32_t size;
    std::array<uint8_t, 4> bytes;
  };
  const Case cases[] = {
      {1, {0x01, 0x00, 0x00, 0x00}},           {65472, {0xC0, 0xFF, 0x00, 0x00}},
      {1399240, {0xC8, 0x59, 0x15, 0x00}},     {0x01020304, {0x04, 0x03, 0x02, 0x01}},
      {0xFFFFFFFF, {0xFF, 0xFF, 0xFF, 0xFF}},
  };
  for (const Case& c : cases) EXPECT_EQ(MakeImageHeader(c.size).bytes, HeaderWith(c.bytes)) << c.size;
}

TEST_F(Transfer, ImagesGoInWritesOfAtMost65472BytesWithTheirPercentages) {
  struct Case {
    uint32_t size;
    std::vector<uint32_t> writes;  // after the header
    std::vector<int> percentages;
  };
  std::vector<uint32_t> shipped(21, 65472);
  shipped.push_back(24328);
  const Case cases[] = {
      {1, {1}, {100}},
      {65472, {65472}, {100}},
      {65473, {65472, 1}, {99, 100}},
      {130944, {65472, 65472}, {50, 100}},
      {1399240, shipped, {4, 9, 14, 18, 23, 28, 32, 37, 42, 46, 51, 56, 60, 65, 70, 74, 79, 84, 88, 93, 98, 100}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    Begin();
    DeviceLink before = link;
    std::vector<uint8_t> image = Pattern(c.size);

    EXPECT_EQ(SendImage(dialog, &link, image), 1);
    std::vector<uint32_t> writes{64};
    writes.insert(writes.end(), c.writes.begin(), c.writes.end());
    EXPECT_EQ(WriteSizes(), writes);
    EXPECT_EQ(Percentages(), c.percentages);
    sim::Controller* device = Bus().ControllerAt(0);
    EXPECT_EQ(device->Header(), HeaderWith({static_cast<uint8_t>(c.size), static_cast<uint8_t>(c.size >> 8),
                                            static_cast<uint8_t>(c.size >> 16), static_cast<uint8_t>(c.size >> 24)}));
    EXPECT_EQ(device->ImageState(), Image::Arrived);
    EXPECT_EQ(device->AnnouncedSize(), c.size);
    EXPECT_EQ(device->ImageBytes(), c.size);
    EXPECT_EQ(device->ImageChecksum(), sim::ImageChecksumOf(image.data(), image.size()));
    EXPECT_EQ(Elapsed(), 1000u);  // a second for the device after the last write
    EXPECT_EQ(link.transport, before.transport);
    EXPECT_EQ(link.dataPipe, before.dataPipe);
    EXPECT_EQ(link.secondPipe, before.secondPipe);
    EXPECT_STREQ(link.deviceId, before.deviceId);
    EXPECT_TRUE(host->Boxes().empty());
  }
}

TEST_F(Transfer, AFailedWriteEndsTheTransferAndAnEmptyImageSendsNothing) {
  struct Case {
    const char* what;
    int failWrite;  // the header's write is the first
    uint32_t size;
    size_t writes;
    std::vector<int> percentages;
    Image state;
    uint64_t received;
  };
  const Case cases[] = {
      {"third data write", 4, 200000, 4, {32, 65}, Image::Receiving, 130944},
      {"header write", 1, 200000, 1, {}, Image::Waiting, 0},
      {"empty image", 0, 0, 0, {}, Image::Waiting, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    sim::Scenario scenario;
    scenario.failWrite = c.failWrite;
    Begin(scenario);
    std::vector<uint8_t> image = Pattern(c.size);

    EXPECT_EQ(SendImage(dialog, &link, image), 0);
    EXPECT_EQ(WriteSizes().size(), c.writes);
    EXPECT_EQ(Percentages(), c.percentages);
    sim::Controller* device = Bus().ControllerAt(0);
    EXPECT_EQ(device->ImageState(), c.state);
    EXPECT_EQ(device->ImageBytes(), c.received);
    EXPECT_TRUE(host->Boxes().empty());
  }
}

TEST_F(Transfer, TheProgramSendsItsEmbeddedMainImageAndFailsForStagesWithoutOne) {
  std::span<const uint8_t> main = res::FirmwareImage(2);
  ASSERT_EQ(main.size(), 1399240u);
  const char mark[] = "DEVELOPMENT FIRMWARE IMAGE";
  EXPECT_EQ(std::memcmp(main.data(), mark, sizeof mark - 1), 0);

  Begin();
  EXPECT_EQ(SendFirmwareImage(dialog, &link, 2), 1);
  sim::Controller* device = Bus().ControllerAt(0);
  EXPECT_EQ(device->ImageState(), Image::Arrived);
  EXPECT_EQ(device->AnnouncedSize(), 1399240u);
  EXPECT_EQ(device->ImageChecksum(), sim::ImageChecksumOf(main.data(), main.size()));
  EXPECT_EQ(WriteSizes().size(), 1u + 22u);
  EXPECT_EQ(Percentages().back(), 100);

  for (int stage : {0, 1}) {
    SCOPED_TRACE(stage);
    Begin();
    EXPECT_EQ(SendFirmwareImage(dialog, &link, stage), 0);
    EXPECT_TRUE(WriteSizes().empty());
    EXPECT_TRUE(host->Events().empty());
    EXPECT_EQ(Elapsed(), 0u);
  }
}

}  // namespace
