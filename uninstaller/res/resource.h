// Resource identifiers of the uninstaller: its German string table.
#pragma once

// The question and the results
#define IDS_QUESTION     100
#define IDS_REMOVED      101
#define IDS_NOT_COMPLETE 102
#define IDS_SKIPPED_NOTE 103
#define IDS_FAILED_NOTE  104
#define IDS_RESTART_NOTE 105

// The log cannot be used
#define IDS_LOG_MISSING      110
#define IDS_LOG_UNREADABLE   111
#define IDS_LOG_DAMAGED      112
#define IDS_LOG_NOT_RECORDED 113
#define IDS_LOG_ALTERED      114

// The command line
#define IDS_USAGE 120

// An exception stopped at the program's edge
#define IDS_UNEXPECTED_ERROR 130
