// The digest of a finished installation's uninstall log.
//
// Unscr.log lies in the destination folder, which other users may be able to
// write (below a drive root, a new folder inherits "Authenticated Users:
// Modify" on Windows 7 and later), while the uninstaller runs with
// administrator rights and removes what the log lists. So the setup keeps the
// SHA-256 of the log it wrote where only administrators write, and the
// uninstaller acts only on a log with exactly that digest.
//
// The digest is a REG_BINARY value of 32 bytes in HKEY_LOCAL_MACHINE,
// "Software\Brisvane Screensaver", beside the product value and named after
// it: "<display name in upper case>\Unscr.log SHA-256". A display name holds
// no backslash, so no product value can bear that name.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace kalvorin {

using Sha256Digest = std::array<uint8_t, 32>;

// SHA-256 through the system's CryptoAPI: the AES provider (Windows XP SP3
// and later), acquired by its type, PROV_RSA_AES, since its name differs on
// Windows XP. nullopt when the system cannot compute it.
std::optional<Sha256Digest> Sha256Of(std::span<const uint8_t> bytes);

// The name of the digest's value for an installation of `displayName`.
std::string LogDigestValueName(const std::string& displayName);

// Writes the digest; returns the Win32 result.
LONG WriteLogDigest(const std::string& displayName, const Sha256Digest& digest);

// The digest recorded for `displayName`; nullopt when there is none (no
// value, or one that is not 32 bytes of REG_BINARY).
std::optional<Sha256Digest> ReadLogDigest(const std::string& displayName);

// Deletes the digest of `displayName`; true when it is gone afterwards.
bool DeleteLogDigest(const std::string& displayName);

}  // namespace kalvorin
