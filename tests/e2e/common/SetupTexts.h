// What the setup program writes and says, as the end-to-end tests expect it:
// the registry keys it writes below and its messages (code page 1252).
#pragma once

#include <string>

namespace e2e {

inline const std::string kProductRoot = "Software\\Brisvane Screensaver";
inline const std::string kUninstallRoot = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
inline const std::string kSharedDlls = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
inline const std::string kSessionManager = "System\\CurrentControlSet\\Control\\Session Manager";
inline const std::string kRunOnce = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
inline const std::string kCurrentVersion = "Software\\Microsoft\\Windows\\CurrentVersion";

inline const std::string kInvalidPath =
    "Sie haben einen ung\xFCltigen Pfadnamen angegeben.\nStellen Sie sicher, dass der Pfadname nicht mehr als 256 "
    "Zeichen lang\nist und keines der folgenden Zeichen enth\xE4lt:\n/ * ? < > \" |\n\nHinweis: Bitte verwenden Sie "
    "keine Netzwerk-Pfadnamen.";
inline const std::string kCancelQuestion =
    "Der Bildschirmschoner wurde noch nicht vollst\xE4ndig installiert.\nWollen Sie das Setup Programm dennoch "
    "beenden?";
inline const std::string kPrevious =
    "Kalvorin hat eine \xE4ltere Installation dieses Bildschirmschoners\nauf dem Computer gefunden. Es wird "
    "empfohlen diese zu l\xF6schen bevor Sie weitermachen.\n\nM\xF6"
    "chten Sie die \xE4lte Installation jetzt "
    "deinstallieren?";
inline const std::string kDone = "Der Bildschirmschoner wurde erfolgreich auf Ihrem System installiert.\nViel Spa\xDF!";
inline const std::string kDoneRestart =
    "Der Bildschirmschoner wurde erfolgreich installiert.\nStarten Sie den Computer neu, bevor Sie den "
    "Bildschirmschoner benutzen!";
inline const std::string kNoUninstaller =
    "Das Deinstallationsprogramm konnte nicht eingerichtet werden, weil die Datei _setup.spd besch\xE4"
    "digt ist "
    "oder nicht gelesen werden kann.\nDer Bildschirmschoner wird trotzdem installiert, kann aber nicht \xFC"
    "ber die "
    "Systemsteuerung entfernt werden.";
inline const std::string kDoneNoUninstaller =
    "Der Bildschirmschoner wurde ohne Deinstallationsprogramm installiert.\nViel Spa\xDF!";

}  // namespace e2e
