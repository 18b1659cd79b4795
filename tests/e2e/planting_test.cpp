// Planted files: libraries and a program put beside setup.exe and the
// uninstaller and into their current folders (as in a download folder or
// on a disk) must never be loaded or started; the system folder's are.
//
// What is planted, each a copy of a test stand-in that writes a marker line
// into a log when it is loaded or started:
// - desk.cpl: the display control panel, through which the setup program
//   makes the screensaver the active one (a bare LoadLibraryA("desk.cpl")
//   takes one from the program's folder under Wine, too);
// - themeui.dll: a library that no Wine module imports and Wine does not
//   have, and that the display control panel of Windows loads by its bare
//   name for its pages. The desk.cpl stand-in in the system folder loads it
//   by its bare name the same way (KALVORIN_DESK_PROBE): so the test sees
//   whether a system library working for the setup program still searches
//   the program's folder or the current folder;
// - rundll32.exe: the program that opens the display properties at the end
//   (a bare "rundll32.exe" is looked for in the program's folder first).
// version.dll cannot be shown this way: Wine's own user32 imports it, so a
// planted copy is loaded (or not) whatever the program does; the import
// check (win.<arch>.imports) proves that no shipped program imports it.
#include <gtest/gtest.h>

#include <algorithm>

#include "SetupRun.h"

namespace {

using namespace e2e;

const std::string kProbe = "themeui.dll";
const std::string kUninstallKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kalvorin Testschoner";

// Puts the planted files into `folder`.
void Plant(const TestFolder& folder) {
    folder.CopyIn(FixturePath("desk.cpl"), "desk.cpl");
    folder.CopyIn(FixturePath("desk.cpl"), kProbe);
    folder.CopyIn(FixturePath("recorder.exe"), "rundll32.exe");
}

// The "loaded <path> by <program>" lines of the log.
std::vector<std::string> Loads(const DeskStandIn& desk) {
    std::vector<std::string> lines;
    for (const std::string& line : desk.Lines()) {
        if (line.rfind("loaded ", 0) == 0) lines.push_back(line);
    }
    return lines;
}

// The library of `name` in the current folder is loaded by a bare name from
// a program that does not restrict its search (this test program): a
// planted copy would be found, so its absence later means something.
void ExpectThePlantedProbeIsFoundByABareName(const TestFolder& current, const DeskStandIn& desk) {
    char before[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, before);
    SetCurrentDirectoryA(current.Path().c_str());
    SetEnvironmentVariableA("KALVORIN_DESK_LOG", desk.LogPath().c_str());
    HMODULE probe = LoadLibraryA(kProbe.c_str());
    SetEnvironmentVariableA("KALVORIN_DESK_LOG", nullptr);
    SetCurrentDirectoryA(before);
    ASSERT_NE(probe, nullptr) << "a bare name does not find the planted " << kProbe << " under Wine";
    FreeLibrary(probe);
    const std::vector<std::string> loads = Loads(desk);
    ASSERT_EQ(loads.size(), 1u);
    EXPECT_EQ(loads[0].substr(0, loads[0].find(" by ")), "loaded " + current.FilePath(kProbe));
    DeleteFileA(desk.LogPath().c_str());
}

TEST(PlantingTest, SetupAndTheUninstallerLoadOnlyTheSystemFoldersLibrariesAndPrograms) {
    TestFolder disk("plant-disk");
    TestFolder current("plant-current");
    TestFolder elsewhere("plant-elsewhere");
    SetupMedia media;
    media.files = {MediaFile("Wellen.scr", spd::FolderKind::Destination, "", PseudoRandom(3000, 1),
                             spd::CatalogFlags::Screensaver),
                   MediaFile("liesmich.txt", spd::FolderKind::Destination, "", PseudoRandom(500, 2))};
    WriteSetupMedia(disk, media);
    for (const TestFolder* folder : {&disk, &current, &elsewhere}) Plant(*folder);
    char temp[MAX_PATH] = {};
    const std::string tempFolder(temp, GetTempPathA(MAX_PATH, temp));
    const TestFolder* const planted[] = {&disk, &current, &elsewhere};
    CopyFileA(FixturePath("desk.cpl").c_str(), (tempFolder + "desk.cpl").c_str(), FALSE);
    CopyFileA(FixturePath("desk.cpl").c_str(), (tempFolder + kProbe).c_str(), FALSE);

    const std::string recorderLog = current.FilePath("rundll32-planted.log");
    DeskStandIn desk(current.FilePath("desk.log"));
    ExpectThePlantedProbeIsFoundByABareName(current, desk);

    // The installation, run from the planted disk in the planted current
    // folder; the display properties open at the end.
    const std::string destination = current.FilePath("Ziel");
    RunOptions options;
    options.destination = destination;
    options.workingFolder = current.Path();
    options.env = {
        {"KALVORIN_DESK_LOG", desk.LogPath()}, {"KALVORIN_DESK_PROBE", kProbe}, {"KALVORIN_RECORDER_LOG", recorderLog}};
    const RunResult run = RunSetup(disk, options);
    ASSERT_TRUE(run.finishPage) << "exit code " << run.exitCode << ", " << run.boxes.size() << " boxes";
    EXPECT_EQ(run.propertiesChecked, 1);
    WaitUntil(15000, "the display properties (the system's rundll32.exe or a planted one)", [&] {
        const auto lines = desk.Lines();
        return ReadFileBytes(recorderLog) || std::any_of(lines.begin(), lines.end(), [](const std::string& l) {
                   return l.rfind("CPlApplet", 0) == 0;
               });
    });
    const std::string systemDesk = SystemFolder() + "\\desk.cpl";
    const std::vector<std::string> lines = desk.Lines();
    EXPECT_EQ(Loads(desk), (std::vector<std::string>{"loaded " + systemDesk + " by setup.exe",
                                                     "loaded " + systemDesk + " by rundll32.exe"}))
        << "log:\n"
        << ::testing::PrintToString(lines);
    EXPECT_NE(
        std::find(lines.begin(), lines.end(),
                  "InstallScreenSaver window=none instance=program command=" + destination + "\\Wellen.scr show=5"),
        lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "probe " + kProbe + ": not found"), lines.end());
    EXPECT_FALSE(ReadFileBytes(recorderLog)) << "a planted rundll32.exe was started";

    // The uninstaller: a copy run from a planted folder (answered No), then
    // the installed one in the Windows folder from the planted current
    // folder, which removes the installation and, through its copy in the
    // temporary folder (planted, too), itself.
    const auto command = ReadRegistryValue(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString");
    ASSERT_TRUE(command);
    const std::string uninstaller = std::string(command->c_str()).substr(0, command->find(' '));
    const std::string arguments = std::string(command->c_str()).substr(command->find(' ') + 1);
    elsewhere.CopyIn(uninstaller, "UnScr.exe");
    for (const bool installed : {false, true}) {
        SCOPED_TRACE(installed ? "the installed uninstaller" : "a copy elsewhere");
        StartOptions start;
        start.arguments = arguments;
        start.workingFolder = current.Path();
        start.env = options.env;
        Process process = Process::Start(installed ? uninstaller : elsewhere.FilePath("UnScr.exe"), start);
        AnswerMessageBox(WaitForMessageBox(process), installed ? IDYES : IDNO);
        if (installed) AnswerMessageBox(WaitForMessageBox(process), IDOK);
        EXPECT_EQ(process.WaitForExit(), installed ? 0u : 2u);
    }
    WaitUntil(15000, "the uninstaller to remove itself", [&] { return !ReadFileBytes(uninstaller); });
    EXPECT_FALSE(ReadFileBytes(destination + "\\Wellen.scr"));
    EXPECT_EQ(Loads(desk).size(), 2u) << "log:\n" << ::testing::PrintToString(desk.Lines());
    EXPECT_FALSE(ReadFileBytes(recorderLog));
    for (const TestFolder* folder : planted) {
        EXPECT_TRUE(folder->Exists(kProbe)) << folder->Path();  // still planted: the checks meant something
    }
    DeleteFileA((tempFolder + "desk.cpl").c_str());
    DeleteFileA((tempFolder + kProbe).c_str());
}

}  // namespace
