#include "register/RegistryEntries.h"

#include <windows.h>

#include "codec/RegistryEntryRecord.h"
#include "framework/Handles.h"
#include "run/SetupException.h"
#include "run/SetupWork.h"
#include "system/LogDigest.h"
#include "system/RegistryValues.h"
#include "system/ShortPath.h"

namespace kalvorin::setup {

namespace {

constexpr REGSAM kProductKeyAccess = KEY_READ | KEY_WRITE;

spd::RegistryEntryRecord Record(const std::string& key, const std::string& valueName = std::string()) {
    spd::RegistryEntryRecord record;
    record.hive = spd::RegistryEntryRecord::kLocalMachine;
    record.key = key;
    record.valueName = valueName;
    return record;
}

LONG CreateKey(const std::string& key, REGSAM access, RegKey& opened) {
    return ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr,
                             opened.Put(), nullptr);
}

// A value as it is before the run touches its key, recorded at once: a
// failed run puts an earlier installation's value back and keeps a key that
// was there, whichever step fails, the creation of the key included.
RegistryValueBefore RecordBefore(SetupWork& work, const std::string& key, const std::string& name) {
    RegistryValueBefore before = ReadValueBefore(HKEY_LOCAL_MACHINE, key, name);
    work.record.AddChangedValue(before);
    return before;
}

std::string Upper(std::string text) {
    if (!text.empty()) ::CharUpperBuffA(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

}  // namespace

std::string ScreensaverKeyName(const std::string& path) {
    std::string name = Upper(ShortPathOf(path));
    for (char& c : name) {
        if (c == '\\') c = '/';
    }
    return name;
}

std::string UninstallCommand(const std::string& uninstallerPath, const std::string& logPath, bool silent) {
    return uninstallerPath + " \"" + logPath + "\"" + (silent ? " s" : "");
}

void WriteProductKey(SetupWork& work) {
    const auto fail = [] { throw CSetupException(SetupPhase::FileInstallation, SetupCause::UnexpectedError); };
    const std::string& named = work.screensaverPath.empty() ? work.context.destination : work.screensaverPath;
    const std::string key = std::string(kProductRootKey) + "\\" + ScreensaverKeyName(named);
    // The uninstall log must hold the key whole: a key cut short would name
    // another one.
    if (key.size() >= spd::RegistryEntryRecord::kTextWidth) fail();
    RecordBefore(work, key, "Destination");
    RecordBefore(work, key, "Config");
    work.record.AddRegistryEntry(Record(key));
    RegKey opened;
    if (CreateKey(key, kProductKeyAccess, opened) != ERROR_SUCCESS) fail();
    if (SetStringValue(opened.Get(), "Destination", ShortPathOf(work.context.destination)) != ERROR_SUCCESS) fail();
    const std::string configPath = work.configPath.empty() ? std::string() : ShortPathOf(work.configPath);
    if (SetStringValue(opened.Get(), "Config", configPath) != ERROR_SUCCESS) fail();
}

void WriteUninstallEntry(SetupWork& work, const std::string& logPath) {
    const auto fail = [] { throw CSetupException(SetupPhase::Completion, SetupCause::UnexpectedError); };
    const std::string& name = work.context.displayName;
    const std::string key = std::string(kUninstallKey) + "\\" + name;
    RecordBefore(work, key, "DisplayName");
    RecordBefore(work, key, "UninstallString");
    RegKey opened;
    if (CreateKey(key, KEY_WRITE, opened) != ERROR_SUCCESS) fail();
    work.record.AddRegistryEntry(Record(key));
    if (SetStringValue(opened.Get(), "DisplayName", name) != ERROR_SUCCESS) fail();
    const std::string command = UninstallCommand(work.context.uninstallerPath, logPath, false);
    if (SetStringValue(opened.Get(), "UninstallString", command) != ERROR_SUCCESS) fail();
}

void WriteProductValue(SetupWork& work, const std::string& logPath) {
    const std::string name = ProductValueName(work.context.displayName);
    RecordBefore(work, kProductRootKey, name);
    work.record.AddRegistryEntry(Record(kProductRootKey, name));
    RegKey opened;
    if (CreateKey(kProductRootKey, KEY_WRITE, opened) != ERROR_SUCCESS ||
        SetStringValue(opened.Get(), name, UninstallCommand(work.context.uninstallerPath, logPath, true)) !=
            ERROR_SUCCESS) {
        throw CSetupException(SetupPhase::FileInstallation, SetupCause::UnexpectedError);
    }
}

void WriteLogDigestOf(SetupWork& work, std::span<const uint8_t> log) {
    const std::optional<Sha256Digest> digest = Sha256Of(log);
    RecordBefore(work, kProductRootKey, LogDigestValueName(work.context.displayName));
    if (!digest || WriteLogDigest(work.context.displayName, *digest) != ERROR_SUCCESS) {
        throw CSetupException(SetupPhase::Completion, SetupCause::UnexpectedError);
    }
}

}  // namespace kalvorin::setup
