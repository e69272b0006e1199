// Ids of the program's resources that the code names: shared by the resource scripts in this
// folder and the code (the language modules carry strings and templates of the same ids).
// Plain macros, so that the resource compiler reads them too.
#pragma once

// Dialog templates.
#define IDD_TOP_DIALOG 132     // the wizard's frame
#define IDD_WELCOME_PAGE 134   // the welcome page
#define IDD_LICENSE_PAGE 135   // the licence pages
#define IDD_USER_INFO_PAGE 141 // the user-information page
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

// The user-information page: the name and organisation edits with their labels, the extra text.
#define IDC_USER_NAME 1033
#define IDC_USER_COMPANY 1034
#define IDC_USER_EXTRA_TEXT 1088
#define IDC_USER_NAME_LABEL 1089
#define IDC_USER_COMPANY_LABEL 1090
// The licence pages: the text, accept and decline (one group), the tabs of several texts and
// the notice of a beta distribution.
#define IDC_LICENSE_TEXT 1014
#define IDC_LICENSE_ACCEPT 1015
#define IDC_LICENSE_DECLINE 1016
#define IDC_LICENSE_TABS 1099
#define IDC_LICENSE_BETA_NOTICE 1100

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
#define IDS_USER_INFO_TITLE 106
#define IDS_USER_INFO_SUBTITLE 107
#define IDS_LICENSE_TITLE 108
#define IDS_LICENSE_SUBTITLE 109
#define IDS_LICENSE_ACCEPT_SEVERAL 153   // "I accept the above %d License Agreement(s)."
#define IDS_LICENSE_DECLINE_SEVERAL 154
#define IDS_CANNOT_OPEN_FILE 505         // "Cannot open file: %1"

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

// The installation-type page: its template and banner texts (the types' icons are
// IDI_INSTALL_COMPLETE, IDI_INSTALL_TYPICAL and IDI_INSTALL_CUSTOM below).
#define IDD_INSTALLATION_TYPE_PAGE 137
#define IDS_INSTALLATION_TYPE_TITLE 112     // "Select Installation Option"
#define IDS_INSTALLATION_TYPE_SUBTITLE 113  // "Select one of the following options."

// The destination-directory page: its template, banner texts, the rows' Browse caption and the
// folder browser's title.
#define IDD_SINGLE_DIRECTORY_PAGE 136
#define IDS_SINGLE_DIRECTORY_TITLE 110     // "Destination Directory"
#define IDS_SINGLE_DIRECTORY_SUBTITLE 111  // "Select the primary installation directory."
#define IDS_BROWSE_CAPTION 134             // "Browse..."
#define IDS_BROWSE_FOLDER_TITLE 255        // "Select a folder"

// The feature tree: layers of the items' composite images, the state icons and the icons and
// texts of the items' menus (icons of 32 by 16 pixels, from the program's module).
#define IDI_FEATURE_BASE 500
#define IDI_FEATURE_BASE_MIXED 501     // visible descendants act differently
#define IDI_FEATURE_MENU_ARROW 502
#define IDI_FEATURE_BROKEN 505         // the feature breaks installed products' dependencies
#define IDI_FEATURE_SUBTREE_BROKEN 506 // a visible descendant does
#define IDI_STATE_WILL_BE_ABSENT 172
#define IDI_STATE_WILL_BE_LOCAL 163
#define IDI_STATE_ABSENT 249
#define IDI_STATE_LOCAL 248
#define IDI_STATE_SOURCE_CD 164
#define IDI_STATE_SOURCE_NETWORK 165
#define IDI_STATE_ADVERTISED 166
#define IDI_STATE_BLOCKED_NEWER 153
#define IDI_STATE_BLOCKED_INCOMPATIBLE 508
#define IDI_MENU_ABSENT 154
#define IDI_MENU_LOCAL 156
#define IDI_MENU_SOURCE 157
#define IDI_MENU_NETWORK 158
#define IDI_MENU_ADVERTISE 159
#define IDI_MENU_LOCAL_ALL 160
#define IDI_MENU_SOURCE_ALL 161
#define IDI_MENU_NETWORK_ALL 162
#define IDI_MENU_DEPENDENTS 504
#define IDI_MENU_BROKEN 507
#define IDI_INSTALL_COMPLETE 236  // a linked distribution's (or an installation type's) choices
#define IDI_INSTALL_TYPICAL 237
#define IDI_INSTALL_CUSTOM 503
#define IDS_MENU_INSTALL_LOCAL 235
#define IDS_MENU_INSTALL_LOCAL_ALL 236
#define IDS_MENU_INSTALL_SOURCE 237
#define IDS_MENU_INSTALL_SOURCE_ALL 238
#define IDS_MENU_INSTALL_NETWORK 239
#define IDS_MENU_INSTALL_NETWORK_ALL 240
#define IDS_MENU_ADVERTISE 241
#define IDS_MENU_REMOVE 242
#define IDS_MENU_LEAVE_LOCAL 243
#define IDS_MENU_LEAVE_LOCAL_ALL 244
#define IDS_MENU_LEAVE_SOURCE 245
#define IDS_MENU_LEAVE_SOURCE_ALL 246
#define IDS_MENU_LEAVE_NETWORK 247
#define IDS_MENU_LEAVE_NETWORK_ALL 248
#define IDS_MENU_LEAVE_ADVERTISED 249
#define IDS_MENU_LEAVE_ABSENT 250
#define IDS_MENU_SHOW_DEPENDENTS 273
#define IDS_MENU_SHOW_BROKEN 275

// The run's pages: progress, end execute, end, and the restart dialog.
#define IDD_PROGRESS_PAGE 139
#define IDD_END_PAGE 140
#define IDD_RESTART 244
#define IDD_END_EXECUTE_PAGE 259
#define IDI_RESTART 245
#define IDC_PROGRESS_OVERALL 1038    // the overall bar
#define IDC_PROGRESS_ACTION_BAR 1039
#define IDC_PROGRESS_ACTION 1040     // the action line
#define IDC_PROGRESS_LABEL 1075      // "Overall Progress"
#define IDC_PROGRESS_STATUS 1097     // the status text
#define IDC_END_CHECKBOX 1098
#define IDC_END_EXECUTE_BAR 1101
#define IDC_END_EXECUTE_TEXT 1103
#define IDC_RESTART_NOW 3
#define IDC_RESTART_SHUT_DOWN 1083
#define IDC_RESTART_LATER IDCANCEL
#define IDS_INSTALLING_PART 125      // "Currently installing %1.  Part %2 of %3."
#define IDS_EMPTY_SUBTITLE 132
#define IDS_UNINSTALLING_PART 158
#define IDS_FINISH_CAPTION 160
#define IDS_INSTALLATION_CANCELLED 161
#define IDS_INSTALLATION_FAILED 162
#define IDS_INSTALLATION_COMPLETE 163
#define IDS_CURRENTLY_EXECUTING 186
#define IDS_INITIALIZING_LINKED 268
#define IDS_ANOTHER_INSTALLER_RUNNING 20002
#define IDS_ABORTED_AT_YOUR_REQUEST 20003
#define IDS_PART_FAILED 20004
#define IDS_PART_FAILED_WITH_ERROR 20005

// The feature page's dialogs: broken dependencies, dependent features and the feature peek.
#define IDD_FEATURE_DEPENDENTS 242
#define IDD_FEATURE_BROKEN_DEPENDENCIES 243
#define IDD_FEATURE_PEEK IDD_FONT_TEMPLATE  // the design font's template too
#define IDC_BROKEN_CLOSE IDOK
#define IDC_BROKEN_FIX 1079
#define IDC_BROKEN_LIST 1080
#define IDC_DEPENDENTS_CLOSE IDCANCEL
#define IDC_DEPENDENTS_DESELECT 3
#define IDC_DEPENDENTS_LIST 1057
#define IDC_PEEK_CLOSE IDCANCEL
#define IDC_PEEK_PROPERTIES 1061
#define IDC_PEEK_TITLE 1062
#define IDC_PEEK_KEY 1063
#define IDC_PEEK_LEVEL 1064
#define IDC_PEEK_GROUP 1065
#define IDS_INSTALLED_PRODUCT_DEPENDENTS 266  // "Installed ZK Products not in this distribution."
#define IDS_SYSTEM_COMPONENT_DEPENDENTS 272
#define IDS_DEPENDENTS_HEADER 274
#define IDS_BROKEN_DEPENDENCIES_HEADER 276
#define IDS_BROKEN_DEPENDENCIES_FIX_HINT 277
#define IDS_INSTALLED_PRODUCTS_COLUMN 278

// The confirmation page: the summary and the instruction below it.
#define IDD_CONFIRM_START 138
#define IDC_CONFIRM_SUMMARY 1081
#define IDC_CONFIRM_INSTRUCTION 1096
#define IDS_SAVE_FILE_CAPTION 164  // "&Save File..." (the pages with rich text)
#define IDS_CONFIRM_TITLE 116
#define IDS_CONFIRM_SUBTITLE 117
// The summary's block titles and texts.
#define IDS_SUMMARY_NO_LONGER_AVAILABLE 1
#define IDS_SUMMARY_NOT_AVAILABLE 2
#define IDS_SUMMARY_CANNOT_INSTALL 156
#define IDS_SUMMARY_64BIT_INCOMPATIBLE 157
#define IDS_SUMMARY_ONLY_FOLLOWING 159
#define IDS_SUMMARY_ADDING 167
#define IDS_SUMMARY_REMOVING 169
#define IDS_SUMMARY_BROKEN_PRODUCTS 171
#define IDS_SUMMARY_NOTHING_TITLE 172
#define IDS_SUMMARY_BROKEN_INTRO 173
#define IDS_SUMMARY_BROKEN_ADVICE 174
#define IDS_SUMMARY_NOTHING_TEXT 175
#define IDS_SUMMARY_PROMPTS 176
#define IDS_SUMMARY_PROMPTS_INTRO 178
#define IDS_SUMMARY_SYSTEM_COMPONENTS 179
#define IDS_SUMMARY_HIGHER_VERSION 181
#define IDS_SUMMARY_INCOMPATIBLE 182
#define IDS_SUMMARY_ALL_OF 183
#define IDS_SUMMARY_UPGRADING 228
#define IDS_SUMMARY_VENDOR_COMPONENTS 272
#define IDS_SUMMARY_COMPONENTS_OF 11014
#define IDS_SUMMARY_WARNING 51803

// The feature-information pages.
#define IDD_FEATURE_INFO 239
#define IDC_FEATURE_INFO_TEXT 1077
#define IDS_FEATURE_INFO_TITLE 118
#define IDS_FEATURE_INFO_SUBTITLE_FIRST 119
#define IDS_FEATURE_INFO_SUBTITLE 120
#define IDS_FEATURE_INFO_FATAL_TITLE 121
#define IDS_FEATURE_INFO_FATAL_ONE 122
#define IDS_FEATURE_INFO_FATAL_MANY 123

// The feature page: its template and controls, the state pictures and its texts.
#define IDD_FEATURE_PAGE 102
#define IDC_FEATURE_TREE 1001
#define IDC_FEATURE_ACTION 1002       // what will happen to the selected feature
#define IDC_FEATURE_DESCRIPTION 1003
#define IDC_FEATURE_FOLDER_LABEL 1004 // "Directory for %1"
#define IDC_FEATURE_FOLDER 1005
#define IDC_FEATURE_BROWSE 1006
#define IDC_FEATURE_COST 1008
#define IDB_STATE_SOURCE_CD 225
#define IDB_STATE_SOURCE_NETWORK 226
#define IDB_STATE_LOCAL 227
#define IDB_STATE_REMOVED 228
#define IDB_STATE_ADVERTISED 229
#define IDB_STATE_NOT_INSTALLED 230
#define IDB_STATE_ARROW 231
#define IDB_STATE_WAS_ABSENT 232
#define IDB_STATE_BLOCKED_NEWER 257
#define IDS_FEATURES_TITLE 129
#define IDS_FEATURES_SUBTITLE 130
#define IDS_DISK_COST_BUTTON 150
#define IDS_RESTORE_DEFAULTS_BUTTON 151
#define IDS_FEATURE_ACTION_FIRST 201  // the action sentences 201 to 222
#define IDS_FEATURE_NOT_INSTALLED 226
#define IDS_FEATURE_COST_REQUIRE 231
#define IDS_FEATURE_COST_FREE 233
#define IDS_BROWSE_TITLE 255
#define IDS_LINKED_NOT_PROMPTED 260
#define IDS_LINKED_CUSTOM 261
#define IDS_LINKED_TYPICAL 262
#define IDS_LINKED_COMPLETE 263
#define IDS_DIRECTORY_FOR 279
#define IDS_FEATURE_COSTING 503
#define IDS_FEATURE_BLOCKED_NEWER 30003
#define IDS_FEATURE_BLOCKED_INCOMPATIBLE 30004
