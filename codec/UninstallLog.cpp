#include "codec/UninstallLog.h"

#include "codec/ByteWriter.h"
#include "codec/Checksum.h"
#include "codec/Compression.h"

#include <limits>

namespace spd {

std::vector<std::uint8_t> LogFileRecord::Encode() const {
    ByteWriter w(kSize);
    w.FixedStringAt(0, path, kPathWidth);
    w.U8At(kPathWidth, kind);
    return w.Take();
}

std::optional<LogFileRecord> LogFileRecord::Decode(ByteSpan bytes) {
    if (bytes.size() < kSize) return std::nullopt;
    ByteReader r(bytes);
    LogFileRecord rec;
    rec.path = r.FixedStringAt(0, kPathWidth);
    rec.kind = r.U8At(kPathWidth);
    return rec;
}

std::vector<std::uint8_t> LogFolderRecord::Encode() const {
    ByteWriter w(kSize);
    w.FixedStringAt(0, path, kSize);
    return w.Take();
}

std::optional<LogFolderRecord> LogFolderRecord::Decode(ByteSpan bytes) {
    if (bytes.size() < kSize) return std::nullopt;
    return LogFolderRecord{FixedStringFrom(bytes.first(kSize))};
}

std::vector<std::uint8_t> UninstallLogHeader::Encode() const {
    ByteWriter w(kSize);
    w.U32At(kOffMagic, magic);
    w.FixedStringAt(kOffDisplayName, displayName, kNameWidth);
    w.U32At(kOffFileLength, fileLength);
    w.U32At(kOffExpandedLength, expandedLength);
    w.U32At(kOffBodyChecksum, bodyChecksum);
    w.U16At(kOffVersion, version);
    w.U16At(kOffReserved, reserved);
    w.U32At(kOffFilesSize, filesSize);
    w.U32At(kOffFilesOffset, filesOffset);
    w.U32At(kOffFoldersSize, foldersSize);
    w.U32At(kOffFoldersOffset, foldersOffset);
    w.U32At(kOffRegistrySize, registrySize);
    w.U32At(kOffRegistryOffset, registryOffset);
    return w.Take();
}

std::optional<UninstallLogHeader> UninstallLogHeader::Decode(ByteSpan bytes) {
    if (bytes.size() < kSize) return std::nullopt;
    ByteReader r(bytes);
    UninstallLogHeader h;
    h.magic = r.U32At(kOffMagic);
    h.displayName = r.FixedStringAt(kOffDisplayName, kNameWidth);
    h.fileLength = r.U32At(kOffFileLength);
    h.expandedLength = r.U32At(kOffExpandedLength);
    h.bodyChecksum = r.U32At(kOffBodyChecksum);
    h.version = r.U16At(kOffVersion);
    h.reserved = r.U16At(kOffReserved);
    h.filesSize = r.U32At(kOffFilesSize);
    h.filesOffset = r.U32At(kOffFilesOffset);
    h.foldersSize = r.U32At(kOffFoldersSize);
    h.foldersOffset = r.U32At(kOffFoldersOffset);
    h.registrySize = r.U32At(kOffRegistrySize);
    h.registryOffset = r.U32At(kOffRegistryOffset);
    return h;
}

UninstallLog MakeUninstallLog(std::string displayName, const std::vector<std::string>& installedFiles,
                              const std::vector<std::string>& keptSharedFiles,
                              const std::vector<std::string>& createdFolders,
                              std::vector<RegistryEntryRecord> registryEntries) {
    UninstallLog log;
    log.displayName = std::move(displayName);
    for (const std::string& p : installedFiles) log.files.push_back({p, LogFileRecord::kInstalled});
    for (const std::string& p : keptSharedFiles) log.files.push_back({p, LogFileRecord::kKeptShared});
    for (const std::string& p : createdFolders) log.folders.push_back({p});
    log.registry = std::move(registryEntries);
    return log;
}

namespace {

// Every text whole in its field, with its terminator: a path or key cut
// short would name something else.
bool TextsFit(const UninstallLog& log) {
    if (!FitsField(log.displayName, UninstallLogHeader::kNameWidth)) return false;
    for (const LogFileRecord& rec : log.files)
        if (!FitsField(rec.path, LogFileRecord::kPathWidth)) return false;
    for (const LogFolderRecord& rec : log.folders)
        if (!FitsField(rec.path, LogFolderRecord::kSize)) return false;
    for (const RegistryEntryRecord& rec : log.registry)
        if (!FitsField(rec.key, RegistryEntryRecord::kTextWidth) ||
            !FitsField(rec.valueName, RegistryEntryRecord::kTextWidth))
            return false;
    return true;
}

}  // namespace

Result<std::vector<std::uint8_t>> EncodeUninstallLog(const UninstallLog& log) {
    constexpr std::uint64_t kMax = std::numeric_limits<std::uint32_t>::max();
    std::uint64_t imageLength = UninstallLogHeader::kSize + std::uint64_t(log.files.size()) * LogFileRecord::kSize +
                                std::uint64_t(log.folders.size()) * LogFolderRecord::kSize +
                                std::uint64_t(log.registry.size()) * RegistryEntryRecord::kSize;
    if (imageLength + UninstallLogHeader::kSize > kMax || !TextsFit(log)) return Status::Overflow;

    UninstallLogHeader h;
    h.displayName = log.displayName;
    ByteWriter image(UninstallLogHeader::kSize);
    h.filesOffset = static_cast<std::uint32_t>(image.size());
    for (const LogFileRecord& rec : log.files) image.Bytes(rec.Encode());
    h.filesSize = static_cast<std::uint32_t>(image.size()) - h.filesOffset;
    h.foldersOffset = static_cast<std::uint32_t>(image.size());
    for (const LogFolderRecord& rec : log.folders) image.Bytes(rec.Encode());
    h.foldersSize = static_cast<std::uint32_t>(image.size()) - h.foldersOffset;
    h.registryOffset = static_cast<std::uint32_t>(image.size());
    for (const RegistryEntryRecord& rec : log.registry) image.Bytes(rec.Encode());
    h.registrySize = static_cast<std::uint32_t>(image.size()) - h.registryOffset;

    ByteSpan body = ByteSpan(image.bytes()).subspan(UninstallLogHeader::kSize);
    h.bodyChecksum = Adler32(body);
    auto compressed = Compress(body, kDefaultCompressionLevel);
    if (!compressed) return compressed.status;
    if (compressed.value.size() + UninstallLogHeader::kSize > kMax) return Status::Overflow;
    h.fileLength = static_cast<std::uint32_t>(compressed.value.size() + UninstallLogHeader::kSize);
    h.expandedLength = static_cast<std::uint32_t>(image.size() + UninstallLogHeader::kSize);

    ByteWriter out;
    out.Bytes(h.Encode());
    out.Bytes(compressed.value);
    return out.Take();
}

namespace {

// Checks that a section lies inside the image and holds whole records.
bool SectionFits(std::uint32_t offset, std::uint32_t size, std::size_t recordSize, std::uint64_t imageLength) {
    return offset >= UninstallLogHeader::kSize && std::uint64_t(offset) + size <= imageLength && size % recordSize == 0;
}

}  // namespace

Result<DecodedUninstallLog> DecodeUninstallLog(ByteSpan file) {
    auto h = UninstallLogHeader::Decode(file);
    if (!h) return Status::Truncated;
    if (h->magic != UninstallLogHeader::kMagic) return Status::BadMagic;
    if (h->version != UninstallLogHeader::kVersion) return Status::BadVersion;
    if (h->fileLength < UninstallLogHeader::kSize || h->expandedLength < 2 * UninstallLogHeader::kSize)
        return Status::BadSize;
    if (file.size() < h->fileLength) return Status::Truncated;

    // The image after the header area: room for expandedLength - 108 bytes,
    // of which the body must fill exactly expandedLength - 216.
    std::size_t bodyLength = h->expandedLength - 2 * UninstallLogHeader::kSize;
    auto body = Expand(file.subspan(UninstallLogHeader::kSize, h->fileLength - UninstallLogHeader::kSize),
                       h->expandedLength - UninstallLogHeader::kSize);
    if (!body) return body.status;
    if (body.value.size() != bodyLength) return Status::LengthMismatch;
    if (Adler32(body.value) != h->bodyChecksum) return Status::ChecksumMismatch;

    std::uint64_t imageLength = bodyLength + UninstallLogHeader::kSize;
    if (!SectionFits(h->filesOffset, h->filesSize, LogFileRecord::kSize, imageLength) ||
        !SectionFits(h->foldersOffset, h->foldersSize, LogFolderRecord::kSize, imageLength) ||
        !SectionFits(h->registryOffset, h->registrySize, RegistryEntryRecord::kSize, imageLength))
        return Status::BadLayout;

    DecodedUninstallLog out;
    out.header = *h;
    out.log.displayName = h->displayName;
    ByteReader r(body.value);
    auto section = [&](std::uint32_t offset, std::uint32_t size) {
        return r.BytesAt(offset - UninstallLogHeader::kSize, size);
    };
    ByteSpan files = section(h->filesOffset, h->filesSize);
    for (std::size_t i = 0; i < files.size(); i += LogFileRecord::kSize)
        out.log.files.push_back(*LogFileRecord::Decode(files.subspan(i)));
    ByteSpan folders = section(h->foldersOffset, h->foldersSize);
    for (std::size_t i = 0; i < folders.size(); i += LogFolderRecord::kSize)
        out.log.folders.push_back(*LogFolderRecord::Decode(folders.subspan(i)));
    ByteSpan registry = section(h->registryOffset, h->registrySize);
    for (std::size_t i = 0; i < registry.size(); i += RegistryEntryRecord::kSize)
        out.log.registry.push_back(*RegistryEntryRecord::Decode(registry.subspan(i)));
    if (!r.ok()) return Status::BadLayout;
    return out;
}

}  // namespace spd
