// Start-up: the default destination, the module folder, the setup context's
// use count, the start-up read of user.spd, the Program Files value and the
// application's start-up as a whole.
#include <windows.h>
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "app/SetupApp.h"
#include "app/Startup.h"
#include "codec/SetupHeader.h"
#include "context/SetupContext.h"
#include "framework/File.h"
#include "framework/Handles.h"
#include "support/MessageBoxScript.h"

using namespace kalvorin;
using namespace kalvorin::setup;

namespace {

const char* const kCannotInitialize = "Konnte Kalvorin nicht initialisieren.";

// ---------------------------------------------------------------- default destination

TEST(DefaultDestination, JoinsWithExactlyOneBackslash) {
    EXPECT_EQ(MakeDefaultDestination("C:\\Programme", "Kalvorin"), "C:\\Programme\\Kalvorin");
    EXPECT_EQ(MakeDefaultDestination("C:\\Programme\\", "Kalvorin"), "C:\\Programme\\Kalvorin");
    EXPECT_EQ(MakeDefaultDestination("C:\\Programme\\\\\\", "Kalvorin"), "C:\\Programme\\Kalvorin");
    EXPECT_EQ(MakeDefaultDestination("C:\\Programme   ", "Kalvorin"), "C:\\Programme\\Kalvorin");
    EXPECT_EQ(MakeDefaultDestination("C:\\Programme\\ \t", "Kalvorin"), "C:\\Programme\\Kalvorin");
    EXPECT_EQ(MakeDefaultDestination("C:\\", "Kalvorin"), "C:\\Kalvorin");
    // White space is removed first, then backslashes: blanks in front of the
    // backslashes stay, but there is still one backslash before the subfolder.
    EXPECT_EQ(MakeDefaultDestination("C:\\Programme  \\\\ ", "Kalvorin"), "C:\\Programme  \\Kalvorin");
}

TEST(DefaultDestination, TrimsTheEndOfTheSubfolderToo) {
    EXPECT_EQ(MakeDefaultDestination("C:\\Programme", "Kalvorin\\"), "C:\\Programme\\Kalvorin");
    EXPECT_EQ(MakeDefaultDestination("C:\\Programme", "Brisvane\\Kalvorin \\\\"), "C:\\Programme\\Brisvane\\Kalvorin ");
    EXPECT_EQ(MakeDefaultDestination("C:\\Programme", "Kalvorin\t "), "C:\\Programme\\Kalvorin");
    EXPECT_EQ(MakeDefaultDestination("C:\\Programme", " "), "C:\\Programme");
}

TEST(DefaultDestination, IsEmptyWithoutSubfolder) {
    EXPECT_EQ(MakeDefaultDestination("C:\\Programme", ""), "");
    EXPECT_EQ(MakeDefaultDestination("", ""), "");
    EXPECT_EQ(MakeDefaultDestination("", "Kalvorin"), "\\Kalvorin");
}

TEST(ModuleFolder, IsThePathCutBeforeItsLastBackslash) {
    EXPECT_EQ(ModuleFolderFromPath("C:\\Setup\\Disk 1\\setup.exe"), "C:\\Setup\\Disk 1");
    EXPECT_EQ(ModuleFolderFromPath("A:\\setup.exe"), "A:");
    EXPECT_EQ(ModuleFolderFromPath("setup.exe"), "setup.exe");
}

TEST(Environment, PlatformAndLanguage) {
    EXPECT_EQ(DetectWin9x(), 0);       // Wine reports the NT family by default
    EXPECT_EQ(DetectLanguageId(), 7);  // the tests run as a German user
}

// ---------------------------------------------------------------- setup context

TEST(SetupContext, ConstructsWithEmptyStringsZeroFlagsAndNotStarted) {
    SetupContext context;
    EXPECT_EQ(context.defaultDestination, "");
    EXPECT_EQ(context.isWin9x, 0);
    EXPECT_EQ(context.rebootChosen, 0);
    EXPECT_EQ(context.showDisplayPropertiesChosen, 0);
    EXPECT_EQ(context.installState, -1);
    EXPECT_EQ(context.uninstallerPath, "");
    EXPECT_EQ(context.rebootRequired, 0);
    EXPECT_EQ(context.destination, "");
    EXPECT_EQ(context.displayName, "");
    EXPECT_EQ(context.moduleFolder, "");
    EXPECT_EQ(context.languageId, 0);
    EXPECT_EQ(context.programFilesFolder, "");
}

TEST(SetupContext, AcquireAndReleaseCountAndShareOneInstance) {
    ASSERT_EQ(SetupContextUseCount(), 0);
    SetupContext* first = AcquireSetupContext();
    SetupContext* second = AcquireSetupContext();
    EXPECT_EQ(first, second);
    EXPECT_EQ(SetupContextUseCount(), 2);
    first->destination = "C:\\Ziel";
    ReleaseSetupContext();
    EXPECT_EQ(SetupContextUseCount(), 1);
    EXPECT_EQ(second->destination, "C:\\Ziel");  // still alive
    ReleaseSetupContext();
    EXPECT_EQ(SetupContextUseCount(), 0);
}

TEST(SetupContext, ReleaseNeverGoesBelowZero) {
    ASSERT_EQ(SetupContextUseCount(), 0);
    ReleaseSetupContext();
    ReleaseSetupContext();
    EXPECT_EQ(SetupContextUseCount(), 0);
    SetupContext* context = AcquireSetupContext();
    EXPECT_EQ(SetupContextUseCount(), 1);
    ASSERT_NE(context, nullptr);
    ReleaseSetupContext();
    EXPECT_EQ(SetupContextUseCount(), 0);
}

TEST(SetupContext, TheLastReleaseDestroysTheInstance) {
    {
        SetupContextHold hold;
        hold->displayName = "Alt";
        hold->installState = 4;
        EXPECT_EQ(SetupContextUseCount(), 1);
    }
    EXPECT_EQ(SetupContextUseCount(), 0);
    // An acquire after the end (only tests do this) gets a fresh record.
    SetupContextHold again;
    EXPECT_EQ(again->displayName, "");
    EXPECT_EQ(again->installState, -1);
}

TEST(SetupContext, CountsCorrectlyUnderConcurrentUse) {
    ASSERT_EQ(SetupContextUseCount(), 0);
    SetupContextHold keep;  // keeps one instance for the whole test
    SetupContext* expected = keep.Get();
    std::atomic<int> mismatches{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 2000; ++i) {
                if (AcquireSetupContext() != expected) ++mismatches;
                ReleaseSetupContext();
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(mismatches, 0);
    EXPECT_EQ(SetupContextUseCount(), 1);
}

// ---------------------------------------------------------------- files and registry

class StartupFolderTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(SetupContextUseCount(), 0);
        char temp[MAX_PATH + 1] = {};
        ASSERT_GT(::GetTempPathA(sizeof temp, temp), 0u);
        folder_ = std::string(temp) + "kalv_startup_" + std::to_string(::GetCurrentProcessId());
        ::CreateDirectoryA(folder_.c_str(), nullptr);
        spd_ = folder_ + "\\user.spd";
    }
    void TearDown() override {
        ::DeleteFileA(spd_.c_str());
        ::RemoveDirectoryA(folder_.c_str());
        EXPECT_EQ(SetupContextUseCount(), 0);
    }
    static std::vector<uint8_t> Header(const std::string& name, const std::string& subfolder) {
        spd::SetupHeader header;
        header.displayName = name;
        header.defaultSubfolder = subfolder;
        header.fileCount = 1;
        header.catalogOffset = 192;
        return header.Encode();
    }
    void WriteSpd(const std::vector<uint8_t>& bytes) {
        CFile file;
        ASSERT_TRUE(file.Open(spd_, CFile::modeWrite | CFile::modeCreate));
        if (!bytes.empty()) file.Write(bytes.data(), static_cast<UINT>(bytes.size()));
    }

    std::string folder_;
    std::string spd_;
};

TEST_F(StartupFolderTest, ReadsNameAndSubfolderFromAVersion16Header) {
    WriteSpd(Header("Kalvorin", "Brisvane\\Kalvorin"));
    const auto info = ReadStartupHeader(folder_);
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(info->displayName, "Kalvorin");
    EXPECT_EQ(info->defaultSubfolder, "Brisvane\\Kalvorin");
}

TEST_F(StartupFolderTest, RejectsAMissingShortOrWrongVersionFile) {
    EXPECT_FALSE(ReadStartupHeader(folder_).has_value());  // no user.spd
    std::vector<uint8_t> bytes = Header("Kalvorin", "K");
    WriteSpd(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 191));
    EXPECT_FALSE(ReadStartupHeader(folder_).has_value());
    WriteSpd({});
    EXPECT_FALSE(ReadStartupHeader(folder_).has_value());
    bytes[4] = 15;
    WriteSpd(bytes);
    EXPECT_FALSE(ReadStartupHeader(folder_).has_value());
    bytes[4] = 17;
    WriteSpd(bytes);
    EXPECT_FALSE(ReadStartupHeader(folder_).has_value());
}

TEST_F(StartupFolderTest, AcceptsAWrongMagicAndALongerFile) {
    std::vector<uint8_t> bytes = Header("Kalvorin", "");
    bytes[0] = 'X';
    bytes[3] = 'Y';
    bytes.resize(5000, 0xAB);
    WriteSpd(bytes);
    const auto info = ReadStartupHeader(folder_);
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(info->displayName, "Kalvorin");
    EXPECT_EQ(info->defaultSubfolder, "");
}

TEST_F(StartupFolderTest, OpensDenyingWritersSoAFileOpenForWritingFails) {
    WriteSpd(Header("Kalvorin", "K"));
    {
        CFile writer;
        ASSERT_TRUE(writer.Open(spd_, CFile::modeReadWrite | CFile::shareDenyNone));
        EXPECT_FALSE(ReadStartupHeader(folder_).has_value());
    }
    CFile reader;
    ASSERT_TRUE(reader.Open(spd_, CFile::modeRead | CFile::shareDenyWrite));
    EXPECT_TRUE(ReadStartupHeader(folder_).has_value());
}

class RegistryValueTest : public testing::Test {
protected:
    static constexpr const char* kKey = "Software\\KalvorinStartupTest";
    void SetUp() override {
        ASSERT_EQ(
            ::RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key_.Put(), nullptr),
            ERROR_SUCCESS);
    }
    void TearDown() override {
        key_.Reset();
        ::RegDeleteKeyA(HKEY_CURRENT_USER, kKey);
    }
    void Set(const char* name, DWORD type, const void* data, DWORD size) {
        ASSERT_EQ(::RegSetValueExA(key_.Get(), name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
    }
    RegKey key_;
};

TEST_F(RegistryValueTest, ReadsStringsWithOrWithoutTheirZero) {
    Set("mit", REG_SZ, "C:\\Programme", 13);
    Set("ohne", REG_SZ, "C:\\Programme", 12);
    Set("leer", REG_SZ, "", 0);
    Set("expand", REG_EXPAND_SZ, "C:\\P", 5);
    EXPECT_EQ(ReadFolderValue(HKEY_CURRENT_USER, kKey, "mit"), "C:\\Programme");
    EXPECT_EQ(ReadFolderValue(HKEY_CURRENT_USER, kKey, "ohne"), "C:\\Programme");
    EXPECT_EQ(ReadFolderValue(HKEY_CURRENT_USER, kKey, "leer"), "");
    EXPECT_EQ(ReadFolderValue(HKEY_CURRENT_USER, kKey, "expand"), "C:\\P");
}

TEST_F(RegistryValueTest, ReadsAtMost260Bytes) {
    const std::string full(259, 'p');  // 259 characters and the zero: 260 bytes
    Set("260", REG_SZ, full.c_str(), 260);
    EXPECT_EQ(ReadFolderValue(HKEY_CURRENT_USER, kKey, "260"), full);
    const std::string longer(300, 'q');
    Set("300", REG_SZ, longer.c_str(), 301);
    EXPECT_FALSE(ReadFolderValue(HKEY_CURRENT_USER, kKey, "300").has_value());
}

TEST_F(RegistryValueTest, MissingKeyValueOrNonStringTypeFails) {
    const DWORD number = 5;
    Set("zahl", REG_DWORD, &number, sizeof number);
    EXPECT_FALSE(ReadFolderValue(HKEY_CURRENT_USER, kKey, "zahl").has_value());
    EXPECT_FALSE(ReadFolderValue(HKEY_CURRENT_USER, kKey, "fehlt").has_value());
    EXPECT_FALSE(ReadFolderValue(HKEY_CURRENT_USER, "Software\\KalvorinGibtEsNicht", "x").has_value());
}

TEST(ProgramFilesFolder, IsReadFromTheSystemsRegistry) {
    const auto folder = ReadProgramFilesFolder();
    ASSERT_TRUE(folder.has_value());
    EXPECT_EQ(*folder, "C:\\Program Files");
}

// ---------------------------------------------------------------- start-up as a whole

class TestSetupApp : public CSetupApp {
public:
    explicit TestSetupApp(std::string folder) : folder_(std::move(folder)) {}
    int dialogRuns = 0;
    SetupContext seen;  // copy of the context while the dialog would run

protected:
    std::string ModuleFilePath() const override { return folder_ + "\\setup.exe"; }
    void RunMainDialog() override {
        ++dialogRuns;
        SetupContext* context = Context();
        seen.defaultDestination = context->defaultDestination;
        seen.isWin9x = context->isWin9x;
        seen.displayName = context->displayName;
        seen.moduleFolder = context->moduleFolder;
        seen.languageId = context->languageId;
        seen.programFilesFolder = context->programFilesFolder;
        seen.installState = SetupContextUseCount();  // the application's own hold
    }

private:
    std::string folder_;
};

TEST_F(StartupFolderTest, WithoutUsableUserSpdShowsMessage148AndExitsWithZero) {
    std::vector<uint8_t> version15 = Header("Kalvorin", "K");
    version15[4] = 15;
    std::vector<uint8_t> short191 = Header("Kalvorin", "K");
    short191.resize(191);
    const std::vector<std::vector<uint8_t>> cases = {{}, short191, version15};
    for (size_t i = 0; i < cases.size(); ++i) {
        if (i == 0)
            ::DeleteFileA(spd_.c_str());
        else
            WriteSpd(cases[i]);
        MessageBoxScript boxes;
        TestSetupApp app(folder_);
        EXPECT_EQ(app.RunApplication(nullptr), 0) << "case " << i;
        EXPECT_EQ(app.dialogRuns, 0);
        const auto shown = boxes.Shown();
        ASSERT_EQ(shown.size(), 1u) << "case " << i;
        EXPECT_EQ(shown[0].text, kCannotInitialize);
        EXPECT_EQ(shown[0].flags, static_cast<UINT>(MB_ICONSTOP | MB_OK));
        EXPECT_EQ(shown[0].caption, "startup_test");
        EXPECT_EQ(SetupContextUseCount(), 0);  // released by ExitInstance
    }
}

TEST_F(StartupFolderTest, WithAWrongMagicGathersTheEnvironmentAndRunsTheDialog) {
    std::vector<uint8_t> bytes = Header("Kalvorin Traum", "Brisvane\\Kalvorin");
    bytes[0] = 0;
    WriteSpd(bytes);
    MessageBoxScript boxes;
    TestSetupApp app(folder_);
    ::SetErrorMode(0);
    EXPECT_EQ(app.RunApplication(nullptr), 0);
    // A drive without a disk is the program's to report, not the system's.
    EXPECT_EQ(::SetErrorMode(0) & SEM_FAILCRITICALERRORS, static_cast<UINT>(SEM_FAILCRITICALERRORS));
    EXPECT_EQ(boxes.Count(), 0u);
    EXPECT_EQ(app.dialogRuns, 1);
    EXPECT_EQ(app.seen.displayName, "Kalvorin Traum");
    EXPECT_EQ(app.seen.moduleFolder, folder_);
    EXPECT_EQ(app.seen.programFilesFolder, "C:\\Program Files");
    EXPECT_EQ(app.seen.defaultDestination, "C:\\Program Files\\Brisvane\\Kalvorin");
    EXPECT_EQ(app.seen.languageId, 7);
    EXPECT_EQ(app.seen.isWin9x, 0);
    EXPECT_EQ(app.seen.installState, 1);  // use count while the dialog runs
    EXPECT_EQ(SetupContextUseCount(), 0);
}

TEST_F(StartupFolderTest, EmptySubfolderLeavesTheDefaultDestinationEmpty) {
    WriteSpd(Header("Kalvorin", ""));
    MessageBoxScript boxes;
    TestSetupApp app(folder_);
    EXPECT_EQ(app.RunApplication(nullptr), 0);
    EXPECT_EQ(app.dialogRuns, 1);
    EXPECT_EQ(app.seen.defaultDestination, "");
    EXPECT_EQ(app.seen.programFilesFolder, "C:\\Program Files");
}

}  // namespace
