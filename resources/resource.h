// Ids of the program's resources that the code names: shared by the resource scripts in this
// folder and the code (the language modules carry strings and templates of the same ids).
// Plain macros, so that the resource compiler reads them too.
#pragma once

// Dialog templates.
#define IDD_TOP_DIALOG 132     // the wizard's frame
#define IDD_WELCOME_PAGE 134   // the welcome page
#define IDD_FONT_TEMPLATE 233  // names the pages' font (language modules)
#define IDD_FATAL_ERROR 235    // the fatal-error dialog
#define IDD_MEDIA_PROMPT 238   // "Insert Media"

// Icons.
#define IDI_PROGRAM 128  // the windows' icon (the resource module's)

// Controls of the fatal-error dialog.
#define IDC_FATAL_DETAILS_BUTTON 1068
#define IDC_FATAL_ICON 1069
#define IDC_FATAL_DETAILS 1070

// Controls of the media prompt.
#define IDC_MEDIA_PROMPT_TEXT 1072
#define IDC_MEDIA_FOLDER 1073
#define IDC_MEDIA_BROWSE 1074
#define IDC_MEDIA_ERROR 1076

// Controls of the wizard's frame: Back, Next, Cancel and the line above them.
#define IDC_FRAME_BACK 1000
#define IDC_FRAME_NEXT 3
#define IDC_FRAME_CANCEL IDCANCEL
#define IDC_FRAME_SEPARATOR 1066
// The welcome page's loading bar.
#define IDC_LOADING_BAR 1045

// The pages' accelerators (the program's own) and their commands.
#define IDR_PAGE_ACCELERATORS 234
#define ID_PAGE_DEBUG_DIALOG 32785   // Ctrl+Shift+D
#define ID_PAGE_SHOW_HIDDEN 32786    // Ctrl+Shift+A

// Texts of the wizard's frame and pages.
#define IDS_CONFIRM_CANCEL 124      // "Are you sure you want to cancel?"
#define IDS_LOADING_TEXT 127        // the welcome page's loading line
#define IDS_BACK_CAPTION 136
#define IDS_NEXT_CAPTION 137
#define IDS_SAVE_RICH_TEXT_FILTER 165

// Strings of the application shell.
#define IDS_INSTALLER_PATH_INVALID 3
#define IDS_SPEC_FILE_MISSING 4
#define IDS_SIZE_UNIT_BYTES 142  // the byte-size units in order
#define IDS_SIZE_UNIT_KB 143
#define IDS_SIZE_UNIT_MB 144
#define IDS_SIZE_UNIT_GB 145
#define IDS_LANGUAGE_GERMAN 166
#define IDS_LANGUAGE_ENGLISH 168
#define IDS_LANGUAGE_FRENCH 170
#define IDS_LANGUAGE_JAPANESE 177
#define IDS_LANGUAGE_KOREAN 180
#define IDS_LANGUAGE_CHINESE_TRADITIONAL 184
#define IDS_LANGUAGE_CHINESE_SIMPLIFIED 185
#define IDS_LANGUAGE_DUTCH 187
#define IDS_DEPENDENCY_NAME_VERSION 223  // a vendor product's name with its minimum version
#define IDS_DEPENDENCY_OPTIONAL 224      // the header of an unsatisfied optional dependency
#define IDS_DEPENDENCY_REQUIRED 225      // the header of an unsatisfied required dependency
#define IDS_INSTALLER_CAPTION 227
#define IDS_OS_REQUIREMENTS 234
#define IDS_SOURCE_LIST_DISK_PROMPT 254  // a product's cached source list asks for the medium
#define IDS_BROWSE_FOLDER_LABEL 256  // the folder browser's texts as the media prompts set them
#define IDS_BROWSE_SELECT 257
#define IDS_BROWSE_LOOK_IN 258
#define IDS_INSERT_SOURCE_CAPTION 259  // the media prompts' caption
#define IDS_DISK_PROMPT 264
#define IDS_DEFAULT_DISK_LABEL 265
#define IDS_WRONG_VOLUME 267  // a media prompt's folder holds another medium
#define IDS_END_ERROR_EXIT_TEXT 269  // the end page's default exit texts
#define IDS_END_USER_EXIT_TEXT 270
#define IDS_DESTINATION_DIRECTORY 280
#define IDS_ENGINE_CORRUPT 281
#define IDS_ERROR_CAPTION 5002
#define IDS_DLL_NOT_FOUND 5007
#define IDS_PROCEDURE_NOT_FOUND 5008
#define IDS_UNHANDLED_MSI_ERROR 5011
#define IDS_UNHANDLED_WINDOWS_ERROR 5012
#define IDS_ENGINE_RESTART_QUESTION 40000
#define IDS_ENGINE_RESTART_NOTICE 40001
#define IDS_ENGINE_INSTALL_FAILED 40002
#define IDS_ENGINE_NEEDS_SERVICE_PACK_6 40004
#define IDS_ENGINE_RESTART_QUESTION_REMOVABLE 40005
#define IDS_ENGINE_RESTART_QUESTION_NETWORK 40006

// The command line's usage text.
#define IDS_USAGE 30000

// Error texts that the code loads by id (the other error templates are found by the error's
// own code).
#define IDS_MISSING_EXPORT 5001
#define IDS_PATH_CHARACTERS_INVALID 11013
#define IDS_NO_ADMIN_PRIVILEGES 12004

// The folder browser.
#define IDS_CREATE_FOLDER_QUESTION 126  // a typed folder does not exist: create it?
#define IDS_CANCEL_CAPTION 138
#define IDS_INITIAL_FOLDER_INVALID 51802
#define IDS_FOLDER_CREATE_FAILED 51804

// The disk-cost dialog ("Disk Usage").
#define IDD_DISK_COST 178
#define IDC_DISK_COST_RECALCULATE 1048
#define IDC_DISK_COST_LIST 1049
#define IDC_DISK_COST_WARNING 1051
#define IDS_DISK_COST_VOLUME 146  // the list's column headings in order
#define IDS_DISK_COST_AVAILABLE 147
#define IDS_DISK_COST_REQUIRED 148
#define IDS_DISK_COST_REMAINING 149
#define IDS_FREE_SPACE_UNKNOWN 504

// The path edit's question after a refused folder.
#define IDS_RESET_PATH_QUESTION 128

// The installation-type page: its template, banner texts and the icons of the kinds of type.
#define IDD_INSTALLATION_TYPE_PAGE 137
#define IDS_INSTALLATION_TYPE_TITLE 112     // "Select Installation Option"
#define IDS_INSTALLATION_TYPE_SUBTITLE 113  // "Select one of the following options."
#define IDI_INSTALL_COMPLETE 236
#define IDI_INSTALL_TYPICAL 237
#define IDI_INSTALL_CUSTOM 503

// The destination-directory page: its template, banner texts, the rows' Browse caption and the
// folder browser's title.
#define IDD_SINGLE_DIRECTORY_PAGE 136
#define IDS_SINGLE_DIRECTORY_TITLE 110     // "Destination Directory"
#define IDS_SINGLE_DIRECTORY_SUBTITLE 111  // "Select the primary installation directory."
#define IDS_BROWSE_CAPTION 134             // "Browse..."
#define IDS_BROWSE_FOLDER_TITLE 255        // "Select a folder"
