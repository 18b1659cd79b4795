#include "setupdata/FolderCreation.h"

#include <windows.h>

#include "codec/BlockHeader.h"
#include "codec/FolderTable.h"
#include "codec/SetupHeader.h"
#include "framework/FileSystem.h"
#include "framework/Format.h"
#include "res/resource.h"
#include "run/AskUser.h"
#include "run/SetupException.h"
#include "run/SetupWork.h"
#include "run/WorkerOps.h"
#include "setupdata/BlockReader.h"
#include "setupdata/PathRules.h"
#include "setupdata/SetupFiles.h"

namespace kalvorin::setup {

namespace {

[[noreturn]] void Fail(SetupCause cause) {
    throw CSetupException(SetupPhase::FolderCreation, cause);
}

// Creates `path` with its missing levels and records every level created,
// parents first, so that a failed run and the uninstaller leave no empty
// folder behind. False when a level cannot be created.
bool CreateRecorded(SetupWork& work, const std::string& path) {
    std::vector<std::string> created;
    const bool done = CreateFolderPath(path, &created);
    for (const std::string& level : created) work.record.AddCreatedFolder(level);
    return done;
}

// True when this run has created `path` itself.
bool CreatedByThisRun(const SetupWork& work, const std::string& path) {
    const std::string wanted = WithoutTrailingBackslash(path);
    for (const std::string& folder : work.record.createdFolders()) {
        if (::lstrcmpiA(folder.c_str(), wanted.c_str()) == 0) return true;
    }
    return false;
}

void CreateDestination(SetupWork& work) {
    const std::string* destination = work.baseFolders.Lookup(static_cast<uint8_t>(spd::FolderKind::Destination));
    if (destination == nullptr) Fail(SetupCause::UnexpectedError);
    if (FolderExists(*destination)) return;
    if (!CreateRecorded(work, CheckedPath(*destination))) Fail(SetupCause::CannotCreateFolder);
}

void CreateListedFolder(SetupWork& work, const spd::FolderEntry& folder) {
    const std::string* base = work.baseFolders.Lookup(folder.folderKind);
    if (base == nullptr) Fail(SetupCause::UnexpectedError);
    const std::string full = CheckedPath(*base + "\\" + folder.TrimmedPath());

    if (FolderExists(full)) {
        // Only a folder that was there before the run is asked about.
        if (CreatedByThisRun(work, full)) return;
        const std::string question = FormatStringId(IDS_FOLDER_EXISTS, {full});
        if (AskUser(question, MB_YESNO | MB_ICONEXCLAMATION) != IDYES) Fail(SetupCause::CannotContinue);
        return;  // used as it is, not created by this run
    }
    if (!CreateRecorded(work, full)) {
        AskUser(full, 0);
        Fail(SetupCause::CannotCreateFolder);
    }
}

}  // namespace

std::vector<spd::FolderEntry> ReadFolderTable(SetupWork& work) {
    work.joined.Seek(spd::SetupHeader::kSize, CFile::begin);
    spd::BlockHeader header;
    if (!ReadBlockHeader(work.joined, header)) Fail(SetupCause::DamagedSetupFile);
    if (header.IsAbsent()) return {};

    const std::span<const uint8_t> table = ReadBlock(work, header, SetupPhase::FolderCreation);
    const uint64_t expected = static_cast<uint64_t>(work.header.folderCount) * spd::FolderEntry::kRecordSize;
    if (table.size() != header.expandedSize || table.size() != expected) Fail(SetupCause::DamagedSetupFile);

    std::vector<spd::FolderEntry> folders;
    folders.reserve(work.header.folderCount);
    for (size_t offset = 0; offset < table.size(); offset += spd::FolderEntry::kRecordSize) {
        work.CancelPoint();
        const auto record =
            spd::DecodeFolderRecord(std::span<const uint8_t>(table.data() + offset, spd::FolderEntry::kRecordSize));
        if (!record.ok()) Fail(SetupCause::DamagedSetupFile);
        // A path that would leave its base folder is damaged data.
        if (!IsSafeRelativePath(record.value.TrimmedPath())) Fail(SetupCause::DamagedSetupFile);
        folders.push_back(record.value);
    }
    return folders;
}

void CreateFolders(SetupWork& work) {
    NotifyDialog(work.sync, true, CreatingFolders, 0);
    work.joined.Seek(spd::SetupHeader::kSize, CFile::begin);
    CreateDestination(work);

    std::vector<spd::FolderEntry> folders = ReadFolderTable(work);
    spd::SortFolderEntries(folders);
    for (const spd::FolderEntry& folder : folders) {
        work.CancelPoint();
        CreateListedFolder(work, folder);
    }
}

}  // namespace kalvorin::setup
