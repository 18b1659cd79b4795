// Questions of the worker: message boxes shown on the calling thread with the
// program's conventions (caption, owner, icon rule of AppMessageBox).
#pragma once

#include <windows.h>

#include <string>

namespace kalvorin::setup {

// Shows `text` with `flags`; returns the button pressed (IDOK 1, IDCANCEL 2,
// IDRETRY 4, IDYES 6, IDNO 7).
int AskUser(const std::string& text, UINT flags);

// Shows string `stringId`; -1 (nothing shown) when it cannot be loaded.
int AskUser(UINT stringId, UINT flags);

}  // namespace kalvorin::setup
