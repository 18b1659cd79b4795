#include "register/RegistryEntries.h"

#include <windows.h>

#include "codec/RegistryEntryRecord.h"
#include "framework/Handles.h"
#include "setupdata/SetupWork.h"
#include "system/RegistryValues.h"
#include "system/ShortPath.h"
#include "worker/SetupException.h"

namespace {

constexpr REGSAM kProductKeyAccess = KEY_READ | KEY_WRITE;  // 0x2001F

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

// Sets a value after recording it as it was (read before its key was
// created or opened), so that a failed run can put an earlier
// installation's value back and knows whether the key was there.
LONG SetRecorded(SetupWork& work, HKEY key, const RegistryValueBefore& before, const std::string& text) {
    work.record.AddChangedValue(before);
    return SetStringValue(key, before.name, text);
}

RegistryValueBefore Before(const std::string& key, const std::string& name) {
    return ReadValueBefore(HKEY_LOCAL_MACHINE, key, name);
}

std::string Upper(std::string text) {
    if (!text.empty()) ::CharUpperBuffA(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

}  // namespace

std::string ProductValueName(const std::string& displayName) {
    return Upper(displayName);
}

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
    const RegistryValueBefore destination = Before(key, "Destination");
    const RegistryValueBefore config = Before(key, "Config");
    work.record.AddRegistryEntry(Record(key));
    RegKey opened;
    if (CreateKey(key, kProductKeyAccess, opened) != ERROR_SUCCESS) fail();
    if (SetRecorded(work, opened.Get(), destination, ShortPathOf(work.context.destination)) != ERROR_SUCCESS) fail();
    const std::string configPath = work.configPath.empty() ? std::string() : ShortPathOf(work.configPath);
    if (SetRecorded(work, opened.Get(), config, configPath) != ERROR_SUCCESS) fail();
}

void WriteUninstallEntry(SetupWork& work, const std::string& logPath) {
    const auto fail = [] { throw CSetupException(SetupPhase::Completion, SetupCause::UnexpectedError); };
    const std::string& name = work.context.displayName;
    const std::string key = std::string(kUninstallKey) + "\\" + name;
    const RegistryValueBefore displayName = Before(key, "DisplayName");
    const RegistryValueBefore uninstallString = Before(key, "UninstallString");
    RegKey opened;
    if (CreateKey(key, KEY_WRITE, opened) != ERROR_SUCCESS) fail();
    work.record.AddRegistryEntry(Record(key));
    if (SetRecorded(work, opened.Get(), displayName, name) != ERROR_SUCCESS) fail();
    const std::string command = UninstallCommand(work.context.uninstallerPath, logPath, false);
    if (SetRecorded(work, opened.Get(), uninstallString, command) != ERROR_SUCCESS) fail();
}

void WriteProductValue(SetupWork& work, const std::string& logPath) {
    const std::string name = ProductValueName(work.context.displayName);
    const RegistryValueBefore value = Before(kProductRootKey, name);
    work.record.AddRegistryEntry(Record(kProductRootKey, name));
    RegKey opened;
    if (CreateKey(kProductRootKey, KEY_WRITE, opened) != ERROR_SUCCESS ||
        SetRecorded(work, opened.Get(), value, UninstallCommand(work.context.uninstallerPath, logPath, true)) !=
            ERROR_SUCCESS) {
        throw CSetupException(SetupPhase::FileInstallation, SetupCause::UnexpectedError);
    }
}
