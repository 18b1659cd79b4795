#include "install/FileLoop.h"

#include <cstdlib>
#include <ctime>

#include "codec/FolderKind.h"
#include "framework/File.h"
#include "framework/FileSystem.h"
#include "install/FileCopy.h"
#include "install/ReplacementPolicy.h"
#include "install/SharedCounts.h"
#include "run/CatalogFile.h"
#include "run/SetupWork.h"
#include "setupdata/Catalog.h"
#include "setupdata/SetupFiles.h"

namespace kalvorin::setup {

namespace {

void InstallNextFile(SetupWork& work) {
    CatalogFile& file = ReadNextFile(work);
    const std::string& target = file.targetPath;
    StagedFile staged(work, file.content, target);
    const uint8_t flags = file.entry.flags;

    if (flags & spd::CatalogFlags::Screensaver) work.screensaverPath = target;
    if (flags & spd::CatalogFlags::Config) work.configPath = target;
    if (flags & spd::CatalogFlags::Shared) work.sharedFiles.push_back(target);

    if (InstallIfFree(work, staged, target)) return;
    const bool exists = FileExists(target);
    if ((flags & spd::CatalogFlags::Screensaver) || !exists ||
        DecideReplacement(work, staged.PathToRead(), target, flags) == ReplaceDecision::Replace) {
        InstallStep(work, staged, target, exists);
    } else {
        KeepStep(work, target, flags);
    }
}

}  // namespace

std::string ExtractToTempFile(SetupWork& work, std::span<const uint8_t> content) {
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    for (;;) {
        work.CancelPoint();
        const std::string candidate = work.tempFolder + RandomName() + ".tmp";
        // Within one second every file draws the names of the files before
        // it first: those are known to exist. For any other name the test
        // and the creation are one call, which fails when the name is taken.
        if (work.extractedFiles.count(candidate) != 0) continue;
        CFile file;
        if (!file.Open(candidate, CFile::modeCreateNew | CFile::modeReadWrite | CFile::shareExclusive)) continue;
        work.record.AddTempFile(candidate);
        work.extractedFiles.insert(candidate);
        if (!content.empty()) file.Write(content.data(), static_cast<UINT>(content.size()));
        file.Close();
        return candidate;
    }
}

void InstallFiles(SetupWork& work) {
    VerifyCatalog(work);
    work.answers.Clear();
    work.sharedFiles.clear();
    for (unsigned i = 0; i < work.header.fileCount; ++i) InstallNextFile(work);
    // The block buffer is as large as the largest file: it goes before the
    // finishing stages make buffers of their own.
    work.currentFile.content = {};
    work.blockBuffer.Release();
    RaiseSharedCounts(work);
}

}  // namespace kalvorin::setup
