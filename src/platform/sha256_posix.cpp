#include <openssl/crypto.h>
#include <openssl/evp.h>

#include "platform/sha256.h"

namespace platform {

bool Sha256(std::span<const uint8_t> data, Sha256Digest& digest) {
  unsigned int size = 0;
  bool done = EVP_Digest(data.data(), data.size(), digest.data(), &size, EVP_sha256(), nullptr) == 1 &&
              size == digest.size();
  // libcrypto keeps state for each thread that used it until the thread ends.
  // The update's worker runs detached and may still be ending when the program
  // exits, so nothing is left behind in the calling thread.
  OPENSSL_thread_stop();
  return done;
}

}  // namespace platform
