/* Resource ids shared by the resource script and the code. */
#pragma once

#define IDI_APP 128
#define IDB_MSG_FRAME 129
#define IDB_MSG_CLOSE 130
#define IDB_PUSH_BUTTON 131
#define IDB_MAIN_BACKGROUND 132
#define IDB_MAIN_MINIMIZE 133
#define IDB_MAIN_CLOSE 134
#define IDB_PROGRESS 137
/* The skin bitmaps drawn for 200 % display scale: each the 100 % bitmap's id plus 1000. */
#define IDB_MSG_FRAME_200 1129
#define IDB_MSG_CLOSE_200 1130
#define IDB_PUSH_BUTTON_200 1131
#define IDB_MAIN_BACKGROUND_200 1132
#define IDB_MAIN_MINIMIZE_200 1133
#define IDB_MAIN_CLOSE_200 1134
#define IDB_PROGRESS_200 1137
/* Message kinds' icons; windows.h has IDI_INFORMATION and its kin for the system's own. */
#define IDI_MSG_INFORMATION 139
#define IDI_MSG_ERROR 140
#define IDI_MSG_WARNING 141
#define IDI_MSG_QUESTION 148

#define IDD_INSTALLER 102
#define IDD_MESSAGE 138
#define IDR_TRAY_MENU 132

#define IDC_INSTALL 1007
#define IDC_BACKGROUND 1008
#define IDC_CLOSE 1012
#define IDC_MINIMIZE 1014
#define IDC_TITLE 1015
#define IDC_STATUS 1019
#define IDC_SIZE_CAPTION 1020
#define IDC_SIZE_VALUE 1021
#define IDC_AMOUNT_CAPTION 1022
#define IDC_AMOUNT 1023
#define IDC_SPEED_CAPTION 1024
#define IDC_SPEED 1025
#define IDC_PROMOTION 1026
#define IDC_NOTICE 1027
#define IDC_MSG_CLOSE 1032

#define ID_TRAY_OPEN 32771
#define ID_TRAY_EXIT 32772
