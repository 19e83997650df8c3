// Control, bitmap and help ids of the module's dialogs. Plain macros: the
// resource scripts include this file too. The ids are the same in a local
// template and its English twin, so no dialog procedure depends on the set.
#pragma once

// Every template.
#define ZV_ID_OK 1
#define ZV_ID_CANCEL 2
#define ZV_ID_HELP 145

// Tick boxes of the owner-drawn overlay lists: empty and ticked, 11 by 11.
#define ZV_BITMAP_TICK_EMPTY 100
#define ZV_BITMAP_TICK_SET 101

// Front/back radio buttons (NEWFORM, NEWFILE and the edit form dialogs).
#define ZV_ID_TO_FRONT 1001
#define ZV_ID_TO_BACK 1002

// DETAIL: the named forms and the selected form's description.
#define ZV_ID_DETAIL_FORM_LIST 2400
#define ZV_ID_DETAIL_DESCRIPTION 2401

// DETAIL1: the overlay data file, Browse and its description.
#define ZV_ID_SELECTION_FILE 2503
#define ZV_ID_SELECTION_BROWSE 2504
#define ZV_ID_SELECTION_DESCRIPTION 2506

// NEWFORM.
#define ZV_ID_NEWFORM_NAME 2100
#define ZV_ID_NEWFORM_DESCRIPTION 2101
#define ZV_ID_NEWFORM_CHANGE_DIRECTORY 2102
#define ZV_ID_NEWFORM_SAVE_TO 2103
#define ZV_ID_NEWFORM_BROWSE 2104

// NEWFILE.
#define ZV_ID_NEWFILE_FILE 2200
#define ZV_ID_NEWFILE_BROWSE 2201
#define ZV_ID_NEWFILE_DESCRIPTION 2202

// FORMINFO.
#define ZV_ID_SETTINGS_LIST_LABEL 2303
#define ZV_ID_SETTINGS_DESCRIPTION 2304
#define ZV_ID_SETTINGS_PAPER 2305
#define ZV_ID_SETTINGS_ORIENTATION 2306
#define ZV_ID_SETTINGS_OVERLAY_LIST 2307
#define ZV_ID_SETTINGS_LAYER 2308
#define ZV_ID_SETTINGS_FORM_LIST 2312
#define ZV_ID_SETTINGS_ADD 2313
#define ZV_ID_SETTINGS_USE_FORM_NAME 2314
#define ZV_ID_SETTINGS_COLUMNS 2316       // local template only: the column headers
#define ZV_ID_SETTINGS_GRAPHIC_MODE 2317  // local template only: "(Modo Gráfico)"

// EDIT: the edit form dialog.
#define ZV_ID_EDIT_USE_FORM_NAME 1101
#define ZV_ID_EDIT_FORM_LABEL 1102
#define ZV_ID_EDIT_FILE_LABEL 1103
#define ZV_ID_EDIT_FILE 1104
#define ZV_ID_EDIT_CHANGE 1105
#define ZV_ID_EDIT_DELETE 1106
#define ZV_ID_EDIT_REGISTER 1107
#define ZV_ID_EDIT_FORM_LIST 1108
#define ZV_ID_EDIT_DESCRIPTION 1109
#define ZV_ID_EDIT_BROWSE 1110

// EDIT1: the delete form data dialog.
#define ZV_ID_DELETE_FORM 1202
#define ZV_ID_DELETE_OVERLAYS 1203
#define ZV_ID_DELETE_LIST 1204
#define ZV_ID_DELETE_COLUMNS 1005       // local template only: the column titles
#define ZV_ID_DELETE_GRAPHIC_MODE 2317  // local template only: "(Modo Gráfico)"

// EDIT2: the register existing form dialog.
#define ZV_ID_REGISTER_PAPER_FIXED_LABEL 1019
#define ZV_ID_REGISTER_PAPER_LABEL 1020
#define ZV_ID_REGISTER_SAVE_TO 1021
#define ZV_ID_REGISTER_CHANGE_DIRECTORY 1022
#define ZV_ID_REGISTER_SAVE_TO_LABEL 1023
#define ZV_ID_REGISTER_FORM_LAYER 1301
#define ZV_ID_REGISTER_BROWSE 1302
#define ZV_ID_REGISTER_FORM_NAME 1303
#define ZV_ID_REGISTER_PAPER 1304
#define ZV_ID_REGISTER_FORM_ORIENTATION 1305
#define ZV_ID_REGISTER_FORM_PAPER 1306
#define ZV_ID_REGISTER_FILE 1307
#define ZV_ID_REGISTER_FILE_PAPER 1308
#define ZV_ID_REGISTER_FILE_ORIENTATION 1310
#define ZV_ID_REGISTER_FORM_DESCRIPTION 1311
#define ZV_ID_REGISTER_FILE_DESCRIPTION 1312
#define ZV_ID_REGISTER_PORTRAIT 1313
#define ZV_ID_REGISTER_LANDSCAPE 1314

// EDIT3: the change form dialog.
#define ZV_ID_CHANGE_NAME 1401
#define ZV_ID_CHANGE_SAVE_TO_LABEL 1402
#define ZV_ID_CHANGE_FORM_LABEL 1403
#define ZV_ID_CHANGE_DESCRIPTION 1404
#define ZV_ID_CHANGE_SAVE_TO 1405
#define ZV_ID_CHANGE_DIRECTORY 1406
#define ZV_ID_CHANGE_FILE_LABEL 1407

// PRINTER: the printer list, opened by no operation.
#define ZV_ID_PRINTER_LIST 2600

// DIRECTORY: the directory picker's template for the system's open-file
// dialog; the ids are the open-file dialog's own.
#define ZV_ID_PICKER_NETWORK 1037      // psh14
#define ZV_ID_PICKER_READ_ONLY 1040    // chx1
#define ZV_ID_PICKER_DIR_LABEL 1088    // stc1
#define ZV_ID_PICKER_DRIVE_LABEL 1091  // stc4
#define ZV_ID_PICKER_FILE_LIST 1120    // lst1
#define ZV_ID_PICKER_DIR_LIST 1121     // lst2
#define ZV_ID_PICKER_FILE_TYPES 1136   // cmb1
#define ZV_ID_PICKER_DRIVES 1137       // cmb2
#define ZV_ID_PICKER_FILE_NAME 1152    // edt1

// Help context ids (HELP_CONTEXT).
#define ZV_HELP_FORM_DETAILS 300001
#define ZV_HELP_FORM_SELECTION 300002
#define ZV_HELP_SETTINGS_FORM_NAMES 300003
#define ZV_HELP_SETTINGS_FILES 300004
#define ZV_HELP_ADD_FORM 300005
#define ZV_HELP_FORM_FILE_SETTINGS 300006
#define ZV_HELP_EDIT_FORM_NAMES 300007
#define ZV_HELP_EDIT_FILES 300008
#define ZV_HELP_CHANGE_FORM_NAMES 300009
#define ZV_HELP_CHANGE_FILES 300010
#define ZV_HELP_DELETE_FORM_DATA 300011
#define ZV_HELP_REGISTER_EXISTING 300012
