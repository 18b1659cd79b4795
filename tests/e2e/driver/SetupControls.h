// The control identifiers of setup.exe's windows, as a test finds them from
// outside the process, and the caption of the finish page's button.
#pragma once

#include <string>

namespace e2e {

// The main dialog.
constexpr int kProgress = 1000;
constexpr int kInstall = 1014;
constexpr int kCreditBitmap = 1019;
constexpr int kCreditText = 1020;
// The destination page.
constexpr int kStatus = 1001;
constexpr int kBrowse = 1004;  // also on the disk prompt
constexpr int kHeader = 1010;
constexpr int kFolder = 1012;
constexpr int kLabel = 1013;
// The finish page.
constexpr int kResult = 1001;
constexpr int kReboot = 1017;
constexpr int kProperties = 1018;
inline const std::string kFinishCaption = "&Beenden";
// The disk prompt.
constexpr int kPromptText = 1005;
constexpr int kPromptFolder = 1006;

}  // namespace e2e
