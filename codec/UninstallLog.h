// Unscr.log: a 108-byte UninstallLogHeader followed by one zlib stream that
// holds the file, folder and registry records (see codec/Layout.h).
//
//   spd::UninstallLog log = spd::MakeUninstallLog(name, installed, kept, folders, registry);
//   auto bytes = spd::EncodeUninstallLog(log);    // the whole file
//   auto back = spd::DecodeUninstallLog(*bytes);  // header, records, checks
#pragma once

#include "codec/ByteReader.h"
#include "codec/RegistryEntryRecord.h"
#include "codec/Status.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace spd {

struct LogFileRecord {
    static constexpr std::size_t kSize = 261;
    static constexpr std::size_t kPathWidth = 260;
    static constexpr std::uint8_t kInstalled = 0;   // written by this installation
    static constexpr std::uint8_t kKeptShared = 1;  // shared file that existed and was kept

    std::string path;
    std::uint8_t kind = kInstalled;

    std::vector<std::uint8_t> Encode() const;
    static std::optional<LogFileRecord> Decode(ByteSpan bytes);  // nullopt: < 261 bytes

    bool operator==(const LogFileRecord&) const = default;
};

struct LogFolderRecord {
    static constexpr std::size_t kSize = 256;

    std::string path;

    std::vector<std::uint8_t> Encode() const;
    static std::optional<LogFolderRecord> Decode(ByteSpan bytes);  // nullopt: < 256 bytes

    bool operator==(const LogFolderRecord&) const = default;
};

struct UninstallLogHeader {
    static constexpr std::size_t kSize = 108;
    static constexpr std::uint32_t kMagic = 0x656E7274;  // "trne"
    static constexpr std::uint16_t kVersion = 16;
    static constexpr std::size_t kNameWidth = 64;

    static constexpr std::size_t kOffMagic = 0;
    static constexpr std::size_t kOffDisplayName = 4;
    static constexpr std::size_t kOffFileLength = 68;
    static constexpr std::size_t kOffExpandedLength = 72;
    static constexpr std::size_t kOffBodyChecksum = 76;
    static constexpr std::size_t kOffVersion = 80;
    static constexpr std::size_t kOffReserved = 82;
    static constexpr std::size_t kOffFilesSize = 84;
    static constexpr std::size_t kOffFilesOffset = 88;
    static constexpr std::size_t kOffFoldersSize = 92;
    static constexpr std::size_t kOffFoldersOffset = 96;
    static constexpr std::size_t kOffRegistrySize = 100;
    static constexpr std::size_t kOffRegistryOffset = 104;

    std::uint32_t magic = kMagic;
    std::string displayName;
    std::uint32_t fileLength = 0;      // compressed length + 108 = the file's length
    std::uint32_t expandedLength = 0;  // image length + 108 = body length + 216
    std::uint32_t bodyChecksum = 0;    // Adler-32 of the body (image bytes 108..end)
    std::uint16_t version = kVersion;
    std::uint16_t reserved = 0;
    std::uint32_t filesSize = 0;
    std::uint32_t filesOffset = 0;
    std::uint32_t foldersSize = 0;
    std::uint32_t foldersOffset = 0;
    std::uint32_t registrySize = 0;
    std::uint32_t registryOffset = 0;

    std::vector<std::uint8_t> Encode() const;
    static std::optional<UninstallLogHeader> Decode(ByteSpan bytes);  // nullopt: < 108 bytes

    bool operator==(const UninstallLogHeader&) const = default;
};

struct UninstallLog {
    std::string displayName;
    std::vector<LogFileRecord> files;  // installed files first (kind 0), then kept shared files (kind 1)
    std::vector<LogFolderRecord> folders;
    std::vector<RegistryEntryRecord> registry;

    bool operator==(const UninstallLog&) const = default;
};

// Builds the log contents from the lists of an installation, in list order.
UninstallLog MakeUninstallLog(std::string displayName, const std::vector<std::string>& installedFiles,
                              const std::vector<std::string>& keptSharedFiles,
                              const std::vector<std::string>& createdFolders,
                              std::vector<RegistryEntryRecord> registryEntries);

// The whole file: the image (108-byte header area and the three sections)
// is built in memory, its body is compressed with zlib's compress() at the
// default level, and the header is filled in. Overflow when a text does not
// fit its field with its terminator (nothing is cut short) or the log would
// outgrow its 32-bit lengths; CompressError when zlib fails.
Result<std::vector<std::uint8_t>> EncodeUninstallLog(const UninstallLog& log);

struct DecodedUninstallLog {
    UninstallLogHeader header;
    UninstallLog log;
};

// Reads a whole file:
//   Truncated        fewer than 108 bytes, or fewer than fileLength
//   BadMagic         magic is not "trne"
//   BadVersion       version is not 16
//   BadSize          fileLength below 108 or expandedLength below 216
//   DecompressError  zlib error
//   LengthMismatch   the body is not expandedLength - 216 bytes long
//   ChecksumMismatch Adler-32 of the body differs from bodyChecksum
//   BadLayout        a section lies outside the image or is not a whole
//                    number of records
// Bytes after fileLength are ignored.
Result<DecodedUninstallLog> DecodeUninstallLog(ByteSpan file);

}  // namespace spd
