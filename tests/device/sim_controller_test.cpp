// The simulated master controller: its replies, how it takes an image, and how
// it leaves and rejoins the bus around the power switch.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "device/protocol.h"
#include "device/sim/bus.h"
#include "device/sim/controller.h"
#include "device/usb_wire.h"
#include "platform/clock.h"
#include "support/sim_world.h"

namespace {

using Bytes = std::vector<uint8_t>;
using sim::Controller;
using Image = sim::Controller::Image;

constexpr uint8_t kFiller = 0xA5;

Bytes Ask(Controller& c, uint8_t request, uint16_t length, uint64_t now = 0) {
  Bytes reply(length, 0);
  uint32_t returned = 0xFFFF;
  EXPECT_TRUE(c.Request(request, reply.data(), length, &returned, now));
  reply.resize(returned);
  return reply;
}

// Offsets 21 to 40 of a full version reply.
std::string VersionField(const Bytes& reply) { return std::string(reply.begin() + 21, reply.begin() + 41); }
std::string VersionField(Controller& c) { return VersionField(Ask(c, REQ_GET_VERSION, 128)); }
std::string Padded(std::string text) { return text.append(20 - text.size(), '\0'); }

int Progress(Controller& c, uint64_t now = 0) { return Ask(c, REQ_GET_PROGRESS, 64, now).at(1); }

// 02 FF 04, three zeros, the size least significant byte first, zeros to 63.
Bytes HeaderFor(uint32_t size) {
  Bytes h(64, 0);
  h[0] = 0x02, h[1] = 0xFF, h[2] = 0x04;
  for (int i = 0; i < 4; ++i) h[6 + i] = static_cast<uint8_t>(size >> (8 * i));
  return h;
}

Bytes ImageOf(uint32_t size) {
  Bytes image(size);
  for (uint32_t i = 0; i < size; ++i) image[i] = static_cast<uint8_t>(i * 7 + 3);
  return image;
}

Bytes Joined(Bytes header, const Bytes& image) {
  header.insert(header.end(), image.begin(), image.end());
  return header;
}

Bytes Stream(uint32_t size) { return Joined(HeaderFor(size), ImageOf(size)); }

// Bytes on the bulk pipe in pieces of the given sizes, the rest last.
void Deliver(Controller& c, const Bytes& stream, std::vector<uint32_t> pieces = {}, uint64_t now = 0) {
  uint32_t at = 0;
  for (uint32_t piece : pieces) c.Receive(stream.data() + at, piece, now), at += piece;
  if (at < stream.size()) c.Receive(stream.data() + at, static_cast<uint32_t>(stream.size() - at), now);
}

TEST(SimController, VersionTextStandsAtOffsets21To40AmidFiller) {
  Controller c{sim::Scenario{}};
  const std::string field = Padded("MZ5100P V2.50a-3");
  Bytes expected(128, kFiller);
  std::copy(field.begin(), field.end(), expected.begin() + 21);
  EXPECT_EQ(Ask(c, REQ_GET_VERSION, 128), expected);
  // A shorter wLength gets only that many bytes, a longer one no more than the reply holds.
  Bytes reply = Ask(c, REQ_GET_VERSION, 30);
  EXPECT_EQ(std::string(reply.begin() + 21, reply.end()), "MZ5100P V");
  EXPECT_EQ(Ask(c, REQ_GET_STATUS, 1).size(), 1u);
  EXPECT_EQ(Ask(c, REQ_GET_PROGRESS, 0).size(), 0u);
  EXPECT_EQ(Ask(c, REQ_GET_STATUS, 200).size(), 64u);
}

TEST(SimController, SilentRepliesCarryOnlyTheModelThenTheOverrideFillsTheWholeField) {
  for (const char* text : {"", "X", "MZ5100P   V2  50", "12345678901234567890"}) {
    sim::Scenario s;
    s.silent = 2;
    s.reply = text;
    Controller c{s};
    for (const char* expected : {"MZ5100P", "MZ5100P", text, text}) {
      EXPECT_EQ(VersionField(c), Padded(expected)) << text;
    }
  }
}

TEST(SimController, StatusCarriesTheScenariosByteAndUnknownRequestsAreRefused) {
  for (int status : {0, 1, 0x5C, 255}) {
    sim::Scenario s;
    s.status = status;
    Controller c{s};
    Bytes expected(64, kFiller);
    expected[0] = static_cast<uint8_t>(status);
    EXPECT_EQ(Ask(c, REQ_GET_STATUS, 64), expected);
  }
  Controller c{sim::Scenario{}};
  uint8_t reply[128];
  uint32_t returned = 0;
  for (int request : {0, 1, 4, 8, 0x45, 255}) {
    EXPECT_FALSE(c.Request(static_cast<uint8_t>(request), reply, 128, &returned, 0)) << request;
  }
}

TEST(SimController, AnImageInUnevenPiecesArrivesWhole) {
  const Bytes stream = Stream(1000), image = ImageOf(1000);
  const std::vector<std::vector<uint32_t>> cuts = {{},           {64},         {1, 62, 1},      {10, 54, 999},
                                                   {30, 100, 1}, {63, 2, 500}, {64, 1, 1, 1, 1}};
  for (const auto& cut : cuts) {
    Controller c{sim::Scenario{}};
    Deliver(c, stream, cut);
    EXPECT_EQ(c.ImageState(), Image::Arrived) << cut.size();
    EXPECT_EQ(c.AnnouncedSize(), 1000u);
    EXPECT_EQ(c.ImageBytes(), 1000u);
    EXPECT_EQ(c.ImageChecksum(), sim::ImageChecksumOf(image.data(), 1000));
    EXPECT_TRUE(std::equal(c.Header().begin(), c.Header().end(), stream.begin()));
  }
}

TEST(SimController, ABadHeaderOrAWrongLengthIsNeverWritten) {
  std::vector<Bytes> streams;
  for (auto [offset, value] : {std::pair{0, 0x03}, {1, 0xFE}, {2, 0x00}, {3, 1}, {5, 0x80}, {10, 1}, {63, 1}}) {
    streams.push_back(Stream(100));
    streams.back()[offset] = static_cast<uint8_t>(value);
  }
  streams.push_back(Joined(HeaderFor(0), ImageOf(100)));    // announces no image
  streams.push_back(Joined(HeaderFor(100), ImageOf(101)));  // one byte more than announced
  for (size_t n = 0; n < streams.size(); ++n) {
    for (std::vector<uint32_t> cut : {std::vector<uint32_t>{}, {64}, {164}}) {
      SCOPED_TRACE("stream " + std::to_string(n) + ", pieces " + std::to_string(cut.size() + 1));
      Controller c{sim::Scenario{}};
      Deliver(c, streams[n], cut);
      EXPECT_EQ(c.ImageState(), Image::Rejected);
      for (int i = 0; i < 8; ++i) EXPECT_EQ(Progress(c), 0);
      EXPECT_TRUE(c.Present(1'000'000'000));
    }
  }
  Controller shorter{sim::Scenario{}};
  Deliver(shorter, Joined(HeaderFor(100), ImageOf(99)));
  EXPECT_EQ(shorter.ImageState(), Image::Receiving);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(Progress(shorter), 0);
}

TEST(SimController, ProgressFollowsTheListAndRepeatsItsLast) {
  const std::vector<std::pair<std::vector<int>, std::vector<int>>> cases = {
      {{0, 20, 40, 60, 80, 100}, {0, 20, 40, 60, 80, 100, 100, 100}},
      {{0, 40, 0, 80, 100}, {0, 40, 0, 80, 100, 100}},
      {{30, 255}, {30, 255, 255}},
      {{55}, {55, 55}},
  };
  for (const auto& [list, readings] : cases) {
    sim::Scenario s;
    s.progress = list;
    Controller c{s};
    EXPECT_EQ(Progress(c), 0);  // before any image: 0, and the list is not consumed
    Deliver(c, Stream(10));
    std::vector<int> read;
    for (size_t i = 0; i < readings.size(); ++i) read.push_back(Progress(c));
    EXPECT_EQ(read, readings);
  }
}

TEST(SimController, PowerAutoLeavesAndRejoinsWithTheNewFirmware) {
  sim::Scenario s;
  s.reply = "MZ5100P OLD";
  Controller c{s};
  const uint64_t t = 50'000;  // when the reading of 100 is served
  Deliver(c, Stream(10), {}, t - 100);
  for (int expected : {0, 20, 40, 60, 80, 100}) EXPECT_EQ(Progress(c, t), expected);
  EXPECT_TRUE(c.Present(t + 2999));
  EXPECT_EQ(VersionField(c), Padded("MZ5100P OLD"));
  EXPECT_FALSE(c.Present(t + 3000));
  EXPECT_FALSE(c.Present(t + 4999));
  EXPECT_EQ(c.Attachments(), 1u);
  EXPECT_TRUE(c.Present(t + 5000));
  EXPECT_EQ(c.Attachments(), 2u);
  EXPECT_EQ(c.PowerCycles(), 1);
  EXPECT_EQ(c.ImagesWritten(), 1);
  EXPECT_EQ(c.Version(), "V2.60a-3");
  EXPECT_EQ(VersionField(c), Padded("MZ5100P V2.60a-3"));  // the override no longer applies
  EXPECT_EQ(c.ImageState(), Image::Waiting);
  EXPECT_EQ(Progress(c, t + 5001), 0);
  Deliver(c, Stream(20), {5}, t + 6000);  // a second image is taken
  EXPECT_EQ(c.ImageState(), Image::Arrived);
}

TEST(SimController, PowerNeverAndOffAndAnUnfinishedWriteBringNoPowerCycle) {
  struct Case {
    sim::Power power;
    int readings;  // progress readings served; the sixth reads 100
    bool presentLater;
  };
  const uint64_t t = 10'000;
  for (auto [power, readings, present] :
       {Case{sim::Power::Never, 6, true}, {sim::Power::Off, 6, false}, {sim::Power::Auto, 5, true}}) {
    sim::Scenario s;
    s.power = power;
    Controller c{s};
    Deliver(c, Stream(10));
    for (int i = 0; i < readings; ++i) Progress(c, t);
    EXPECT_TRUE(c.Present(t + 2999));
    EXPECT_EQ(c.Present(t + 3000), present);
    EXPECT_EQ(c.Present(t + 86'400'000), present);
    EXPECT_EQ(c.Attachments(), 1u);
    EXPECT_EQ(c.PowerCycles(), 0);
    EXPECT_EQ(c.Version(), "V2.50a-3");
  }
}

// Through the simulated driver, as the updater sees the device.
class SimBus : public testing_support::SimWorld {
 protected:
  driver::Handle OpenPipe() { return Bus().Open("\\\\.\\Usbscan0\\0", kStillImageOpenAttributes); }
  bool Ask(driver::Handle h, uint8_t request, Bytes& reply) {
    auto size = static_cast<uint32_t>(reply.size());
    IoBlockEx block{0, size, reply.data(), 0, request, kVendorInInterface, 1};
    uint32_t returned = 0;
    return Bus().Control(h, IOCTL_SEND_USB_REQUEST, &block, sizeof block, reply.data(), size, &returned);
  }
  uint32_t Write(driver::Handle h, const Bytes& bytes, uint32_t from, uint32_t count) {
    uint32_t written = 0xDEAD;
    bool ok = Bus().Write(h, bytes.data() + from, count, &written);
    EXPECT_EQ(ok, written > 0);
    return written;
  }
};

TEST_F(SimBus, AHandleFromBeforeThePowerCycleStaysDead) {
  driver::Handle old = OpenPipe();
  const Bytes stream = Stream(10);
  ASSERT_EQ(Write(old, stream, 0, 74), 74u);
  Bytes progress(64), version(128);
  for (int i = 0; i < 6; ++i) ASSERT_TRUE(Ask(old, REQ_GET_PROGRESS, progress));
  ASSERT_EQ(progress[1], 100);
  platform::AdvanceVirtualClock(3000);
  EXPECT_FALSE(Ask(old, REQ_GET_VERSION, version));
  EXPECT_EQ(OpenPipe(), driver::kInvalidHandle);  // off the bus
  platform::AdvanceVirtualClock(2000);
  EXPECT_FALSE(Ask(old, REQ_GET_VERSION, version));
  EXPECT_EQ(Write(old, stream, 0, 74), 0u);
  driver::Handle fresh = OpenPipe();
  ASSERT_NE(fresh, driver::kInvalidHandle);
  ASSERT_TRUE(Ask(fresh, REQ_GET_VERSION, version));
  EXPECT_EQ(VersionField(version), Padded("MZ5100P V2.60a-3"));
  EXPECT_EQ(Write(fresh, stream, 0, 74), 74u);
  EXPECT_EQ(Bus().ControllerAt(0)->ImageState(), Image::Arrived);
}

TEST_F(SimBus, OnlyTheChosenWriteFailsAndTheLimitCapsEachWrite) {
  sim::Scenario s;
  s.failWrite = 2;
  Start(s);
  driver::Handle h = OpenPipe();
  const Bytes stream = Stream(30), image = ImageOf(30);
  EXPECT_EQ(Write(h, stream, 0, 64), 64u);
  EXPECT_EQ(Write(h, stream, 64, 10), 0u);  // the second write
  EXPECT_EQ(Write(h, stream, 64, 30), 30u);
  EXPECT_EQ(Bus().WriteCount(), 3);
  EXPECT_EQ(Bus().ControllerAt(0)->ImageChecksum(), sim::ImageChecksumOf(image.data(), 30));
  EXPECT_EQ(Bus().ControllerAt(0)->ImageState(), Image::Arrived);

  s = sim::Scenario{};
  s.writeLimit = 50;
  Start(s);
  h = OpenPipe();
  const Bytes longer = Stream(100);
  std::vector<uint32_t> taken;
  for (uint32_t at = 0; at < longer.size() && taken.size() < 10; at += taken.back()) {
    taken.push_back(Write(h, longer, at, static_cast<uint32_t>(longer.size()) - at));
  }
  EXPECT_EQ(taken, (std::vector<uint32_t>{50, 50, 50, 14}));
  EXPECT_EQ(Bus().ControllerAt(0)->ImageState(), Image::Arrived);
}

}  // namespace
