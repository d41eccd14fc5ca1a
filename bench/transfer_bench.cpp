// Sends the shipped-size image through the simulated still-image driver and
// prints the throughput beside a bare loop of the same writes, and the number
// of heap allocations the transfer makes; then the same for the check of the
// image's digest that a run makes before it sends the header.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "bench/null_host.h"
#include "device/link.h"
#include "device/protocol.h"
#include "device/sim/bus.h"
#include "platform/clock.h"
#include "resources/resources.h"
#include "update/transfer.h"

namespace {
std::atomic<long> gAllocations{0};
}

void* operator new(std::size_t size) {
  gAllocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

DeviceLink OpenLink() {
  sim::Reset(sim::Scenario{});
  sim::CurrentBus().KeepCallLog(false);
  controlHandle = dataHandle = secondPipeHandle = driver::kInvalidHandle;
  DeviceLink link{1, {}, 0, 1};
  std::snprintf(link.deviceId, sizeof link.deviceId, "%s", kHardwareIdList);
  if (!OpenDevice(&link)) std::abort();
  return link;
}

template <typename Send>
void Measure(const char* what, int rounds, Send send) {
  auto image = res::FirmwareImage(2);
  double best = 1e9;
  long allocations = 0;
  for (int round = 0; round < rounds; ++round) {
    DeviceLink link = OpenLink();
    long before = gAllocations.load();
    auto start = std::chrono::steady_clock::now();
    if (!send(link, image)) std::abort();
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    allocations = gAllocations.load() - before;
    if (seconds < best) best = seconds;
    CloseDevice(&link);
  }
  std::printf("%-34s %9.1f MB/s  %8.3f ms  %ld heap allocations\n", what, image.size() / best / 1e6, best * 1e3,
              allocations);
}

}  // namespace

int main() {
  platform::UseVirtualClock();
  NullHost host;
  SetHost(&host);
  const int rounds = 20;
  std::printf("image of %zu bytes, best of %d rounds\n", res::FirmwareImage(2).size(), rounds);
  Measure("SendFirmwareImage (header, chunks)", rounds, [](DeviceLink& link, std::span<const uint8_t>) {
    return SendFirmwareImage(kNoWindow, &link, 2) == 1;
  });
  Measure("bare loop of the same writes", rounds, [](DeviceLink& link, std::span<const uint8_t> image) {
    ImageHeader header = MakeImageHeader(static_cast<uint32_t>(image.size()));
    if (!WriteDevice(&link, header.bytes.data(), kImageHeaderSize)) return false;
    for (size_t sent = 0; sent < image.size(); sent += IMAGE_CHUNK_SIZE) {
      size_t count = image.size() - sent < IMAGE_CHUNK_SIZE ? image.size() - sent : IMAGE_CHUNK_SIZE;
      if (!WriteDevice(&link, image.data() + sent, static_cast<uint32_t>(count))) return false;
    }
    return true;
  });
  // Once per run, before the first header; outside the transfer measured above.
  Measure("digest check before the header", rounds, [](DeviceLink&, std::span<const uint8_t>) {
    return CheckCarriedImages(2) == 1;
  });
  SetHost(nullptr);
  return 0;
}
