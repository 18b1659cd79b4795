// The replacement decision over real files with real version resources
// (libraries built with chosen versions and languages), the questions it
// asks with their texts, icons and default buttons, the same-problem memory,
// unreadable version blocks, and the joined language names.
#include <gtest/gtest.h>

#include "codec/FolderKind.h"
#include "framework/Format.h"
#include "install/ReplacementPolicy.h"
#include "res/resource.h"
#include "stagetest/StageFixture.h"

using namespace kalvorin;
using namespace kalvorin::setup;

using namespace stagetest;

namespace {

constexpr uint8_t kRequired = spd::CatalogFlags::Required;
constexpr UINT kAsk = MB_YESNO | MB_ICONEXCLAMATION;                           // 0x34
constexpr UINT kAskNoDefault = MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2;  // 0x134
constexpr UINT kRemember = MB_YESNO | MB_ICONQUESTION;                         // 0x24
constexpr UINT kStop = MB_OK | MB_ICONSTOP;                                    // 0x10

// A library of tests/fixtures/versions, as a Windows path.
std::string Library(const std::string& name) {
    char folder[MAX_PATH] = {};
    ::GetEnvironmentVariableA("KALVORIN_VERSION_LIBS", folder, MAX_PATH);
    std::string path = std::string("Z:") + folder + "/versionlib_" + name + ".dll";
    for (char& c : path) {
        if (c == '/') c = '\\';
    }
    return path;
}

std::string LanguageName(WORD language) {
    char name[128] = {};
    ::VerLanguageNameA(language, name, sizeof name);
    return name;
}

// A file for one side of a decision: a library of the fixtures, or plain
// bytes of a size.
struct Side {
    std::string library;  // empty: `size` bytes without version information
    size_t size = 0;
};

Side Lib(const std::string& name) {
    return Side{name, 0};
}
Side Bytes_(size_t size) {
    return Side{"", size};
}

struct Row {
    const char* name;
    uint8_t flags;
    Side newFile;
    Side oldFile;
    std::vector<int> answers;
    std::vector<std::pair<UINT, UINT>> boxes;  // string id (0: the language question), flags
    ReplaceDecision decision;
    int slot;  // -1: no slot checked
    int32_t slotValue;
};

class PolicyTest : public StageTest {
protected:
    void Place(const Side& side, const std::string& path) {
        MakeFolders(path.substr(0, path.find_last_of('\\')));
        if (!side.library.empty()) {
            ASSERT_TRUE(::CopyFileA(Library(side.library).c_str(), path.c_str(), FALSE)) << side.library;
        } else {
            WriteBytes(path, Pattern(side.size, 3));
        }
    }

    std::string newPath() const { return root + "\\tmp\\neu.tmp"; }
    std::string oldPath() const { return destination + "\\bibliothek.dll"; }
};

TEST_F(PolicyTest, EveryRowOfTheDecisionTable) {
    const std::string de = LanguageName(0x407);
    const std::string en = LanguageName(0x409);
    ASSERT_FALSE(de.empty());
    const std::vector<Row> rows = {
        {"required, Yes keeps",
         kRequired,
         Lib("v2_de"),
         Lib("v1_de"),
         {IDYES, IDNO},
         {{IDS_KEEP_REQUIRED, kAskNoDefault}, {IDS_REMEMBER_ANSWER, kRemember}},
         ReplaceDecision::Keep,
         4,
         -1},
        {"required, the default No replaces",
         kRequired,
         Bytes_(10),
         Bytes_(10),
         {IDNO, IDYES},
         {{IDS_KEEP_REQUIRED, kAskNoDefault}, {IDS_REMEMBER_ANSWER, kRemember}},
         ReplaceDecision::Replace,
         4,
         IDNO},
        {"no versions, sizes differ, Yes replaces",
         0,
         Bytes_(100),
         Bytes_(200),
         {IDYES, IDYES},
         {{IDS_REPLACE_NO_VERSIONS, kAsk}, {IDS_REMEMBER_ANSWER, kRemember}},
         ReplaceDecision::Replace,
         0,
         IDYES},
        {"no versions, sizes differ, No keeps",
         0,
         Bytes_(100),
         Bytes_(200),
         {IDNO, IDNO},
         {{IDS_REPLACE_NO_VERSIONS, kAsk}, {IDS_REMEMBER_ANSWER, kRemember}},
         ReplaceDecision::Keep,
         0,
         -1},
        {"no versions, equal sizes, No keeps",
         0,
         Bytes_(100),
         Bytes_(100),
         {IDNO, IDYES},
         {{IDS_REPLACE_SAME_SIZE, kAsk}, {IDS_REMEMBER_ANSWER, kRemember}},
         ReplaceDecision::Keep,
         1,
         IDNO},
        {"libraries without version resources count as no versions",
         0,
         Lib("plain"),
         Lib("plain"),
         {IDYES, IDNO},
         {{IDS_REPLACE_SAME_SIZE, kAsk}, {IDS_REMEMBER_ANSWER, kRemember}},
         ReplaceDecision::Replace,
         1,
         -1},
        {"only the old file has a version, Yes keeps",
         0,
         Lib("plain"),
         Lib("v1_de"),
         {IDYES, IDNO},
         {{IDS_KEEP_OLD_VERSIONED, kAsk}, {IDS_REMEMBER_ANSWER, kRemember}},
         ReplaceDecision::Keep,
         2,
         -1},
        {"only the old file has a version, No replaces",
         0,
         Bytes_(50),
         Lib("v1_de"),
         {IDNO, IDNO},
         {{IDS_KEEP_OLD_VERSIONED, kAsk}, {IDS_REMEMBER_ANSWER, kRemember}},
         ReplaceDecision::Replace,
         2,
         -1},
        {"only the new file has a version, Yes replaces",
         0,
         Lib("v1_de"),
         Lib("plain"),
         {IDYES, IDNO},
         {{IDS_REPLACE_NEW_VERSIONED, kAsk}, {IDS_REMEMBER_ANSWER, kRemember}},
         ReplaceDecision::Replace,
         3,
         -1},
        {"only the new file has a version, No keeps",
         0,
         Lib("v1_de"),
         Bytes_(50),
         {IDNO, IDYES},
         {{IDS_REPLACE_NEW_VERSIONED, kAsk}, {IDS_REMEMBER_ANSWER, kRemember}},
         ReplaceDecision::Keep,
         3,
         IDNO},
        {"a higher version replaces silently", 0, Lib("v2_de"), Lib("v1_de"), {}, {}, ReplaceDecision::Replace, -1, 0},
        {"a lower version replaces silently", 0, Lib("v1_de"), Lib("v2_de"), {}, {}, ReplaceDecision::Replace, -1, 0},
        {"the same library is kept silently",
         0,
         Lib("v2_de_en"),
         Lib("v2_de_en"),
         {},
         {},
         ReplaceDecision::Keep,
         -1,
         0},
        {"the same languages in another order are kept silently",
         0,
         Lib("v2_en_de"),
         Lib("v2_de_en"),
         {},
         {},
         ReplaceDecision::Keep,
         -1,
         0},
        {"other languages, No keeps",
         0,
         Lib("v2_de_en"),
         Lib("v2_de"),
         {IDNO},
         {{0, kAsk}},
         ReplaceDecision::Keep,
         -1,
         0},
        {"other languages, Yes replaces",
         0,
         Lib("v2_de_en"),
         Lib("v2_de"),
         {IDYES},
         {{0, kAsk}},
         ReplaceDecision::Replace,
         -1,
         0},
        {"a version without a translation table has no languages to compare",
         0,
         Lib("v2_none"),
         Lib("v2_de"),
         {},
         {},
         ReplaceDecision::Keep,
         -1,
         0},
    };
    context.languageId = 7;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Place(row.newFile, newPath());
        Place(row.oldFile, oldPath());
        MessageBoxScript boxes(row.answers);
        SetupWork work(sync, context);
        work.answers.Clear();
        const ReplaceDecision decision = DecideReplacement(work, newPath(), oldPath(), row.flags);
        EXPECT_EQ(decision, row.decision);
        const auto shown = boxes.Shown();
        ASSERT_EQ(shown.size(), row.boxes.size());
        for (size_t i = 0; i < shown.size(); ++i) {
            const auto [id, flags] = row.boxes[i];
            const std::string expected = id == 0
                                             ? FormatStringId(IDS_REPLACE_LANGUAGE, {oldPath(), de, de + " und " + en})
                                             : FormatStringId(id, {oldPath()});
            EXPECT_EQ(shown[i].text, expected) << "box " << i;
            EXPECT_EQ(shown[i].flags, flags) << "box " << i;
        }
        if (row.slot >= 0) {
            EXPECT_EQ(work.answers.Slot(row.slot), row.slotValue);
        }
        for (int kind = 0; kind < 5; ++kind) {
            if (kind != row.slot) EXPECT_EQ(work.answers.Slot(kind), 0) << "slot " << kind;
        }
    }
}

TEST_F(PolicyTest, RememberedAnswersApplyToTheirOwnKindOnly) {
    MessageBoxScript boxes({IDYES, IDYES});  // 175: Yes, and apply it to later files
    SetupWork work(sync, context);
    work.answers.Clear();
    Place(Bytes_(10), newPath());
    Place(Bytes_(20), oldPath());
    EXPECT_EQ(DecideReplacement(work, newPath(), oldPath(), 0), ReplaceDecision::Replace);
    EXPECT_EQ(boxes.Count(), 2u);
    // The next file with differing sizes asks nothing.
    EXPECT_EQ(DecideReplacement(work, newPath(), oldPath(), 0), ReplaceDecision::Replace);
    EXPECT_EQ(boxes.Count(), 2u);
    // Another kind of problem is still asked, with its own offer.
    boxes.Clear();
    boxes.Answer(IDNO);
    boxes.Answer(IDNO);
    Place(Bytes_(20), newPath());
    EXPECT_EQ(DecideReplacement(work, newPath(), oldPath(), 0), ReplaceDecision::Keep);
    ASSERT_EQ(boxes.Count(), 2u);
    EXPECT_EQ(boxes.Shown()[0].text, FormatStringId(IDS_REPLACE_SAME_SIZE, {oldPath()}));
    // Declined: the question comes again for every file, without the offer.
    boxes.Clear();
    boxes.Answer(IDYES);
    EXPECT_EQ(DecideReplacement(work, newPath(), oldPath(), 0), ReplaceDecision::Replace);
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, FormatStringId(IDS_REPLACE_SAME_SIZE, {oldPath()}));
}

TEST_F(PolicyTest, UnreadableVersionBlocksAreNamedAndCountAsNone) {
    SetupWork work(sync, context);
    work.answers.Clear();
    // Between the size query and the read, the file is held open without
    // sharing by someone else: the read fails for real.
    HANDLE held = INVALID_HANDLE_VALUE;
    std::vector<std::string> lock;
    work.beforeVersionRead = [&](const std::string& path) {
        if (std::find(lock.begin(), lock.end(), path) == lock.end()) return;
        held = ::CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
    };
    const auto release = [&] {
        if (held != INVALID_HANDLE_VALUE) ::CloseHandle(held);
        held = INVALID_HANDLE_VALUE;
    };

    {  // The new file's block cannot be read: 181 names the extracted file, then 187.
        Place(Lib("v1_de"), newPath());
        Place(Lib("v2_de"), oldPath());
        lock = {newPath()};
        MessageBoxScript boxes({IDOK, IDYES, IDNO});
        EXPECT_EQ(DecideReplacement(work, newPath(), oldPath(), 0), ReplaceDecision::Keep);
        release();
        const auto shown = boxes.Shown();
        ASSERT_EQ(shown.size(), 3u);
        EXPECT_EQ(shown[0].text, FormatStringId(IDS_VERSION_BLOCK_ERROR, {newPath()}));
        EXPECT_EQ(shown[0].flags, kStop);
        EXPECT_EQ(shown[1].text, FormatStringId(IDS_KEEP_OLD_VERSIONED, {oldPath()}));
    }
    {  // Neither block can be read: two 181, then the size rule alone.
        work.answers.Clear();
        lock = {newPath(), oldPath()};
        HANDLE first = INVALID_HANDLE_VALUE;
        work.beforeVersionRead = [&](const std::string& path) {
            HANDLE h = ::CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
            if (first == INVALID_HANDLE_VALUE)
                first = h;
            else
                held = h;
        };
        MessageBoxScript boxes({IDOK, IDOK, IDNO, IDNO});
        EXPECT_EQ(DecideReplacement(work, newPath(), oldPath(), 0), ReplaceDecision::Keep);
        ::CloseHandle(first);
        release();
        const auto shown = boxes.Shown();
        ASSERT_EQ(shown.size(), 4u);
        EXPECT_EQ(shown[0].text, FormatStringId(IDS_VERSION_BLOCK_ERROR, {newPath()}));
        EXPECT_EQ(shown[1].text, FormatStringId(IDS_VERSION_BLOCK_ERROR, {oldPath()}));
        // The two libraries are of the same size.
        EXPECT_EQ(shown[2].text, FormatStringId(IDS_REPLACE_SAME_SIZE, {oldPath()}));
    }
}

TEST_F(PolicyTest, AVersionQuestionWithoutAnAnswerIsAnUnexpectedError) {
    MessageBoxScript boxes({0});  // the box could not be shown
    SetupWork work(sync, context);
    work.answers.SetSlot(2, -1);
    Place(Bytes_(50), newPath());
    Place(Lib("v1_de"), oldPath());
    EXPECT_EQ(Outcome([&] { DecideReplacement(work, newPath(), oldPath(), 0); }), "FileInstallation/UnexpectedError");
    // The size rule without a size to compare ends the same way.
    ::DeleteFileA(oldPath().c_str());
    Place(Bytes_(50), newPath());
    const std::string missing = destination + "\\fehlt.dat";
    EXPECT_EQ(Outcome([&] { DecideReplacement(work, newPath(), missing, 0); }), "FileInstallation/UnexpectedError");
}

TEST_F(PolicyTest, LanguageNamesAreJoinedWithTheUsersConjunction) {
    const std::string de = LanguageName(0x407);
    const std::string en = LanguageName(0x409);
    const std::string fr = LanguageName(0x40C);
    EXPECT_EQ(JoinLanguageNames({0x407}, 7), de);
    EXPECT_EQ(JoinLanguageNames({0x407, 0x409}, 7), de + " und " + en);
    EXPECT_EQ(JoinLanguageNames({0x407, 0x409}, 12), de + " et " + en);
    EXPECT_EQ(JoinLanguageNames({0x407, 0x409}, 9), de + " and " + en);
    EXPECT_EQ(JoinLanguageNames({0x407, 0x40C, 0x409}, 7), de + ", " + fr + " und " + en);
    EXPECT_EQ(JoinLanguageNames({}, 7), "");
}

}  // namespace
