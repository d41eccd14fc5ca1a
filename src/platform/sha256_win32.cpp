// The CryptoAPI's SHA-256, which the AES provider has from Windows XP SP3 on. A
// context that holds no keys (CRYPT_VERIFYCONTEXT) needs no key container and no
// rights of the user's.
#include <algorithm>
#include <limits>

#include "platform/sha256.h"
#include "platform/win.h"

#include <wincrypt.h>

namespace platform {
namespace {

// CALG_SHA_256, which the headers give only to programs built for XP SP3 and
// later; the program is built for XP and looks no further than SP3 for it.
constexpr ALG_ID kSha256Algorithm = ALG_CLASS_HASH | ALG_TYPE_ANY | 12;

class Provider {
 public:
  Provider() {
    if (!::CryptAcquireContextA(&handle_, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT)) handle_ = 0;
  }
  ~Provider() {
    if (handle_) ::CryptReleaseContext(handle_, 0);
  }
  Provider(const Provider&) = delete;
  Provider& operator=(const Provider&) = delete;
  HCRYPTPROV get() const { return handle_; }

 private:
  HCRYPTPROV handle_ = 0;
};

class Hash {
 public:
  explicit Hash(HCRYPTPROV provider) {
    if (!provider || !::CryptCreateHash(provider, kSha256Algorithm, 0, 0, &handle_)) handle_ = 0;
  }
  ~Hash() {
    if (handle_) ::CryptDestroyHash(handle_);
  }
  Hash(const Hash&) = delete;
  Hash& operator=(const Hash&) = delete;
  HCRYPTHASH get() const { return handle_; }

 private:
  HCRYPTHASH handle_ = 0;
};

}  // namespace

bool Sha256(std::span<const uint8_t> data, Sha256Digest& digest) {
  Provider provider;
  Hash hash(provider.get());
  if (!hash.get()) return false;
  // CryptHashData takes at most a DWORD's worth of bytes at a time.
  constexpr size_t kPiece = std::numeric_limits<DWORD>::max();
  for (size_t done = 0; done < data.size();) {
    DWORD count = static_cast<DWORD>(std::min(kPiece, data.size() - done));
    if (!::CryptHashData(hash.get(), data.data() + done, count, 0)) return false;
    done += count;
  }
  DWORD size = static_cast<DWORD>(digest.size());
  return ::CryptGetHashParam(hash.get(), HP_HASHVAL, digest.data(), &size, 0) && size == digest.size();
}

}  // namespace platform
