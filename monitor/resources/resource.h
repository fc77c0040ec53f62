// Every id of the monitor in one place: resources, controls and commands (plain defines, which the
// resource compiler reads too), and the private window messages and timers (for the code only).
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
#define IDD_OPTIONS 129
#define IDR_TRAYMENU 131
#define IDB_MENU_ABOUT 132
#define IDB_MENU_HOMEPAGE 133
#define IDD_STATISTIC 135
#define IDD_PLANS 140
#define IDD_PLAN_EDIT 141
#define IDD_DAILY_CHART 150
#define IDD_SPEED_GRAPH 151
#define IDR_STRIPMENU 152

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
#define IDC_MAIN_PLAN 1080
#define IDC_MAIN_PLAN_LABEL 1081

// ---- About box (dialog 100) ----
#define IDC_ABOUT_VERSION 1042
#define IDC_ABOUT_HOMEPAGE 1043
#define IDC_ABOUT_RIGHTS 1044
#define IDC_ABOUT_DESCRIPTION 1045

// ---- Options (dialog 129) ----
#define IDC_OPT_HIDE_IDLE 1022
#define IDC_OPT_QUANTITY_UNIT 1023
#define IDC_OPT_SPEED_UNIT 1024
#define IDC_OPT_QUANTITY_DEC 1027
#define IDC_OPT_SPEED_DEC 1028
#define IDC_OPT_IDLE_TIME 1029
#define IDC_OPT_PREFER_ACTIVE 1030
#define IDC_OPT_PREFER_ADAPTER 1031
#define IDC_OPT_MINTRAY 1033
#define IDC_OPT_LAUNCH 1034
#define IDC_OPT_IDLE_LABEL 1035
#define IDC_OPT_IDLE_UNIT 1036
#define IDC_OPT_REFRESH 1041
#define IDC_OPT_MINCLOSE 1057
#define IDC_OPT_KEEP_DAYS 1060
#define IDC_OPT_KEEP_UNIT 1061
#define IDC_OPT_KEEP_LABEL 1062
#define IDC_OPT_QUANTITY_LABEL 1063
#define IDC_OPT_SPEED_LABEL 1064
#define IDC_OPT_QUANTITY_DEC_LABEL 1065
#define IDC_OPT_SPEED_DEC_LABEL 1066
#define IDC_OPT_PRESENTATION_GROUP 1067
#define IDC_OPT_PREFER_GROUP 1068
#define IDC_OPT_REFRESH_LABEL 1069
#define IDC_OPT_REFRESH_UNIT 1070

// ---- Statistics (dialog 135) ----
#define IDC_STAT_DOWNLOAD_TOTAL 1009
#define IDC_STAT_DAY_VIEW 1022
#define IDC_STAT_FIRST_DAY 1047
#define IDC_STAT_LAST_DAY 1048
#define IDC_STAT_LIST 1049
#define IDC_STAT_UPLOAD_TOTAL 1051
#define IDC_STAT_REFRESH 1052
#define IDC_STAT_DAY_SPIN 1054
#define IDC_STAT_TO_LABEL 1055
#define IDC_STAT_FROM_LABEL 1056
#define IDC_STAT_UPTIME 1057
#define IDC_STAT_DOWNLOAD_LABEL 1058
#define IDC_STAT_UPLOAD_LABEL 1059
#define IDC_STAT_UPTIME_LABEL 1060
#define IDC_STAT_PROBLEM 1075
#define IDC_STAT_CHART 1100

// ---- Daily traffic (dialog 150) and Speed graph (dialog 151) ----
#define IDC_CHART_CANVAS 1101
#define IDC_CHART_STATUS 1102
#define IDC_SPEED_CANVAS 1103
#define IDC_SPEED_FIGURES 1104
#define IDC_CHART_SLOTS 1105
#define IDC_SPEED_RANGE 1106

// ---- Data plans (dialogs 140 and 141) ----
#define IDC_PLANS_LIST 1082
#define IDC_PLANS_ADD 1083
#define IDC_PLANS_EDIT 1084
#define IDC_PLANS_REMOVE 1085
#define IDC_PLANS_DETAIL 1086
#define IDC_PLAN_NAME 1087
#define IDC_PLAN_MATCH_KIND 1088
#define IDC_PLAN_MATCH_VALUE 1089
#define IDC_PLAN_PERIOD 1090
#define IDC_PLAN_START 1091
#define IDC_PLAN_END 1092
#define IDC_PLAN_LIMIT 1093
#define IDC_PLAN_LIMIT_UNIT 1094
#define IDC_PLAN_COUNT 1095
#define IDC_PLAN_WARN 1096
#define IDC_PLAN_END_LABEL 1097
#define IDC_PLAN_MATCH_VALUE_LABEL 1098

// ---- Commands of the main window: system menu and tray menu ----
#define IDM_ABOUTBOX 0x0010
#define IDM_PLANS 0x0020
#define ID_TRAY_RESTORE 32771
#define ID_TRAY_EXIT 32772
#define ID_TRAY_ABOUT 32773
#define ID_TRAY_HOMEPAGE 32774
#define ID_TRAY_PLANS 32775
#define ID_TRAY_SPEEDGRAPH 32776
#define ID_TRAY_SPEEDICON 32777
#define ID_TRAY_SPEEDSTRIP 32778
#define IDM_SPEEDGRAPH 0x0030
#define IDM_SPEEDICON 0x0040
#define IDM_SPEEDSTRIP 0x0050

// ---- Commands of the speed strip's own menu ----
#define ID_STRIP_SUM 32790
#define ID_STRIP_OPACITY_100 32791
#define ID_STRIP_OPACITY_80 32792
#define ID_STRIP_OPACITY_60 32793

#ifndef RC_INVOKED
#include <cstdint>

namespace tral::win32 {

// The system's bases of private message numbers, spelled out so that portable code that names
// the ids (the views, the forms) builds without the system headers.
inline constexpr unsigned kWmUser = 0x0400;  // WM_USER
inline constexpr unsigned kWmApp = 0x8000;  // WM_APP

// ---- Private window messages ----
// Asks the running main window to save its position and close (sent by "uninstallme").
inline constexpr unsigned kCloseRequestMessage = kWmUser + 3;
// Sent to the statistics window whenever a check mark flips; it shows the totals again.
inline constexpr unsigned kStatisticTotalsMessage = kWmUser + 32;
// The notification-area icon's callback.
inline constexpr unsigned kTrayNotifyMessage = kWmApp + 11;
// Posted by the poll thread when a poll has finished.
inline constexpr unsigned kPollDoneMessage = kWmApp + 20;
// Answered with the number of data-plan alert balloons the shell took in this run, so that a test
// driving the program from outside can count them (the balloons of another process's icon cannot
// be read back).
inline constexpr unsigned kPlanAlertCountMessage = kWmApp + 30;

// ---- Timers of the main window, and the icon in the notification area ----
inline constexpr std::uintptr_t kClickTimerId = 22;  // tells a single click on the tray icon from a double click
inline constexpr std::uintptr_t kRefreshTimerId = 45;  // the poll, every `refresh` seconds
inline constexpr std::uintptr_t kHideTimerId = 46;  // hides the window after it was minimised to the tray
inline constexpr std::uintptr_t kAlertIconTimerId = 60;  // hides the icon shown for an alert once its balloon is gone
inline constexpr unsigned kTrayIconId = IDR_TRAYMENU;  // the icon's id is the id of its menu

}  // namespace tral::win32
#endif  // !RC_INVOKED && _WIN32

#endif  // TRALDENVIEW_RESOURCE_H
