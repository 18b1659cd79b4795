// Resource identifiers of the setup program: dialogs, controls, pictures and
// the German string table. Shared by setup.rc and the C++ code.
#pragma once

// Dialog templates
#define IDD_SETUP       102
#define IDD_DISKPROMPT  129
#define IDD_DESTINATION 135
#define IDD_FINISH      136

// Icons and bitmaps
#define IDI_PAGE   128
#define IDI_DISK   130
#define IDB_CREDIT 137

// Controls of the main dialog (102)
#define IDC_PROGRESS      1000
#define IDC_INSTALL       1014
#define IDC_PLACEHOLDER   1016
#define IDC_CREDIT_BITMAP 1019
#define IDC_CREDIT_TEXT   1020

// Controls of the destination page (135)
#define IDC_STATUS      1001
#define IDC_BROWSE      1004
#define IDC_DEST_HEADER 1010
#define IDC_DEST_FOLDER 1012
#define IDC_DEST_LABEL  1013

// Controls of the finish page (136)
#define IDC_RESULT    1001
#define IDC_REBOOT    1017
#define IDC_SHOWPROPS 1018

// Controls of the disk prompt (129); its browse button is IDC_BROWSE
#define IDC_PROMPT        1005
#define IDC_PROMPT_FOLDER 1006

// Strings
#define IDS_INTERNAL_ERROR                     5
#define IDS_CANCEL_QUESTION                    8
#define IDS_NO_CAUSE                           13
#define IDS_FILE_NOT_FOUND                     18
#define IDS_NO_TEMP_FOLDER                     21
#define IDS_FILE_ERROR                         24
#define IDS_CANCEL_CAPTION                     27
#define IDS_EXIT_CAPTION                       30
#define IDS_DAMAGED_SETUP_FILE                 33
#define IDS_INSERT_DISK                        36
#define IDS_PROMPT_OK                          39
#define IDS_PROMPT_CANCEL                      42
#define IDS_BROWSE_CAPTION                     45
#define IDS_PROMPT_BROWSE_TITLE                48
#define IDS_OUT_OF_MEMORY                      51
#define IDS_STATUS_PREPARING                   57
#define IDS_PHASE_PREPARATION                  60
#define IDS_PHASE_FILE_INSTALLATION            63
#define IDS_DECOMPRESS_ERROR                   66
#define IDS_INTERNAL_ERROR_CAUSE               69
#define IDS_UNEXPECTED_ERROR                   72
#define IDS_STATUS_COPYING                     75
#define IDS_DEST_HEADER                        78
#define IDS_DEST_LABEL                         81
#define IDS_INVALID_PATH                       84
#define IDS_INSTALL_CAPTION                    87
#define IDS_DEST_BROWSE_TITLE                  142
#define IDS_CANNOT_INITIALIZE                  148
#define IDS_VOLUME_IO_ERROR                    151
#define IDS_NOT_A_SETUP_FILE                   154
#define IDS_WRONG_DISK                         157
#define IDS_PHASE_FOLDER_CREATION              160
#define IDS_CANNOT_CREATE_FOLDER               163
#define IDS_STATUS_CREATING_FOLDERS            166
#define IDS_FOLDER_EXISTS                      169
#define IDS_CANNOT_CONTINUE                    172
#define IDS_REPLACE_NO_VERSIONS                175
#define IDS_REPLACE_SAME_SIZE                  178
#define IDS_VERSION_BLOCK_ERROR                181
#define IDS_KEEP_OLD_VERSIONED                 187
#define IDS_REPLACE_NEW_VERSIONED              190
#define IDS_REPLACE_LANGUAGE                   193
#define IDS_KEEP_REQUIRED                      196
#define IDS_COMPRESS_ERROR                     199
#define IDS_STATUS_FINISHING                   202
#define IDS_PHASE_COMPLETION                   205
#define IDS_REMEMBER_ANSWER                    208
#define IDS_REBOOT_NOW                         211
#define IDS_SHOW_DISPLAY_PROPS                 214
#define IDS_INSTALL_DONE                       217
#define IDS_INSTALL_DONE_REBOOT                220
#define IDS_UNINSTALL_LOG_ERROR                223
#define IDS_PREVIOUS_INSTALLATION              226
#define IDS_NO_FILE_IN_FOLDER                  227
#define IDS_NO_UNINSTALLER                     230
#define IDS_INSTALL_DONE_NO_UNINSTALLER        231
#define IDS_INSTALL_DONE_NO_UNINSTALLER_REBOOT 232
#define IDS_RESTART_FAILED                     233

// Framework texts: the unnamed file and the fifteen file error kinds
// (IDS_FILE_ERROR_BASE + kind, kind 0 to 14).
#define IDS_UNNAMED_FILE    61446
#define IDS_FILE_ERROR_BASE 61856
#define IDS_FILE_ERROR_LAST 61870
