// The preparation phase of the worker's run: from the program's folder to
// both data files copied into a private temporary folder. The progress range
// and the Preparing status come before it (the setup thread sets them).
// Every error is raised in the phase Preparation; a cancel leaves through
// CMyException.
#pragma once

#include <functional>

namespace kalvorin::setup {

class SetupWork;

// The whole phase, in order: source folder, temporary folder, base folders,
// data files present, header validation, `previousInstallation` (the look
// for an earlier installation of the same screensaver, when given), the
// progress step, the copies.
void RunPreparation(SetupWork& work, const std::function<void(SetupWork&)>& previousInstallation = {});

// sourceFolder = the program's folder with a trailing backslash; dataFiles
// = _setup.spd and user.spd in it.
void SetSourceFolder(SetupWork& work);

// Creates the private temporary folder: the system's temporary path and
// eight random letters (from the unseeded generator), drawn again while a
// folder of that name exists. Recorded in tempFolders; tempFolder gets the
// path with a trailing backslash. NoTempFolder when it cannot be created.
void CreateTempFolder(SetupWork& work);

// The five base folders: Windows and system folder, Program Files from the
// context, "CommonFilesDir" from the registry, the destination from the
// context. UnexpectedError when one of the first, second or fourth cannot
// be read.
void ResolveBaseFolders(SetupWork& work);

// _setup.spd, then user.spd, each after a cancel point, must exist;
// FileNotFound otherwise.
void CheckDataFilesPresent(SetupWork& work);

// The progress step of the preparation: 100,000 / (V + E + 2), V the
// volumeCount and E 1 when V > 1.
int PreparationStep(unsigned volumeCount);

// Copies _setup.spd, then user.spd, each after a cancel point, into the
// temporary folder (FileError when one cannot be copied), records the copies
// as temporary files and advances the progress bar once per file.
void CopyDataFiles(SetupWork& work);

}  // namespace kalvorin::setup
