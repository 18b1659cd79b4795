#include "system/LogDigest.h"

#include <wincrypt.h>

#include <algorithm>

#include "framework/Handles.h"
#include "system/RegistryRecords.h"

namespace kalvorin {

namespace {

constexpr char kDigestSuffix[] = "\\Unscr.log SHA-256";

// The headers name SHA-256 only when built for Windows XP SP3 and later;
// the program is built for XP and finds the AES provider at run time.
constexpr ALG_ID kSha256 = ALG_CLASS_HASH | ALG_TYPE_ANY | 12;  // ALG_SID_SHA_256: CALG_SHA_256, 0x800C

// Owners of the provider and the hash object.
class CryptProvider {
public:
    CryptProvider() {
        if (!::CryptAcquireContextA(&provider_, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT)) provider_ = 0;
    }
    ~CryptProvider() {
        if (provider_ != 0) ::CryptReleaseContext(provider_, 0);
    }
    CryptProvider(const CryptProvider&) = delete;
    CryptProvider& operator=(const CryptProvider&) = delete;
    HCRYPTPROV Get() const { return provider_; }

private:
    HCRYPTPROV provider_ = 0;
};

class CryptHash {
public:
    explicit CryptHash(HCRYPTPROV provider) {
        if (provider == 0 || !::CryptCreateHash(provider, kSha256, 0, 0, &hash_)) hash_ = 0;
    }
    ~CryptHash() {
        if (hash_ != 0) ::CryptDestroyHash(hash_);
    }
    CryptHash(const CryptHash&) = delete;
    CryptHash& operator=(const CryptHash&) = delete;
    HCRYPTHASH Get() const { return hash_; }

private:
    HCRYPTHASH hash_ = 0;
};

}  // namespace

std::optional<Sha256Digest> Sha256Of(std::span<const uint8_t> bytes) {
    const CryptProvider provider;
    const CryptHash hash(provider.Get());
    if (hash.Get() == 0) return std::nullopt;
    // CryptHashData takes at most 4 GiB - 1 at a time.
    constexpr size_t kPiece = 1u << 30;
    for (size_t at = 0; at < bytes.size(); at += kPiece) {
        const size_t length = std::min(kPiece, bytes.size() - at);
        if (!::CryptHashData(hash.Get(), bytes.data() + at, static_cast<DWORD>(length), 0)) return std::nullopt;
    }
    Sha256Digest digest{};
    DWORD size = static_cast<DWORD>(digest.size());
    if (!::CryptGetHashParam(hash.Get(), HP_HASHVAL, digest.data(), &size, 0) || size != digest.size()) {
        return std::nullopt;
    }
    return digest;
}

std::string LogDigestValueName(const std::string& displayName) {
    return ProductValueName(displayName) + kDigestSuffix;
}

LONG WriteLogDigest(const std::string& displayName, const Sha256Digest& digest) {
    RegKey key;
    const LONG created = ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kProductRootKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                           KEY_WRITE, nullptr, key.Put(), nullptr);
    if (created != ERROR_SUCCESS) return created;
    return ::RegSetValueExA(key.Get(), LogDigestValueName(displayName).c_str(), 0, REG_BINARY, digest.data(),
                            static_cast<DWORD>(digest.size()));
}

std::optional<Sha256Digest> ReadLogDigest(const std::string& displayName) {
    RegKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, kProductRootKey, KEY_READ) != ERROR_SUCCESS) return std::nullopt;
    Sha256Digest digest{};
    DWORD type = 0;
    DWORD size = static_cast<DWORD>(digest.size());
    if (::RegQueryValueExA(key.Get(), LogDigestValueName(displayName).c_str(), nullptr, &type, digest.data(), &size) !=
            ERROR_SUCCESS ||
        type != REG_BINARY || size != digest.size()) {
        return std::nullopt;
    }
    return digest;
}

bool DeleteLogDigest(const std::string& displayName) {
    spd::RegistryEntryRecord value;
    value.key = kProductRootKey;
    value.valueName = LogDigestValueName(displayName);
    return RemoveRegistryEntry(value);
}

}  // namespace kalvorin
