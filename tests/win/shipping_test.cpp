// What the shipped programs carry for the Windows versions they run on: the
// stand-in for the runtime's GetTickCount64 import, and setup.exe's manifest
// and version resource, read back with the system's own functions.
#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "framework/compat/TickCount64.h"

// Declared by windows.h only for Windows Vista and later; called here through
// the import slot that framework/compat fills.
extern "C" __declspec(dllimport) ULONGLONG WINAPI GetTickCount64();

namespace {

TEST(TickCount64, ExtendsTheCountAcrossWraps) {
    struct Row {
        uint64_t previous;
        uint32_t now;
        uint64_t expected;
    };
    const Row rows[] = {
        {0, 5, 5},
        {0x00000000FFFFFFF0ull, 0xFFFFFFF0u, 0x00000000FFFFFFF0ull},  // the same count again
        {0x00000000FFFFFFF0ull, 0x10u, 0x0000000100000010ull},        // wrapped
        {0x0000000100000010ull, 0x20u, 0x0000000100000020ull},        // on after the wrap
        {0x00000002FFFFFFFFull, 0u, 0x0000000300000000ull},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(compat::ExtendTickCount(row.previous, row.now), row.expected) << std::hex << row.previous;
    }
}

TEST(TickCount64, TheFallbackFollowsTheSystemCountAndNeverGoesBack) {
    uint64_t last = compat::TickCount64FromTickCount();
    const uint64_t system = ::GetTickCount64();
    EXPECT_LE(last > system ? last - system : system - last, 100u);
    for (int i = 0; i < 1000; ++i) {
        const uint64_t next = compat::TickCount64FromTickCount();
        ASSERT_GE(next, last);
        last = next;
    }
}

TEST(TickCount64, TheImportSlotLeadsToTheSystemsFunctionWhereItExists) {
    const ULONGLONG now = ::GetTickCount64();  // a call has resolved the slot
    EXPECT_LE(now - ::GetTickCount(), 100u);
    const FARPROC system = ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "GetTickCount64");
    ASSERT_NE(system, nullptr);
    EXPECT_EQ(reinterpret_cast<void*>(&GetTickCount64), reinterpret_cast<void*>(system));
}

// setup.exe of this build, loaded as data.
class SetupExe : public ::testing::Test {
protected:
    void SetUp() override {
        const char* hostPath = std::getenv("KALVORIN_SETUP_EXE");
        ASSERT_NE(hostPath, nullptr) << "KALVORIN_SETUP_EXE is not set";
        path = std::string("Z:") + hostPath;  // /x/y is Z:\x\y under Wine
        std::replace(path.begin(), path.end(), '/', '\\');
        module = ::LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(module, nullptr) << path;
    }
    void TearDown() override {
        if (module != nullptr) ::FreeLibrary(module);
    }
    std::string path;
    HMODULE module = nullptr;
};

TEST_F(SetupExe, CarriesItsManifest) {
    // Type 24, id 1: the manifest Windows reads when it starts a program.
    HRSRC found = ::FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    ASSERT_NE(found, nullptr);
    const char* bytes = static_cast<const char*>(::LockResource(::LoadResource(module, found)));
    ASSERT_NE(bytes, nullptr);
    const std::string manifest(bytes, ::SizeofResource(module, found));
    for (const char* part : {
             R"(processorArchitecture="amd64")",
             R"(<requestedExecutionLevel level="requireAdministrator" uiAccess="false"/>)",
             R"(<supportedOS Id="{e2011457-1546-43c5-a5fe-008deee3d3f0}"/>)",  // Vista
             R"(<supportedOS Id="{35138b9a-5d96-4fbd-8e2d-a2440225f93a}"/>)",  // 7
             R"(<supportedOS Id="{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}"/>)",  // 8
             R"(<supportedOS Id="{1f676c76-80e1-4239-95bb-83d0f6d0da78}"/>)",  // 8.1
             R"(<supportedOS Id="{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"/>)",  // 10 and 11
             R"(<dpiAware xmlns="http://schemas.microsoft.com/SMI/2005/WindowsSettings">true</dpiAware>)",
             R"(name="Microsoft.Windows.Common-Controls" version="6.0.0.0" processorArchitecture="*" )"
             R"(publicKeyToken="6595b64144ccf1df")",
         }) {
        EXPECT_NE(manifest.find(part), std::string::npos) << part;
    }
}

TEST_F(SetupExe, CarriesItsVersionResource) {
    DWORD handle = 0;
    const DWORD size = ::GetFileVersionInfoSizeA(path.c_str(), &handle);
    ASSERT_GT(size, 0u);
    std::string block(size, '\0');
    ASSERT_TRUE(::GetFileVersionInfoA(path.c_str(), 0, size, block.data()));
    const std::string version = KALVORIN_VERSION;
    const struct {
        const char* name;
        std::string expected;
    } rows[] = {
        {"ProductName", "Kalvorin"}, {"FileDescription", "Kalvorin Setup"}, {"FileVersion", version},
        {"ProductVersion", version}, {"OriginalFilename", "setup.exe"},
    };
    for (const auto& row : rows) {
        void* value = nullptr;
        UINT length = 0;
        const std::string key = std::string("\\StringFileInfo\\040704E4\\") + row.name;
        ASSERT_TRUE(::VerQueryValueA(block.data(), key.c_str(), &value, &length)) << key;
        EXPECT_EQ(std::string(static_cast<const char*>(value)), row.expected) << key;
    }
    void* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(::VerQueryValueA(block.data(), "\\", &fixed, &length));
    const auto* info = static_cast<const VS_FIXEDFILEINFO*>(fixed);
    char numbers[32];
    std::snprintf(numbers, sizeof numbers, "%lu.%lu.%lu.%lu", info->dwFileVersionMS >> 16,
                  info->dwFileVersionMS & 0xFFFF, info->dwFileVersionLS >> 16, info->dwFileVersionLS & 0xFFFF);
    EXPECT_EQ(numbers, version);
}

}  // namespace
