// SHA-256 digests, computed by the system's own cryptographic library: the
// CryptoAPI on Windows, libcrypto on Linux.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace platform {

using Sha256Digest = std::array<uint8_t, 32>;

// The digest of data into digest; false when the system cannot compute it.
bool Sha256(std::span<const uint8_t> data, Sha256Digest& digest);

}  // namespace platform
