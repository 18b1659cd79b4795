// Every text of the setup program's string table, loaded from the linked
// resources and compared byte for byte (code page 1252) with the exact text.
#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <string>

#include "framework/StringTable.h"

using namespace kalvorin;

namespace {

// The texts, as bytes in code page 1252 ("\xE4" is a-umlaut, "\xDF" sharp s).
const std::map<UINT, std::string> kExpected = {
    {5, "Ein interner Fehler ist aufgetreten."},
    {8,
     "Der Bildschirmschoner wurde noch nicht vollst\xE4ndig installiert.\nWollen Sie das Setup Programm dennoch "
     "beenden?"},
    {13, " "},
    {18, "Konnte eine Datei nicht finden."},
    {21, "Konnte keinen tempor\xE4ren Ordner anlegen."},
    {24, "Ein Dateifehler ist aufgetreten."},
    {27, "Ab&brechen"},
    {30, "&Beenden"},
    {33,
     "Eine Setup-Datei ist besch\xE4"
     "digt."},
    {36, "Bitte legen Sie Diskette Nr. %1 ein bzw. w\xE4hlen Sie den entsprechenden Ordner aus."},
    {39, "&OK"},
    {42, "A&bbrechen"},
    {45, "D&urchsuchen..."},
    {48, "W\xE4hlen Sie einen Ordner und klicken Sie auf 'OK'."},
    {51, "Es ist zu wenig Speicher vorhanden."},
    {57, "Kalvorin bereitet die Installation vor..."},
    {60, "Bei der Vorbereitung der Installation ist ein Fehler aufgetreten."},
    {63, "Beim Installieren der Dateien ist der folgende Fehler aufgetreten."},
    {66, "Beim Dekomprimieren ist ein Fehler aufgetreten."},
    {69, "Ein interner Fehler ist aufgetreten."},
    {72, "Ein unerwarteter Fehler ist aufgetreten."},
    {75, "Kalvorin kopiert die Dateien...\n\nInstalliere: %1"},
    {78, "Geben Sie ein Verzeichnis an, in das der Bildschirmschoner installiert werden soll."},
    {81, "&Zielverzeichnis:"},
    {84,
     "Sie haben einen ung\xFCltigen Pfadnamen angegeben.\nStellen Sie sicher, dass der Pfadname nicht mehr als 256 "
     "Zeichen lang\nist und keines der folgenden Zeichen enth\xE4lt:\n/ * ? < > \" |\n\nHinweis: Bitte verwenden Sie "
     "keine Netzwerk-Pfadnamen."},
    {87, "&Installieren"},
    {142, "Bitte w\xE4hlen Sie einen Zielordner f\xFCr den Bildschirmschoner aus."},
    {148, "Konnte Kalvorin nicht initialisieren."},
    {151,
     "Fehler beim Lesen/Schreiben/Erstellen einer Datei.\nSchlie\xDF"
     "en Sie alle Anwendungen, und versuchen Sie\nes erneut."},
    {154, "Die gew\xE4hlte Datei scheint keine g\xFCltige Setupdatei zu sein."},
    {157, "Das scheint die falsche Diskette zu sein."},
    {160, "Beim Anlegen der Ordner auf Ihrem Computer ist der folgende Fehler aufgetreten."},
    {163, "Konnte einen Ordner nicht anlegen. Entfernen Sie ggf. den Schreibschutz."},
    {166, "Kalvorin erstellt Ordner..."},
    {169,
     "Der folgende Ordner sollte angelegt werden:\n'%1'\nDieser Ordner existiert aber schon auf ihrem System.\nM\xF6"
     "chten Sie diesen Ordner trotzdem verwenden."},
    {172, "Kalvorin kann nicht fortfahren."},
    {175,
     "Die Datei '%1' soll durch eine Datei ersetzt werden.\n\nBeide Dateien besitzen KEINE Versionsinformation. M\xF6"
     "chten Sie die alte Datei trotzdem ersetzen?"},
    {178,
     "Die Datei '%1' soll durch eine Datei ersetzt werden.\n\nBeide Dateien sind gleich gro\xDF, unterscheiden sich "
     "wahrscheinlich nicht.\nM\xF6"
     "chten Sie die alte Datei ersetzen?"},
    {181, "Fehler beim extrahieren des Versionsinformations-Blocks aus\n'%1'."},
    {187,
     "Die Datei '%1' soll ersetzt werden.\n\nDie alte Datei enth\xE4lt eine Versionsinformation, die neue Datei "
     "nicht.\nM\xF6"
     "chten Sie die alte Datei behalten? (Empfohlen!)"},
    {190,
     "Die Datei '%1' soll durch eine Datei ersetzt werden.\n\nDie neue Datei enth\xE4lt eine Versionsinformation, die "
     "alte nicht.\nM\xF6"
     "chten Sie die alte Datei ersetzen? (Empfohlen!)"},
    {193,
     "Die existierende Datei '%1' unterst\xFCtzt\n\"%2\" w\xE4hrend die neue Datei unter anderem\ndie Systemsprache "
     "(%3) unterst\xFCtzt. M\xF6"
     "chten Sie die alte Datei ersetzen? (Empfohlen!)"},
    {196,
     "Die Datei '%1' soll durch eine gleichnamige Datei\nersetzt werden, die f\xFCr den Bildschirmschoner dringend "
     "ben\xF6tigt wird.\nM\xF6"
     "chten Sie die alte Datei trotzdem behalten? (Nicht empfohlen!)"},
    {199, "Beim Komprimieren einer Datei ist ein Fehler aufgetreten."},
    {202, "Kalvorin beendet die Installation..."},
    {205, "Beim Beenden der Installation ist folgender Fehler aufgetreten."},
    {208,
     "M\xF6"
     "chten Sie k\xFCnftig Dateien mit dem selben Problem genauso behandeln?"},
    {211,
     "Ich m\xF6"
     "chte meinen Computer jetzt neu starten."},
    {214,
     "Zeige anschlie\xDF"
     "end die Anzeige Eigenschaften an."},
    {217, "Der Bildschirmschoner wurde erfolgreich auf Ihrem System installiert.\nViel Spa\xDF!"},
    {220,
     "Der Bildschirmschoner wurde erfolgreich installiert.\nStarten Sie den Computer neu, bevor Sie den "
     "Bildschirmschoner benutzen!"},
    {223,
     "Fehler beim Erstellen der Deinstallations-Logdatei.\nM\xF6glicherweise existiert eine Datei namens '%1' bereits "
     "in Ihrem System.\n\xDC"
     "berpr\xFC"
     "fen Sie das und dr\xFC"
     "cken Sie Wiederholen um es erneut zu versuchen oder Abbrechen um fortzufahren."},
    {226,
     "Kalvorin hat eine \xE4ltere Installation dieses Bildschirmschoners\nauf dem Computer gefunden. Es wird empfohlen "
     "diese zu l\xF6schen bevor Sie weitermachen.\n\nM\xF6"
     "chten Sie die \xE4lte Installation jetzt deinstallieren?"},
    {227, "In dem angegebenen Verzeichnis konnte keine geeignete\nDatei gefunden werden."},
    {230,
     "Das Deinstallationsprogramm konnte nicht eingerichtet werden, weil die Datei _setup.spd besch\xE4"
     "digt "
     "ist oder nicht gelesen werden kann.\nDer Bildschirmschoner wird trotzdem installiert, kann aber nicht \xFC"
     "ber die Systemsteuerung entfernt werden."},
    {231, "Der Bildschirmschoner wurde ohne Deinstallationsprogramm installiert.\nViel Spa\xDF!"},
    {232,
     "Der Bildschirmschoner wurde ohne Deinstallationsprogramm installiert.\nStarten Sie den Computer neu, bevor "
     "Sie den Bildschirmschoner benutzen!"},
    {233,
     "Der Computer konnte nicht neu gestartet werden.\nEinige Dateien werden erst beim n\xE4"
     "chsten Neustart "
     "ersetzt. Bitte starten Sie den Computer selbst neu, bevor Sie den Bildschirmschoner benutzen."},
    {61446, "eine unbenannte Datei"},
    {61856, "Kein Fehler aufgetreten."},
    {61857, "Ein unbekannter Fehler ist beim Zugriff auf %1 aufgetreten."},
    {61858, "%1 wurde nicht gefunden."},
    {61859, "%1 enth\xE4lt eine ung\xFCltige Pfadangabe."},
    {61860,
     "%1 konnte nicht ge\xF6"
     "ffnet werden, da zu viele Dateien ge\xF6"
     "ffnet sind."},
    {61861, "Zugriff auf %1 wurde verwehrt."},
    {61862, "Eine ung\xFCltige Dateikennung war mit %1 verbunden."},
    {61863, "Das Verzeichnis %1 konnte nicht entfernt werden, da es das aktuelle Verzeichnis ist. "},
    {61864, "%1 konnte nicht erstellt werden, da das Verzeichnis voll ist."},
    {61865, "Positionierungsfehler auf %1."},
    {61866, "Ein Hardware-E/A-Fehler wurde w\xE4hrend des Zugriffs auf %1 gemeldet."},
    {61867, "Eine Zugriffsverletzung ist w\xE4hrend des Zugriffs auf %1 aufgetreten."},
    {61868, "Eine Sperrverletzung ist w\xE4hrend des Zugriffs auf %1 aufgetreten."},
    {61869, "Beim Zugriff auf %1 wurde ein voller Datentr\xE4ger gemeldet."},
    {61870, "Es wurde versucht, auf eine Stelle hinter dem Ende von %1 zuzugreifen."},
};

std::string Hex(const std::string& text) {
    std::string out;
    char buffer[4];
    for (unsigned char c : text) {
        snprintf(buffer, sizeof buffer, "%02X ", c);
        out += buffer;
    }
    return out;
}

TEST(StringTable, EveryTextLoadsByteForByte) {
    for (const auto& [id, expected] : kExpected) {
        std::string loaded;
        ASSERT_TRUE(TryLoadStr(id, loaded)) << "string " << id << " missing";
        EXPECT_EQ(loaded, expected) << "string " << id << "\nloaded:   " << Hex(loaded)
                                    << "\nexpected: " << Hex(expected);
        EXPECT_EQ(LoadStr(id), expected) << "string " << id;
    }
}

// The same texts read back from setup.exe itself, as the shipped program
// carries them (loaded as a data file, not run).
TEST(StringTable, SetupExeCarriesEveryText) {
    const char* hostPath = std::getenv("KALVORIN_SETUP_EXE");
    ASSERT_NE(hostPath, nullptr) << "KALVORIN_SETUP_EXE is not set";
    std::string path = std::string("Z:") + hostPath;  // /x/y is Z:\x\y under Wine
    std::replace(path.begin(), path.end(), '/', '\\');
    HMODULE exe = ::LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(exe, nullptr) << path;
    for (const auto& [id, expected] : kExpected) {
        char buffer[1024] = {};
        const int length = ::LoadStringA(exe, id, buffer, sizeof buffer);
        EXPECT_EQ(std::string(buffer, length > 0 ? static_cast<size_t>(length) : 0), expected) << "string " << id;
    }
    char buffer[16] = {};
    EXPECT_EQ(::LoadStringA(exe, 228, buffer, sizeof buffer), 0);
    ::FreeLibrary(exe);
}

TEST(StringTable, HoldsNoOtherTexts) {
    // An id typed wrongly in the resource script shows up here as an extra
    // string (and above as a missing one).
    for (UINT id = 0; id < 65536; ++id) {
        std::string loaded;
        if (TryLoadStr(id, loaded))
            EXPECT_TRUE(kExpected.count(id) == 1) << "unexpected string " << id << ": " << loaded;
    }
}

TEST(StringTable, CountsAndSpecialTexts) {
    EXPECT_EQ(kExpected.size(), 74u);  // 58 program texts, 61446 and 61856..61870
    // String 13 is a single blank, the trailing blank of 61863 is part of it.
    EXPECT_EQ(LoadStr(13), " ");
    EXPECT_EQ(LoadStr(61863).back(), ' ');
    // Line breaks are single LF bytes, not CR LF.
    EXPECT_EQ(LoadStr(75).find('\r'), std::string::npos);
    EXPECT_EQ(LoadStr(75).find("...\n\nInstalliere"), 28u);  // after "Kalvorin kopiert die Dateien"
}

TEST(StringTable, LongestTextsLoadWhole) {
    // 223 and 226 are the longest texts (more than 200 bytes each).
    for (UINT id : {223u, 226u}) {
        const std::string text = LoadStr(id);
        EXPECT_GT(text.size(), 200u);
        EXPECT_EQ(text.size(), kExpected.at(id).size()) << "string " << id;
    }
}

TEST(StringTable, MissingStringsGiveFalseAndEmptyText) {
    std::string text = "left over";
    EXPECT_FALSE(TryLoadStr(1, text));
    EXPECT_TRUE(text.empty());
    EXPECT_EQ(LoadStr(61445), "");
    EXPECT_EQ(LoadStr(228), "");
}

}  // namespace
