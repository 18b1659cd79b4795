// The end-to-end automation driver: everything a test needs in one include.
#pragma once

#include "Error.h"
#include "FailureScreenshots.h"
#include "HeldFile.h"
#include "MessageBoxes.h"
#include "Process.h"
#include "ReadOnlyFile.h"
#include "Snapshot.h"
#include "Registry.h"
#include "Screen.h"
#include "Snapshot.h"
#include "TestFolder.h"
#include "Text.h"
#include "Wait.h"
#include "Window.h"
