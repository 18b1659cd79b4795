#include "spdpack/LogDump.h"

#include "spdpack/Cp1252.h"
#include "spdpack/DataFileKind.h"
#include "spdpack/SetupSource.h"

#include "codec/UninstallLog.h"

#include <iomanip>
#include <sstream>
#include <vector>

namespace spdpack {

namespace fs = std::filesystem;

namespace {

std::string Hex(std::uint32_t v) {
    std::ostringstream s;
    s << "0x" << std::hex << std::uppercase << std::setw(8) << std::setfill('0') << v;
    return s.str();
}

std::string HiveName(std::uint32_t hive) {
    switch (hive) {
    case 0x80000000:
        return "HKEY_CLASSES_ROOT";
    case 0x80000001:
        return "HKEY_CURRENT_USER";
    case 0x80000002:
        return "HKEY_LOCAL_MACHINE";
    case 0x80000003:
        return "HKEY_USERS";
    default:
        return Hex(hive);
    }
}

}  // namespace

int DumpLog(const fs::path& path, std::ostream& out, std::ostream& err) {
    std::error_code ec;
    if (fs::is_directory(path, ec)) {
        err << "spdpack: " << path.string() << " is a folder, not an uninstall log\n";
        return 1;
    }
    const auto read = ReadAll(path);
    if (!read) {
        err << "spdpack: cannot read " << path.string() << '\n';
        return 1;
    }
    const std::vector<std::uint8_t>& bytes = *read;

    // Stop at another kind of file; a log whose magic alone is damaged (its
    // version still 16) is shown with the magic marked wrong.
    const DataFileKind kind = RecogniseDataFile(bytes, path.filename().string());
    const bool damagedLog = kind == DataFileKind::Unknown && bytes.size() >= spd::UninstallLogHeader::kSize &&
                            bytes[spd::UninstallLogHeader::kOffVersion] == spd::UninstallLogHeader::kVersion &&
                            bytes[spd::UninstallLogHeader::kOffVersion + 1] == 0;
    if (kind != DataFileKind::UninstallLog && !damagedLog) {
        err << "spdpack: " << path.string() << " is "
            << (kind == DataFileKind::Unknown ? std::string("not an uninstall log (it does not start with \"trne\")")
                                              : std::string(DataFileKindText(kind)) + ", not an uninstall log")
            << (kind == DataFileKind::SetupData || kind == DataFileKind::Volume ? "; show it with spdpack inspect" : "")
            << '\n';
        return 1;
    }

    auto h = spd::UninstallLogHeader::Decode(bytes);
    if (!h) {
        err << "spdpack: " << path.string() << " is " << bytes.size()
            << " bytes long, shorter than the 108-byte header\n";
        return 1;
    }
    out << "Header (" << path.string() << ", " << bytes.size() << " bytes)\n";
    out << "  magic           " << Hex(h->magic) << (h->magic == spd::UninstallLogHeader::kMagic ? "  ok" : "  wrong")
        << '\n';
    out << "  displayName     \"" << Cp1252ToUtf8(h->displayName) << "\"\n";
    out << "  fileLength      " << h->fileLength
        << (h->fileLength == bytes.size() ? "  ok" : "  differs from the file's length") << '\n';
    out << "  expandedLength  " << h->expandedLength << '\n';
    out << "  bodyChecksum    " << Hex(h->bodyChecksum) << '\n';
    out << "  version         " << h->version << (h->version == spd::UninstallLogHeader::kVersion ? "  ok" : "  wrong")
        << '\n';
    out << "  reserved        " << h->reserved << '\n';
    out << "  filesSize       " << h->filesSize << "  (" << h->filesSize / spd::LogFileRecord::kSize << " records)\n";
    out << "  filesOffset     " << h->filesOffset << '\n';
    out << "  foldersSize     " << h->foldersSize << "  (" << h->foldersSize / spd::LogFolderRecord::kSize
        << " records)\n";
    out << "  foldersOffset   " << h->foldersOffset << '\n';
    out << "  registrySize    " << h->registrySize << "  (" << h->registrySize / spd::RegistryEntryRecord::kSize
        << " records)\n";
    out << "  registryOffset  " << h->registryOffset << '\n';

    auto decoded = spd::DecodeUninstallLog(bytes);
    if (!decoded) {
        err << "problem: " << path.string() << ": " << spd::StatusText(decoded.status) << '\n';
        return 1;
    }
    const spd::UninstallLog& log = decoded.value.log;
    out << "Body checksum ok, body " << h->expandedLength - 2 * spd::UninstallLogHeader::kSize << " bytes\n";

    out << "Files (" << log.files.size() << ")\n";
    for (const spd::LogFileRecord& f : log.files)
        out << "  "
            << (f.kind == spd::LogFileRecord::kInstalled    ? "installed   "
                : f.kind == spd::LogFileRecord::kKeptShared ? "kept shared "
                                                            : "kind " + std::to_string(f.kind) + "      ")
            << Cp1252ToUtf8(f.path) << '\n';
    out << "Folders (" << log.folders.size() << ")\n";
    for (const spd::LogFolderRecord& f : log.folders) out << "  " << Cp1252ToUtf8(f.path) << '\n';
    out << "Registry (" << log.registry.size() << ")\n";
    for (const spd::RegistryEntryRecord& r : log.registry) {
        out << "  " << HiveName(r.hive) << '\\' << Cp1252ToUtf8(r.key);
        if (r.IsWholeKey())
            out << "  (whole key)\n";
        else
            out << "  value \"" << Cp1252ToUtf8(r.valueName) << "\"\n";
    }

    int problems = 0;
    if (h->fileLength != bytes.size()) {
        err << "problem: fileLength " << h->fileLength << " differs from the file's length " << bytes.size() << '\n';
        ++problems;
    }
    if (h->filesOffset != spd::UninstallLogHeader::kSize || h->foldersOffset != h->filesOffset + h->filesSize ||
        h->registryOffset != h->foldersOffset + h->foldersSize ||
        h->registryOffset + h->registrySize + spd::UninstallLogHeader::kSize != h->expandedLength) {
        err << "problem: the sections do not follow each other without gaps from offset 108\n";
        ++problems;
    }
    if (problems) return 1;
    out << "All checks passed.\n";
    return 0;
}

}  // namespace spdpack
