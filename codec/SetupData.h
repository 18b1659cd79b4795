// The joined setup data as a whole, in one include: building it, cutting it
// into volumes and joining them again, verifying it and walking its catalog
// (see codec/Layout.h for the layout).
//
// Building (codec/SetupDataBuilder.h): fill a SetupDataSpec and call
// BuildSetupData(); the image holds the joined data and its volumes.
//
// Reading: JoinVolumes() (codec/VolumeSplit.h, several files) or the user.spd
// bytes alone, then VerifyJoinedData() (codec/JoinedData.h),
// DecodeFolderTable() on the bytes from offset 192, and a CatalogReader
// (codec/CatalogReader.h) for the files.
#pragma once

#include "codec/CatalogReader.h"
#include "codec/JoinedData.h"
#include "codec/SetupDataBuilder.h"
#include "codec/VolumeSplit.h"
