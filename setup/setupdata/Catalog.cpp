#include "setupdata/Catalog.h"

#include <array>
#include <new>

#include "codec/BlockHeader.h"
#include "codec/CatalogEntry.h"
#include "codec/CatalogWalk.h"
#include "codec/Checksum.h"
#include "codec/Compression.h"
#include "codec/PackedProgram.h"
#include "framework/File.h"
#include "run/CatalogFile.h"
#include "run/SetupException.h"
#include "run/SetupWork.h"
#include "run/WorkerOps.h"
#include "setupdata/BlockReader.h"
#include "setupdata/PathRules.h"
#include "setupdata/SetupFiles.h"

namespace kalvorin::setup {

namespace {

[[noreturn]] void Fail(SetupCause cause) {
    throw CSetupException(SetupPhase::FileInstallation, cause);
}

[[noreturn]] void FailProgram(SetupCause cause) {
    throw CSetupException(SetupPhase::Completion, cause);
}

// The record and, in the same read, as much as there is of the header of the
// content block that follows it.
spd::CatalogEntry ReadFileRecord(SetupWork& work, std::span<uint8_t> contentHeader, size_t& contentHeaderRead) {
    spd::BlockHeader header;
    if (!ReadBlockHeader(work.joined, header)) Fail(SetupCause::DamagedSetupFile);
    if (spd::CheckFileRecordHeader(header) != spd::Status::Ok) Fail(SetupCause::DamagedSetupFile);
    const std::span<const uint8_t> record =
        ReadBlock(work, header, SetupPhase::FileInstallation, contentHeader, &contentHeaderRead);
    spd::Result<spd::CatalogEntry> entry = spd::DecodeFileRecord(record);
    if (!entry) Fail(SetupCause::DamagedSetupFile);
    // Names that would leave the base folder are damaged data.
    if (!IsSafeRelativePath(entry.value.subfolder) || !IsSafeFileName(entry.value.fileName)) {
        Fail(SetupCause::DamagedSetupFile);
    }
    return std::move(entry.value);
}

}  // namespace

void VerifyCatalog(SetupWork& work) {
    // The header validation refuses a fileCount of 0; a header that did not
    // pass it has no catalog to verify.
    if (work.header.fileCount == 0) Fail(SetupCause::DamagedSetupFile);
    SetProgressStep(work.sync, static_cast<int>(1000000 / work.header.fileCount));
    CFile& joined = work.joined;
    joined.Seek(work.header.catalogOffset, CFile::begin);
    spd::BlockHeader catalogHeader;
    if (!ReadBlockHeader(joined, catalogHeader)) Fail(SetupCause::DamagedSetupFile);

    const uint64_t firstRecord = spd::FirstFileRecordOffset(work.header);
    const uint32_t checksum = work.checksumFromFirstRecord
                                  ? *work.checksumFromFirstRecord
                                  : work.ChecksumOfJoinedFrom(firstRecord, SetupPhase::FileInstallation);
    if (checksum != catalogHeader.checksum) Fail(SetupCause::DamagedSetupFile);
    joined.Seek(static_cast<int64_t>(firstRecord), CFile::begin);
    work.filesRead = 0;
}

CatalogFile& ReadNextFile(SetupWork& work) {
    work.CancelPoint();
    CatalogFile& file = work.currentFile;
    file = CatalogFile();
    std::array<uint8_t, spd::BlockHeader::kSize> contentHeaderBytes{};
    size_t contentHeaderRead = 0;
    file.entry = ReadFileRecord(work, contentHeaderBytes, contentHeaderRead);
    ReportFile(work.sync, file.entry.fileName);

    if (contentHeaderRead != contentHeaderBytes.size()) Fail(SetupCause::DamagedSetupFile);
    const spd::BlockHeader contentHeader = *spd::BlockHeader::Decode(contentHeaderBytes);
    file.content = ReadBlock(work, contentHeader, SetupPhase::FileInstallation);

    const std::string* base = work.baseFolders.Lookup(file.entry.folderKind);
    if (base == nullptr) Fail(SetupCause::UnexpectedError);
    file.targetPath = CheckedPath(file.entry.TargetPath(*base));
    ++work.filesRead;
    return file;
}

std::vector<uint8_t> ReadPackedProgram(SetupWork& work, const std::string& path) {
    CFile file;
    if (!file.Open(path, CFile::modeRead | CFile::shareExclusive)) FailProgram(SetupCause::FileError);
    std::array<uint8_t, spd::PackedProgramHeader::kSize> headerBytes{};
    if (ReadUpTo(file, headerBytes.data(), static_cast<UINT>(headerBytes.size())) != headerBytes.size()) {
        FailProgram(SetupCause::DamagedSetupFile);
    }
    const spd::PackedProgramHeader header = *spd::PackedProgramHeader::Decode(headerBytes);
    if (header.Check() != spd::Status::Ok) FailProgram(SetupCause::DamagedSetupFile);

    const uint64_t compressedLength = file.GetLength() - file.GetPosition();
    if (compressedLength > work.allocationLimit || header.expandedSize > work.allocationLimit ||
        compressedLength > SIZE_MAX) {
        FailProgram(SetupCause::OutOfMemory);
    }
    std::vector<uint8_t> compressed = work.Allocate(static_cast<size_t>(compressedLength), SetupPhase::Completion);
    if (ReadUpTo(file, compressed.data(), static_cast<UINT>(compressed.size())) != compressed.size()) {
        FailProgram(SetupCause::DamagedSetupFile);
    }
    spd::Result<std::vector<uint8_t>> program;
    try {
        program = spd::Expand(compressed, header.expandedSize);
    } catch (const std::bad_alloc&) {
        FailProgram(SetupCause::OutOfMemory);
    }
    std::vector<uint8_t>().swap(compressed);
    if (!program.ok()) FailProgram(SetupCause::DamagedSetupFile);
    if (spd::Adler32(program.value) != header.checksum) FailProgram(SetupCause::DamagedSetupFile);
    file.Close();
    return std::move(program.value);
}

}  // namespace kalvorin::setup
