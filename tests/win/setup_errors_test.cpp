// Installation errors (phase x cause), the report by exception type, the
// worker's questions and the same-problem memory.
#include <windows.h>
#include <gtest/gtest.h>

#include <map>
#include <stdexcept>
#include <string>

#include "framework/App.h"
#include "framework/FileException.h"
#include "run/AskUser.h"
#include "run/RememberedAnswer.h"
#include "run/SetupException.h"
#include "support/MessageBoxScript.h"
#include "worker/ReportException.h"

using namespace kalvorin;
using namespace kalvorin::setup;

namespace {

const std::map<int, std::string> kPhaseTexts = {
    {0, "Ein interner Fehler ist aufgetreten."},
    {1, "Bei der Vorbereitung der Installation ist ein Fehler aufgetreten."},
    {2, "Beim Anlegen der Ordner auf Ihrem Computer ist der folgende Fehler aufgetreten."},
    {3, "Beim Installieren der Dateien ist der folgende Fehler aufgetreten."},
    {4, "Beim Beenden der Installation ist folgender Fehler aufgetreten."},
};

const std::map<int, std::string> kCauseTexts = {
    {0, "Konnte eine Datei nicht finden."},
    {1, "Konnte keinen tempor\xE4ren Ordner anlegen."},
    {2, "Ein Dateifehler ist aufgetreten."},
    {3,
     "Eine Setup-Datei ist besch\xE4"
     "digt."},
    {4, "Es ist zu wenig Speicher vorhanden."},
    {5, "Beim Dekomprimieren ist ein Fehler aufgetreten."},
    {6, "Ein interner Fehler ist aufgetreten."},
    {7, "Ein unerwarteter Fehler ist aufgetreten."},
    {8, "Konnte einen Ordner nicht anlegen. Entfernen Sie ggf. den Schreibschutz."},
    {9, "Kalvorin kann nicht fortfahren."},
    {10, "Beim Komprimieren einer Datei ist ein Fehler aufgetreten."},
};

const int kPhaseCodes[] = {-100, -1, 0, 1, 2, 3, 4, 5, 6, 1000};
const int kCauseCodes[] = {-100, -1, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 99};

std::string ExpectedMessage(int phase, int cause) {
    const auto p = kPhaseTexts.find(phase);
    std::string message = p != kPhaseTexts.end() ? p->second : kPhaseTexts.at(0);  // unknown phase: string 5
    const auto c = kCauseTexts.find(cause);
    if (c != kCauseTexts.end()) message += "\n" + c->second;  // unknown cause: no second line
    return message;
}

TEST(SetupException, MapsCodesToStringIds) {
    const std::pair<int, UINT> phases[] = {{0, 5}, {1, 60}, {2, 160}, {3, 63}, {4, 205}, {5, 5}, {-1, 5}};
    for (const auto& [code, id] : phases) EXPECT_EQ(CSetupException(code, 0).phaseStringId(), id) << code;
    const std::pair<int, UINT> causes[] = {{0, 18}, {1, 21},  {2, 24},  {3, 33},   {4, 51},  {5, 66},  {6, 69},
                                           {7, 72}, {8, 163}, {9, 172}, {10, 199}, {11, 13}, {-1, 13}, {13, 13}};
    for (const auto& [code, id] : causes) EXPECT_EQ(CSetupException(1, code).causeStringId(), id) << code;
    const CSetupException typed(SetupPhase::FolderCreation, SetupCause::CannotCreateFolder);
    EXPECT_EQ(typed.phaseStringId(), 160u);
    EXPECT_EQ(typed.causeStringId(), 163u);
}

TEST(SetupException, EveryPhaseAndCauseComposesItsMessage) {
    MessageBoxScript boxes;
    for (int phase : kPhaseCodes) {
        for (int cause : kCauseCodes) {
            boxes.Clear();
            EXPECT_EQ(CSetupException(phase, cause).ShowError(MB_ICONSTOP | MB_OK), IDOK);
            const auto shown = boxes.Shown();
            ASSERT_EQ(shown.size(), 1u);
            EXPECT_EQ(shown[0].text, ExpectedMessage(phase, cause)) << "phase " << phase << " cause " << cause;
            EXPECT_EQ(shown[0].flags, 0x10u);
            EXPECT_EQ(shown[0].caption, "setup_errors_test");
        }
    }
}

TEST(SetupException, ExampleMessagesReadAsExpected) {
    MessageBoxScript boxes;
    CSetupException(SetupPhase::Preparation, SetupCause::DamagedSetupFile).ShowError(0x10);
    CSetupException(1, 42).ShowError(0x10);
    CSetupException(SetupPhase::Completion, SetupCause::FileError, "C:\\Ziel\\Wellen.scr").ShowError(0x10);
    const auto shown = boxes.Shown();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0].text,
              "Bei der Vorbereitung der Installation ist ein Fehler aufgetreten.\nEine Setup-Datei ist besch\xE4"
              "digt.");
    // No trailing line break and no blank line for an unknown cause.
    EXPECT_EQ(shown[1].text, "Bei der Vorbereitung der Installation ist ein Fehler aufgetreten.");
    // What the error concerns on a line of its own.
    EXPECT_EQ(shown[2].text,
              "Beim Beenden der Installation ist folgender Fehler aufgetreten.\nEin Dateifehler ist "
              "aufgetreten.\nC:\\Ziel\\Wellen.scr");
}

TEST(SetupException, ShowErrorPassesFlagsAndReturnsTheAnswer) {
    MessageBoxScript boxes({IDCANCEL});
    EXPECT_EQ(CSetupException(4, 7).ShowError(0), IDCANCEL);
    EXPECT_EQ(boxes.Shown().at(0).flags, 0x30u);  // no icon named: exclamation added
}

// An application whose resources are those of another module (one without
// the program's string table): every text fails to load.
class ForeignResourcesApp : public CApp {
public:
    BOOL InitInstance() override {
        MessageBoxScript boxes;
        showErrorResult = CSetupException(1, 3).ShowError(0x10);
        composed = CSetupException(2, 8).ComposeMessage(message);
        shown = boxes.Count();
        return FALSE;
    }
    int showErrorResult = 0;
    bool composed = true;
    std::string message = "unchanged";
    size_t shown = 99;
};

TEST(SetupException, ShowErrorReturnsMinusOneAndShowsNothingWhenATextIsMissing) {
    ForeignResourcesApp app;
    HMODULE foreign = ::GetModuleHandleA("ntdll.dll");
    ASSERT_NE(foreign, nullptr);
    app.RunApplication(foreign);
    EXPECT_EQ(app.showErrorResult, -1);
    EXPECT_FALSE(app.composed);
    EXPECT_EQ(app.message, "");
    EXPECT_EQ(app.shown, 0u);
}

TEST(SetupException, IsACMyExceptionAndCarriesItsTypeName) {
    const CSetupException e(2, 8);
    const CMyException& base = e;
    EXPECT_STREQ(base.what(), "CSetupException");
    EXPECT_STREQ(CMyException().what(), "CMyException");
}

// ---------------------------------------------------------------- report

TEST(ReportWorkerException, ShowsOneMessageByType) {
    MessageBoxScript boxes;
    EXPECT_EQ(ReportWorkerException(std::make_exception_ptr(CSetupException(3, 5))), IDOK);
    EXPECT_EQ(ReportWorkerException(std::make_exception_ptr(CFileException(2, 2, "C:\\t\\a.tmp"))), IDOK);
    EXPECT_EQ(ReportWorkerException(std::make_exception_ptr(CMyException())), 0);
    EXPECT_EQ(ReportWorkerException(std::make_exception_ptr(std::runtime_error("x"))), IDOK);
    EXPECT_EQ(ReportWorkerException(std::make_exception_ptr(42)), IDOK);
    EXPECT_EQ(ReportWorkerException(nullptr), 0);
    const auto shown = boxes.Shown();
    ASSERT_EQ(shown.size(), 4u);
    EXPECT_EQ(shown[0].text,
              "Beim Installieren der Dateien ist der folgende Fehler aufgetreten.\n"
              "Beim Dekomprimieren ist ein Fehler aufgetreten.");
    EXPECT_EQ(shown[1].text, "C:\\t\\a.tmp wurde nicht gefunden.");
    EXPECT_EQ(shown[2].text, "Ein unerwarteter Fehler ist aufgetreten.");
    EXPECT_EQ(shown[3].text, "Ein unerwarteter Fehler ist aufgetreten.");
    for (const auto& box : shown) EXPECT_EQ(box.flags, 0x10u);
}

// ---------------------------------------------------------------- questions

TEST(AskUser, ShowsTextOrStringAndReturnsTheButton) {
    MessageBoxScript boxes({IDYES, IDRETRY});
    EXPECT_EQ(AskUser("Ersetzen?", 0x34), IDYES);
    EXPECT_EQ(AskUser(223u, 0x35), IDRETRY);
    EXPECT_EQ(AskUser(9999u, 0x24), -1);  // no such string: nothing shown
    const auto shown = boxes.Shown();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].text, "Ersetzen?");
    EXPECT_EQ(shown[0].flags, 0x34u);
    EXPECT_EQ(shown[1].flags, 0x35u);
    EXPECT_EQ(shown[1].text.substr(0, 52), "Fehler beim Erstellen der Deinstallations-Logdatei.\n");
}

// ---------------------------------------------------------------- remembered answers

const char* const kRememberText =
    "M\xF6"
    "chten Sie k\xFCnftig Dateien mit dem selben Problem genauso behandeln?";

// Asks the question of a kind through the memory; the question is a message
// box, so the script sees questions and string 208 in order.
int AskKind(RememberedAnswer& memory, int kind, int* questions = nullptr) {
    return memory.Ask(kind, [&] {
        if (questions != nullptr) ++*questions;
        return AskUser("Frage " + std::to_string(kind), 0x34);
    });
}

TEST(RememberedAnswer, StartsCleared) {
    RememberedAnswer memory;
    for (int kind = 0; kind < RememberedAnswer::kKinds; ++kind) EXPECT_EQ(memory.Slot(kind), 0);
}

TEST(RememberedAnswer, RememberedYesOrNoAnswersWithoutAsking) {
    for (int remembered : {IDYES, IDNO}) {
        MessageBoxScript boxes;
        RememberedAnswer memory;
        memory.SetSlot(2, remembered);
        int questions = 0;
        EXPECT_EQ(AskKind(memory, 2, &questions), remembered);
        EXPECT_EQ(AskKind(memory, 2, &questions), remembered);
        EXPECT_EQ(questions, 0);
        EXPECT_EQ(boxes.Count(), 0u);
    }
}

TEST(RememberedAnswer, FirstQuestionOffersString208AndYesRemembersTheAnswer) {
    MessageBoxScript boxes({IDNO, IDYES});  // question: No; remember: Yes
    RememberedAnswer memory;
    EXPECT_EQ(AskKind(memory, 0), IDNO);
    EXPECT_EQ(memory.Slot(0), IDNO);
    const auto shown = boxes.Shown();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].text, "Frage 0");
    EXPECT_EQ(shown[1].text, kRememberText);
    EXPECT_EQ(shown[1].flags, 0x24u);
    // Both questions stop for this kind.
    EXPECT_EQ(AskKind(memory, 0), IDNO);
    EXPECT_EQ(boxes.Count(), 2u);
}

TEST(RememberedAnswer, NoToString208AsksTheQuestionEveryTimeButNever208Again) {
    MessageBoxScript boxes({IDYES, IDNO, IDNO, IDYES});
    RememberedAnswer memory;
    EXPECT_EQ(AskKind(memory, 4), IDYES);  // question, then 208 answered No
    EXPECT_EQ(memory.Slot(4), -1);
    EXPECT_EQ(AskKind(memory, 4), IDNO);   // question only
    EXPECT_EQ(AskKind(memory, 4), IDYES);  // question only
    EXPECT_EQ(memory.Slot(4), -1);
    const auto shown = boxes.Shown();
    ASSERT_EQ(shown.size(), 4u);
    EXPECT_EQ(shown[1].text, kRememberText);
    EXPECT_EQ(shown[2].text, "Frage 4");
    EXPECT_EQ(shown[3].text, "Frage 4");
}

TEST(RememberedAnswer, DeclinedSlotAsksWithout208) {
    MessageBoxScript boxes({IDNO});
    RememberedAnswer memory;
    memory.SetSlot(1, -1);
    EXPECT_EQ(AskKind(memory, 1), IDNO);
    EXPECT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(memory.Slot(1), -1);
}

TEST(RememberedAnswer, OneKindNeverAnswersAnother) {
    MessageBoxScript boxes({IDYES, IDYES, IDNO, IDNO});
    RememberedAnswer memory;
    EXPECT_EQ(AskKind(memory, 0), IDYES);  // kind 0 remembers Yes
    EXPECT_EQ(AskKind(memory, 1), IDNO);   // kind 1 is asked, with 208
    EXPECT_EQ(memory.Slot(0), IDYES);
    EXPECT_EQ(memory.Slot(1), -1);
    for (int kind = 2; kind < RememberedAnswer::kKinds; ++kind) EXPECT_EQ(memory.Slot(kind), 0);
    const auto shown = boxes.Shown();
    ASSERT_EQ(shown.size(), 4u);
    EXPECT_EQ(shown[2].text, "Frage 1");
    EXPECT_EQ(shown[3].text, kRememberText);
}

TEST(RememberedAnswer, ClearForgetsEverything) {
    RememberedAnswer memory;
    memory.SetSlot(0, IDYES);
    memory.SetSlot(3, -1);
    memory.Clear();
    for (int kind = 0; kind < RememberedAnswer::kKinds; ++kind) EXPECT_EQ(memory.Slot(kind), 0);
}

TEST(RememberedAnswer, KindOutsideTheSlotsIsAlwaysAskedAndNeverRemembered) {
    MessageBoxScript boxes({IDYES, IDYES});
    RememberedAnswer memory;
    EXPECT_EQ(AskKind(memory, 5), IDYES);
    EXPECT_EQ(AskKind(memory, -1), IDYES);
    EXPECT_EQ(boxes.Count(), 2u);  // no string 208
    EXPECT_EQ(memory.Slot(5), 0);
}

}  // namespace
