// Resource and control ids of the monitor, shared by the resource script and the code.
// Plain defines only: the resource compiler reads this file too.
#ifndef TRALDENVIEW_RESOURCE_H
#define TRALDENVIEW_RESOURCE_H

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// ---- Resources ----
#define IDD_ABOUT 100
#define IDS_ABOUTBOX 101
#define IDD_MAIN 102
#define IDR_MAINFRAME 128

// ---- Main window (dialog 102) ----
#define IDC_MAIN_PREVIOUS 1000
#define IDC_MAIN_NEXT 1001
#define IDC_MAIN_DESCRIPTION 1002
#define IDC_MAIN_HARDWARE 1005
#define IDC_MAIN_IP_LABEL 1006
#define IDC_MAIN_IP 1007
#define IDC_MAIN_DOWNLOADED_LABEL 1008
#define IDC_MAIN_DOWNLOADED 1009
#define IDC_MAIN_UPLOADED 1010
#define IDC_MAIN_DOWNLOAD_SPEED 1011
#define IDC_MAIN_UPLOAD_SPEED 1012
#define IDC_MAIN_STATISTIC 1013
#define IDC_MAIN_STATUS 1014
#define IDC_MAIN_OPTIONS 1015
#define IDC_MAIN_HARDWARE_LABEL 1016
#define IDC_MAIN_BSSID 1018
#define IDC_MAIN_SSID_LABEL 1019
#define IDC_MAIN_SSID 1020
#define IDC_MAIN_BSSID_LABEL 1021
#define IDC_MAIN_TOPMOST 1022
#define IDC_MAIN_DOWNLOADED_UNIT 1037
#define IDC_MAIN_UPLOADED_UNIT 1038
#define IDC_MAIN_DOWNLOAD_SPEED_UNIT 1039
#define IDC_MAIN_UPLOAD_SPEED_UNIT 1040
#define IDC_MAIN_ADAPTER_GROUP 1071
#define IDC_MAIN_WIRELESS_GROUP 1072
#define IDC_MAIN_UPLOADED_LABEL 1073
#define IDC_MAIN_ICON 1074

// ---- About box (dialog 100) ----
#define IDC_ABOUT_VERSION 1042
#define IDC_ABOUT_HOMEPAGE 1043
#define IDC_ABOUT_RIGHTS 1044
#define IDC_ABOUT_DESCRIPTION 1045

// ---- Commands of the main window: system menu and tray menu ----
#define IDM_ABOUTBOX 0x0010
#define ID_TRAY_RESTORE 32771
#define ID_TRAY_EXIT 32772
#define ID_TRAY_ABOUT 32773
#define ID_TRAY_HOMEPAGE 32774

#endif  // TRALDENVIEW_RESOURCE_H
