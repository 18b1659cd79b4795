// The end-to-end automation driver: everything a test needs in one include.
#pragma once

#include "Error.h"
#include "FailureScreenshots.h"
#include "HeldFile.h"
#include "MessageBoxes.h"
#include "Process.h"
#include "ReadOnlyFile.h"
#include "Registry.h"
#include "Screen.h"
#include "SetupControls.h"
#include "Snapshot.h"
#include "Stall.h"
#include "TestFolder.h"
#include "Text.h"
#include "Wait.h"
#include "Watchdog.h"
#include "Window.h"
