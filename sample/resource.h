// Resource ids of the sample screensaver.
#pragma once

// String 1 is the name Windows shows in the list of screensavers.
#define IDS_DESCRIPTION 1
#define IDS_SETTINGS    2
#define IDS_NO_PASSWORD 3
#define IDS_USAGE       4

#define IDI_SAMPLE 100
