#include <openssl/evp.h>

#include "platform/sha256.h"

namespace platform {

bool Sha256(std::span<const uint8_t> data, Sha256Digest& digest) {
  unsigned int size = 0;
  return EVP_Digest(data.data(), data.size(), digest.data(), &size, EVP_sha256(), nullptr) == 1 &&
         size == digest.size();
}

}  // namespace platform
