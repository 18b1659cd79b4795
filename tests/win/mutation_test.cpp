// Mutated setups through the real worker: a setup of three volumes, damaged
// in a way drawn from a fixed seed, is installed by the program's own
// worker thread (CSetupThread with InstallRun, every stage, the end of run
// and its report), with message boxes answered by script and the disk
// prompt cancelled. Each run must end within its time limit with one of the
// messages the program has for damaged data, or with a success whose installed files equal the
// payload; and nothing outside the test's folders and what a successful
// installation writes may change.
//
// The damage: flipped bytes in every region (header, folder table, catalog
// header, file records and contents, volume headers, the packed
// uninstaller), truncated files, size and count fields set to 0 and to all
// ones, volumes swapped, duplicated or missing. A change behind a checksum is
// often made to fit again (the checksums recomputed), so that it reaches the
// readers behind the checksum instead of being caught by it.
//
// KALVORIN_MUTATIONS (default 200) and KALVORIN_MUTATION_SEED (default 1)
// choose how many and which; `make fuzz` runs more with other seeds.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <random>
#include <regex>

#include "Snapshot.h"
#include "app/Startup.h"
#include "common/SetupSurgery.h"
#include "framework/StringTable.h"
#include "res/resource.h"
#include "run/DiskPrompt.h"
#include "stagetest/StageFixture.h"
#include "system/SystemInfo.h"
#include "worker/InstallRun.h"
#include "worker/SetupThread.h"

using namespace kalvorin;
using namespace kalvorin::setup;

using namespace stagetest;

namespace {

// ---------------------------------------------------------------------------
// The setup and its damage.

struct Media {
    std::vector<Bytes> volumes;  // user.spd, user.001, user.002; empty optional slot: missing
    std::vector<bool> present;
    Bytes packed;      // _setup.spd
    std::string what;  // the damage, for the report
};

struct Field {
    const char* name;
    int width;
    std::function<size_t(const surgery::Pieces&, std::mt19937&)> at;  // offset in the joined data
};

size_t Pick(std::mt19937& rng, size_t n) {
    return std::uniform_int_distribution<size_t>(0, n - 1)(rng);
}

// Offsets of the fields and regions, by piece.
size_t Record(const surgery::Pieces& p, std::mt19937& rng) {
    return p.records[Pick(rng, p.records.size())];
}
size_t Content(const surgery::Pieces& p, std::mt19937& rng) {
    return p.contents[Pick(rng, p.contents.size())];
}

class Mutator {
public:
    Mutator(const spd::SetupDataImage& image, Bytes packed)
        : image_(image), packed_(std::move(packed)), pieces_(surgery::Locate(image.joined)) {}

    Media Mutate(uint32_t seed) const {
        std::mt19937 rng(seed);
        Bytes joined = image_.joined;
        Media m;
        m.packed = packed_;
        m.present = std::vector<bool>(image_.volumes.size(), true);
        bool reseal = false;
        bool resealCatalog = false;
        switch (seed % 4) {
        case 0: {  // flipped bytes in one region
            const auto [name, begin, end] = Region(rng);
            const int flips = 1 + static_cast<int>(Pick(rng, 4));
            m.what = "flip " + std::to_string(flips) + " in " + name;
            if (begin == kPacked) {
                for (int i = 0; i < flips; ++i) m.packed[Pick(rng, m.packed.size())] ^= Nonzero(rng);
            } else {
                for (int i = 0; i < flips; ++i) joined[begin + Pick(rng, end - begin)] ^= Nonzero(rng);
                reseal = begin >= spd::SetupHeader::kSize && Pick(rng, 3) != 0;
                resealCatalog = reseal && begin > pieces_.catalog;
            }
            break;
        }
        case 1: {  // a size or count field set to 0 or all ones
            const Field& field = Fields()[Pick(rng, Fields().size())];
            const uint32_t value = Pick(rng, 2) == 0 ? 0 : 0xFFFFFFFFu >> (32 - 8 * field.width);
            m.what = std::string(field.name) + " = " + std::to_string(value);
            const size_t at = field.at(pieces_, rng);
            if (at == kPacked) {
                surgery::PutLE(m.packed, spd::PackedProgramHeader::kOffExpandedSize, 4, value);
            } else {
                surgery::PutLE(joined, at, field.width, value);
                const bool sealField =
                    at == spd::SetupHeader::kOffDataLength || at == spd::SetupHeader::kOffDataChecksum;
                reseal = !sealField && Pick(rng, 3) != 0;
                resealCatalog = reseal && at > pieces_.catalog;
            }
            break;
        }
        default:
            break;
        }
        if (reseal) {
            surgery::Reseal(joined, resealCatalog ? pieces_.catalog : 0);
            m.what += resealCatalog ? ", checksums made to fit" : ", data checksum made to fit";
        }
        m.volumes = surgery::Split(joined, image_.volumes);

        if (seed % 4 == 2) {  // a file cut short, or a volume header damaged
            const size_t file = Pick(rng, m.volumes.size() + 2);
            if (file < m.volumes.size()) {
                const size_t length = Pick(rng, m.volumes[file].size());
                m.volumes[file].resize(length);
                m.what = "volume " + std::to_string(file) + " cut to " + std::to_string(length) + " bytes";
            } else if (file == m.volumes.size()) {
                const size_t length = Pick(rng, m.packed.size());
                m.packed.resize(length);
                m.what = "_setup.spd cut to " + std::to_string(length) + " bytes";
            } else {
                const size_t volume = 1 + Pick(rng, m.volumes.size() - 1);
                const size_t at = Pick(rng, spd::VolumeHeader::kSize);
                m.volumes[volume][at] ^= Nonzero(rng);
                m.what = "flip in the header of volume " + std::to_string(volume) + " at " + std::to_string(at);
            }
        } else if (seed % 4 == 3) {  // volumes swapped, duplicated or missing
            switch (Pick(rng, 4)) {
            case 0:
                std::swap(m.volumes[1], m.volumes[2]);
                m.what = "volumes 1 and 2 swapped";
                break;
            case 1:
                m.volumes[2] = m.volumes[1];
                m.what = "volume 1 in place of volume 2";
                break;
            case 2:
                m.volumes[1] = m.volumes[2];
                m.what = "volume 2 in place of volume 1";
                break;
            default: {
                const size_t volume = 1 + Pick(rng, 2);
                m.present[volume] = false;
                m.what = "volume " + std::to_string(volume) + " missing";
            }
            }
        }
        return m;
    }

private:
    static constexpr size_t kPacked = SIZE_MAX;

    static uint8_t Nonzero(std::mt19937& rng) { return static_cast<uint8_t>(1 + Pick(rng, 255)); }

    std::tuple<std::string, size_t, size_t> Region(std::mt19937& rng) const {
        const size_t file = Pick(rng, pieces_.records.size());
        const auto block = [&](size_t at) { return at + surgery::BlockLength(image_.joined, at); };
        switch (Pick(rng, 7)) {
        case 0:
            return {"the header", 0, spd::SetupHeader::kSize};
        case 1:
            return {"the folder table", pieces_.folderTable, block(pieces_.folderTable)};
        case 2:
            return {"the catalog header", pieces_.catalog, pieces_.catalog + spd::BlockHeader::kSize};
        case 3:
            return {"file record " + std::to_string(file), pieces_.records[file], block(pieces_.records[file])};
        case 4:
            return {"the header of file record " + std::to_string(file), pieces_.records[file],
                    pieces_.records[file] + spd::BlockHeader::kSize};
        case 5:
            return {"file content " + std::to_string(file), pieces_.contents[file], block(pieces_.contents[file])};
        default:
            return {"_setup.spd", kPacked, kPacked};
        }
    }

    static const std::vector<Field>& Fields() {
        using P = const surgery::Pieces&;
        using R = std::mt19937&;
        const auto header = [](size_t at) { return [at](P, R) { return at; }; };
        static const std::vector<Field> fields = {
            {"volumeCount", 2, header(spd::SetupHeader::kOffVolumeCount)},
            {"dataLength", 4, header(spd::SetupHeader::kOffDataLength)},
            {"dataChecksum", 4, header(spd::SetupHeader::kOffDataChecksum)},
            {"nonZeroMark", 4, header(spd::SetupHeader::kOffNonZeroMark)},
            {"folderCount", 2, header(spd::SetupHeader::kOffFolderCount)},
            {"catalogOffset", 4, header(spd::SetupHeader::kOffCatalogOffset)},
            {"fileCount", 2, header(spd::SetupHeader::kOffFileCount)},
            {"folder table storedSize", 4, [](P p, R) { return p.folderTable + spd::BlockHeader::kOffStoredSize; }},
            {"folder table expandedSize", 4, [](P p, R) { return p.folderTable + spd::BlockHeader::kOffExpandedSize; }},
            {"catalog checksum", 4, [](P p, R) { return p.catalog + spd::BlockHeader::kOffChecksum; }},
            {"record storedSize", 4, [](P p, R r) { return Record(p, r) + spd::BlockHeader::kOffStoredSize; }},
            {"record expandedSize", 4, [](P p, R r) { return Record(p, r) + spd::BlockHeader::kOffExpandedSize; }},
            {"record checksum", 4, [](P p, R r) { return Record(p, r) + spd::BlockHeader::kOffChecksum; }},
            {"content storedSize", 4, [](P p, R r) { return Content(p, r) + spd::BlockHeader::kOffStoredSize; }},
            {"content expandedSize", 4, [](P p, R r) { return Content(p, r) + spd::BlockHeader::kOffExpandedSize; }},
            {"content checksum", 4, [](P p, R r) { return Content(p, r) + spd::BlockHeader::kOffChecksum; }},
            {"_setup.spd expandedSize", 4, [](P, R) { return kPacked; }},
        };
        return fields;
    }

    const spd::SetupDataImage& image_;
    Bytes packed_;
    surgery::Pieces pieces_;
};

// ---------------------------------------------------------------------------
// The worker as the program has it, with the disk prompt cancelled.

class CancellingPrompt : public VolumePrompt {
public:
    void Beep() override {}
    bool Ask(const std::string&, const std::string&, unsigned, std::string&) override { return false; }
};

class PromptlessRun : public SetupRun {
public:
    PromptlessRun(CSetupSync& sync, SetupContext& context) : run_(sync, context) { run_.Work().prompt = &prompt_; }
    RunResult RunBody() override { return run_.RunBody(); }
    void CleanUp() override { run_.CleanUp(); }

private:
    CancellingPrompt prompt_;
    InstallRun run_;
};

class MutationThread : public CSetupThread {
protected:
    std::unique_ptr<SetupRun> CreateRun(CSetupSync& sync, SetupContext& context) override {
        return std::make_unique<PromptlessRun>(sync, context);
    }
};

// ---------------------------------------------------------------------------
// The outcomes the program has for damaged setup data: installation
// errors by phase and cause, and the file layer's errors.

struct Texts {
    std::map<std::string, std::string> errors;  // message -> "Phase/Cause"
    std::vector<std::pair<std::regex, std::string>> fileErrors;

    Texts() {
        using C = SetupCause;
        const std::map<SetupPhase, std::vector<SetupCause>> allowed = {
            {SetupPhase::Preparation,
             {C::FileNotFound, C::FileError, C::DamagedSetupFile, C::OutOfMemory, C::CannotContinue}},
            {SetupPhase::FolderCreation, {C::DamagedSetupFile, C::DecompressError, C::OutOfMemory, C::UnexpectedError}},
            {SetupPhase::FileInstallation,
             {C::DamagedSetupFile, C::DecompressError, C::OutOfMemory, C::UnexpectedError}},
        };
        for (const auto& [phase, causes] : allowed) {
            for (SetupCause cause : causes) {
                const UINT phaseId = CSetupException::PhaseStringId(static_cast<int>(phase));
                const UINT causeId = CSetupException::CauseStringId(static_cast<int>(cause));
                errors[LoadStr(phaseId) + "\n" + LoadStr(causeId)] = PhaseName(phaseId) + "/" + CauseName(causeId);
            }
        }
        for (UINT id = IDS_FILE_ERROR_BASE; id <= IDS_FILE_ERROR_LAST; ++id) {
            const std::string text = LoadStr(id);
            const size_t at = text.find("%1");
            const auto quote = [](const std::string& s) {
                return std::regex_replace(s, std::regex(R"([.^$|()\[\]{}*+?\\])"), R"(\$&)");
            };
            const std::string pattern =
                at == std::string::npos ? quote(text) : quote(text.substr(0, at)) + ".*" + quote(text.substr(at + 2));
            fileErrors.emplace_back(std::regex(pattern), "file error " + std::to_string(id - IDS_FILE_ERROR_BASE));
        }
    }

    // The outcome a report names, or nullopt for a message it may not show.
    std::optional<std::string> Name(const std::string& text) const {
        if (const auto e = errors.find(text); e != errors.end()) return e->second;
        for (const auto& [pattern, name] : fileErrors) {
            if (std::regex_match(text, pattern)) return name;
        }
        return std::nullopt;
    }
};

// ---------------------------------------------------------------------------

uint32_t FromEnvironment(const char* name, uint32_t fallback) {
    char value[32] = {};
    const DWORD length = ::GetEnvironmentVariableA(name, value, sizeof value);
    return length > 0 && length < sizeof value ? static_cast<uint32_t>(std::strtoul(value, nullptr, 10)) : fallback;
}

std::string WindowsFolder() {
    char path[MAX_PATH] = {};
    return std::string(path, ::GetWindowsDirectoryA(path, MAX_PATH));
}

std::string SystemFolder() {
    char path[MAX_PATH] = {};
    return std::string(path, ::GetSystemDirectoryA(path, MAX_PATH));
}

class MutationTest : public StageTest {};

TEST_F(MutationTest, EveryDamagedSetupEndsWithItsMessageOrAnIntactInstallation) {
    const uint32_t count = FromEnvironment("KALVORIN_MUTATIONS", 200);
    const uint32_t firstSeed = FromEnvironment("KALVORIN_MUTATION_SEED", 1);
    constexpr DWORD kRunLimitMs = 20000;

    spd::SetupDataSpec spec = BasicSpec();
    spec.files.push_back(MakeFile("more.dat", 3, "Kalvorin", Pattern(4000, 9)));
    spec.files.push_back(MakeFile("bild.bmp", 5, "Docs\\Bilder", Pattern(1500, 5), 0x01));
    spec.folders = {MakeFolder(5, "Docs\\Bilder"), MakeFolder(5, "Docs"), MakeFolder(3, "Kalvorin")};
    spec.volumeSize = VolumeSizeFor(spec, 3);
    const spd::SetupDataImage image = Build(spec);
    ASSERT_EQ(image.volumes.size(), 3u);
    const Mutator mutator(image, PackedProgram());
    const Texts texts;
    const std::vector<std::pair<std::string, Bytes>> payload = {
        {destination + "\\kalvorin.scr", spec.files[0].content},
        {destination + "\\Docs\\readme.txt", spec.files[1].content},
        {context.programFilesFolder + "\\Kalvorin\\more.dat", spec.files[2].content},
        {destination + "\\Docs\\Bilder\\bild.bmp", spec.files[3].content},
    };

    // Everything a run could touch: the test's folders (media, destination,
    // temporary path) by content, the Windows, system and common files
    // folders one level deep, the registry keys of an installation.
    e2e::Snapshot::Scope scope;
    scope.hashedFolders = {root};
    scope.folders = {root};
    const std::string common = ReadFolderValue(HKEY_LOCAL_MACHINE, kCurrentVersionKey, "CommonFilesDir").value_or("");
    scope.shallowFolders = {WindowsFolder(), SystemFolder(), common};
    scope.keys = {{HKEY_LOCAL_MACHINE, "Software\\Brisvane Screensaver"},
                  {HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall"},
                  {HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs"}};
    scope.values = {
        {HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager", "PendingFileRenameOperations"}};
    // What a successful installation may add outside the test's folders.
    const std::regex installed(R"([+~] (file .*\\UnSc[0-9]{4}\.exe|key HKLM\\Software\\Brisvane Screensaver.*|)"
                               R"(value HKLM\\Software\\Brisvane Screensaver.*|key HKLM\\SOFTWARE\\Microsoft\\)"
                               R"(Windows\\CurrentVersion\\Uninstall\\.*|value HKLM\\SOFTWARE\\Microsoft\\)"
                               R"(Windows\\CurrentVersion\\(Uninstall|SharedDLLs)\\?.*))");

    SetupContextHold global;
    MessageBoxScript boxes;
    boxes.AnswerBy([](const MessageBoxScript::Box& box) {
        const UINT buttons = box.flags & MB_TYPEMASK;
        return buttons == MB_YESNO || buttons == MB_YESNOCANCEL ? IDNO : buttons == MB_RETRYCANCEL ? IDCANCEL : IDOK;
    });
    std::map<std::string, int> outcomes;
    std::string notes;
    for (uint32_t seed = firstSeed; seed < firstSeed + count && !HasFailure(); ++seed) {
        const Media media = mutator.Mutate(seed);
        SCOPED_TRACE("seed " + std::to_string(seed) + ": " + media.what);
        DeleteTree(source);
        DeleteTree(destination);
        DeleteTree(context.programFilesFolder + "\\Kalvorin");
        MakeFolders(source);
        WriteBytes(source + "\\_setup.spd", media.packed);
        for (size_t v = 0; v < media.volumes.size(); ++v) {
            if (media.present[v]) {
                WriteBytes(source + "\\" + (v == 0 ? std::string("user.spd") : spd::VolumeFileName(unsigned(v))),
                           media.volumes[v]);
            }
        }
        const e2e::Snapshot before = e2e::Snapshot::Take(scope);

        // Start-up as the program does it, then the worker.
        const std::optional<StartupHeaderInfo> header = ReadStartupHeader(source);
        if (!header) {
            ++outcomes["start-up message 148"];
            EXPECT_EQ(e2e::Snapshot::Take(scope).Changes(before), std::vector<std::string>{});
            continue;
        }
        global->uninstallerPath.clear();
        global->rebootRequired = 0;
        global->installState = kInstallNotStarted;
        global->moduleFolder = source;
        global->destination = destination;
        global->programFilesFolder = context.programFilesFolder;
        global->displayName = header->displayName;
        global->languageId = 7;
        boxes.Clear();
        ReceivedStatuses().clear();
        CSetupSync runSync;
        runSync.dialogWindow = statusWindow;
        MutationThread thread;
        thread.sync = &runSync;
        ASSERT_TRUE(thread.CreateThread());
        ::SetEvent(runSync.startEvent.Get());
        thread.Resume();
        const HANDLE handle = thread.Handle();
        const DWORD started = ::GetTickCount();
        while (::MsgWaitForMultipleObjects(1, &handle, FALSE, 50, QS_ALLINPUT) != WAIT_OBJECT_0) {
            Pump();
            if (::GetTickCount() - started > kRunLimitMs) break;
        }
        if (::WaitForSingleObject(handle, 0) != WAIT_OBJECT_0) {
            ADD_FAILURE() << "the run did not end within " << kRunLimitMs / 1000
                          << " s; boxes so far: " << boxes.Count();
            ::TerminateThread(handle, 99);
            break;
        }
        const std::vector<Status> statuses = Statuses();
        const bool completed = !statuses.empty() && statuses.back().code == Completed;
        EXPECT_EQ(thread.ExitCode(), completed ? 0u : 1u);
        std::vector<std::string> changes = e2e::Snapshot::Take(scope).Changes(before);
        const std::vector<MessageBoxScript::Box> shown = boxes.Shown();
        if (completed) {
            // A damaged _setup.spd: every file, no uninstaller, and one warning that says so.
            const bool noUninstaller = !shown.empty() && shown[0].text == LoadStr(IDS_NO_UNINSTALLER) &&
                                       shown[0].flags == static_cast<UINT>(MB_ICONEXCLAMATION | MB_OK);
            ++outcomes[noUninstaller ? "completed without uninstaller" : "completed"];
            EXPECT_EQ(shown.size(), noUninstaller ? 1u : 0u) << shown[0].text;
            for (const auto& [path, content] : payload) EXPECT_EQ(ReadBytes(path), content) << path;
            std::erase_if(changes, [&](const std::string& line) {
                return std::regex_match(line, installed) || line.find(root + "\\dest") != std::string::npos ||
                       line.find(context.programFilesFolder + "\\Kalvorin") != std::string::npos;
            });
        } else {
            ASSERT_EQ(shown.size(), 1u) << "one report, nothing else";
            const auto name = texts.Name(shown[0].text);
            EXPECT_TRUE(name) << "a message damaged data may not lead to: " << shown[0].text;
            EXPECT_EQ(shown[0].flags, static_cast<UINT>(MB_ICONSTOP | MB_OK));
            ++outcomes[name.value_or("not allowed: " + shown[0].text)];
            // File errors are allowed, but say which data led to them.
            if (!name || name->rfind("file error", 0) == 0) {
                notes += "\n  seed " + std::to_string(seed) + " (" + media.what + "): " + shown[0].text;
            }
        }
        EXPECT_EQ(changes, std::vector<std::string>{});
        e2e::Snapshot::Restore(before);
        ForgetInstallations();
    }

    std::string summary = "mutations run: " + std::to_string(count) + " (seeds " + std::to_string(firstSeed) + " to " +
                          std::to_string(firstSeed + count - 1) + ")";
    for (const auto& [outcome, n] : outcomes) summary += "\n  " + std::to_string(n) + "  " + outcome;
    if (!notes.empty()) summary += "\nfile errors:" + notes;
    std::printf("%s\n", summary.c_str());
    std::fflush(stdout);
}

}  // namespace
