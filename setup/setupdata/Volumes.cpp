#include "setupdata/Volumes.h"

#include <windows.h>

#include <cstdlib>
#include <ctime>

#include "codec/VolumeHeader.h"
#include "codec/VolumeName.h"
#include "framework/File.h"
#include "framework/FileSystem.h"
#include "res/resource.h"
#include "run/AskUser.h"
#include "run/DiskPrompt.h"
#include "run/SetupException.h"
#include "run/SetupWork.h"
#include "run/WorkerOps.h"
#include "setupdata/HeaderCheck.h"
#include "setupdata/PathRules.h"
#include "setupdata/SetupFiles.h"

namespace kalvorin::setup {

namespace {

// Draws of a name for the joined file before giving up.
constexpr int kJoinedNameAttempts = 10000;

[[noreturn]] void Fail(SetupCause cause) {
    throw CSetupException(SetupPhase::Preparation, cause);
}

// The sibling disk folder's candidate for volume n, accepted when the file
// opens exclusively and passes the volume header check.
bool FindInDiskFolder(SetupWork& work, const std::string& searchFolder, unsigned n, const std::string& name,
                      std::string& accepted) {
    const std::string folder = WithoutTrailingBackslash(searchFolder);
    const size_t cut = folder.rfind('\\');
    if (cut == std::string::npos) return false;
    const std::string candidate = CheckedPath(folder.substr(0, cut) + "\\" + spd::DiskFolderName(n + 1) + "\\" + name);
    if (!FileExists(candidate)) return false;
    CFile file;
    if (!file.Open(candidate, CFile::modeRead | CFile::shareExclusive)) return false;
    const spd::VolumeCheck check = CheckVolumeHeader(file, n, work.header);
    file.Abort();
    if (check != spd::VolumeCheck::Ok) return false;
    accepted = candidate;
    return true;
}

enum class PromptOutcome { Accepted, AskAgain };

// The disk prompt for volume n and the checks of the file chosen.
PromptOutcome AskForVolume(SetupWork& work, const std::string& searchFolder, unsigned n, const std::string& name,
                           std::string& accepted) {
    VolumePrompt& prompt = work.prompt != nullptr ? *work.prompt : DiskPrompt();
    WorkerBinding::WaitWhileCurrentHeld();  // the beep belongs to the prompt
    prompt.Beep();
    std::string folder;
    if (!prompt.Ask(name, searchFolder, n + 1, folder)) Fail(SetupCause::CannotContinue);

    // The folder as the user left it, a backslash and the name: a drive root
    // typed as "A:\" gives "A:\\user.001", which names the same file, and
    // leaves "A:\" to be searched for the next volume.
    const std::string candidate = CheckedPath(folder + "\\" + name);
    if (!FileExists(candidate)) Fail(SetupCause::FileNotFound);
    CFile file;
    if (!file.Open(candidate, CFile::modeRead | CFile::shareExclusive)) {
        AskUser(static_cast<UINT>(IDS_VOLUME_IO_ERROR), MB_ICONSTOP | MB_OK);
        return PromptOutcome::AskAgain;
    }
    const spd::VolumeCheck check = CheckVolumeHeader(file, n, work.header);
    file.Abort();
    if (check == spd::VolumeCheck::NotSetupFile) {
        AskUser(static_cast<UINT>(IDS_NOT_A_SETUP_FILE), MB_ICONSTOP | MB_OK);
        return PromptOutcome::AskAgain;
    }
    if (check == spd::VolumeCheck::WrongVolume) {
        AskUser(static_cast<UINT>(IDS_WRONG_DISK), MB_ICONSTOP | MB_OK);
        return PromptOutcome::AskAgain;
    }
    accepted = candidate;
    return PromptOutcome::Accepted;
}

// Creates the joined file under a fresh random name in the temporary folder.
void CreateJoinedFile(SetupWork& work) {
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    for (int attempt = 0; attempt < kJoinedNameAttempts; ++attempt) {
        const std::string candidate = CheckedPath(work.tempFolder + RandomName() + ".tmp");
        if (FileExists(candidate)) continue;
        if (!work.joined.Open(candidate, CFile::modeCreate | CFile::modeReadWrite | CFile::shareExclusive)) continue;
        work.record.AddTempFile(candidate);
        return;
    }
    Fail(SetupCause::FileError);
}

void AppendVolume(SetupWork& work, size_t index, std::vector<uint8_t>& buffer) {
    CFile volume;
    if (!volume.Open(work.volumeCopies[index], CFile::modeRead | CFile::shareExclusive)) Fail(SetupCause::FileError);
    bool first = true;
    for (;;) {
        const UINT read = volume.Read(buffer.data(), static_cast<UINT>(buffer.size()));
        if (index > 0 && first && read < spd::VolumeHeader::kSize) {
            // A further volume without room for its header cannot be cut: it is
            // not a volume of this setup.
            Fail(SetupCause::DamagedSetupFile);
        }
        if (read == 0) break;
        work.CancelPoint();
        const UINT skip = index > 0 && first ? static_cast<UINT>(spd::VolumeHeader::kSize) : 0;
        work.joined.Write(buffer.data() + skip, read - skip);
        first = false;
    }
    volume.Close();
    // Joined: the copy is no longer needed, so the temporary folder holds the
    // setup data about once, not twice. The record still lists it; deleting
    // it again at the end finds nothing.
    ::DeleteFileA(work.volumeCopies[index].c_str());
}

}  // namespace

void CollectVolumes(SetupWork& work) {
    const unsigned volumeCount = work.header.volumeCount;
    std::string searchFolder = work.sourceFolder;
    for (unsigned n = 1; n < volumeCount; ++n) {
        const std::string name = spd::VolumeFileName(n);
        std::string accepted;
        for (;;) {
            work.CancelPoint();
            const std::string besides = CheckedPath(JoinPath(searchFolder, name));
            if (FileExists(besides)) {
                accepted = besides;  // searchFolder stays
                break;
            }
            if (FindInDiskFolder(work, searchFolder, n, name, accepted) ||
                AskForVolume(work, searchFolder, n, name, accepted) == PromptOutcome::Accepted) {
                searchFolder = FolderOf(accepted);
                break;
            }
        }

        std::string copy;
        if (!CopyIntoFolder(accepted, work.tempFolder, &copy)) Fail(SetupCause::FileError);
        work.record.AddTempFile(copy);
        work.volumeCopies.push_back(copy);
        StepProgress(work.sync);
    }
}

void JoinAndOpen(SetupWork& work) {
    work.CancelPoint();
    if (work.header.volumeCount <= 1) {
        if (work.volumeCopies.empty() ||
            !work.joined.Open(work.volumeCopies.front(), CFile::modeRead | CFile::shareExclusive)) {
            Fail(SetupCause::FileError);
        }
    } else {
        std::vector<uint8_t>& buffer = work.ChunkBuffer(SetupPhase::Preparation);
        CreateJoinedFile(work);
        for (size_t i = 0; i < work.volumeCopies.size(); ++i) {
            work.CancelPoint();
            AppendVolume(work, i, buffer);
        }
    }
    StepProgress(work.sync);
    VerifyJoinedData(work);
    work.CancelPoint();
}

}  // namespace kalvorin::setup
