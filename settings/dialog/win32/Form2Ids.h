/* The dialog templates and control identifiers of the configuration
   dialog, shared by its resource script and its code (so plain macros:
   the resource compiler reads this file too). */
#pragma once

#define IDD_FORM2 100
#define IDD_PAGE_SETTINGS 101
#define IDD_PAGE_DISPLAY 102
#define IDD_PAGE_TIME 103
#define IDD_PAGE_CLOCK 104

/* The window: header, pages, bottom row. OK and Cancel are not IDOK and
   IDCANCEL, which Enter and Esc would click. */
#define IDC_PICTURE 1000
#define IDC_TITLE 1001
#define IDC_VERSION 1002
#define IDC_LINK_WEB 1003
#define IDC_MAIL 1004
#define IDC_LINK_MAIL 1005
#define IDC_NOTICE 1006
#define IDC_PAGES 1007
#define IDC_DEFAULT 1008
#define IDC_OK 1009
#define IDC_CANCEL 1010

/* Page "Settings". */
#define IDC_GROUP_SOUND 1100
#define IDC_PLAY_SOUND 1101
#define IDC_GROUP_FPS 1102
#define IDC_SHOW_FPS 1103
#define IDC_GROUP_TERMINATE 1104
#define IDC_KEY_MOUSE 1105
#define IDC_KEY_ONLY 1106
#define IDC_GROUP_SPEED 1107
#define IDC_SLOW 1108
#define IDC_NORMAL 1109
#define IDC_FAST 1110
#define IDC_GROUP_OBJECTS 1111
#define IDC_BIRDS_LABEL 1112
#define IDC_BIRDS 1113
#define IDC_BIRDS_SPIN 1114
#define IDC_SHOW_BIRDS 1115
#define IDC_SHOW_BUTTERFLY 1116

/* Page "Display": the five size buttons and three depth buttons have
   consecutive identifiers. */
#define IDC_GROUP_VIDEO 1200
#define IDC_MODE0 1201
#define IDC_GROUP_DEPTH 1210
#define IDC_DEPTH0 1211
#define IDC_GROUP_GAMMA 1220
#define IDC_DARKEN 1221
#define IDC_GAMMA 1222
#define IDC_LIGHTEN 1223
#define IDC_GAMMA_NOTE 1224

/* Page "Time of Day". */
#define IDC_GROUP_TIME 1300
#define IDC_TIME_OFF 1301
#define IDC_TIME_DEMO 1302
#define IDC_TIME_REAL 1303
#define IDC_GROUP_LINES 1304
#define IDC_SHOW_SIMULATED 1305
#define IDC_DEMO_LABEL 1306
#define IDC_SHOW_SUN_LINE 1307
#define IDC_GROUP_SUN 1308
#define IDC_CITY_LABEL 1309
#define IDC_CITY 1310
#define IDC_DAYLIGHT 1311
#define IDC_RISE_CAPTION 1312
#define IDC_RISE 1313
#define IDC_SET_CAPTION 1314
#define IDC_SET 1315
#define IDC_CITY_NOTE 1316

/* Page "Clock". */
#define IDC_GROUP_CLOCK 1400
#define IDC_SHOW_CLOCK 1401
#define IDC_GROUP_COLOR 1402
#define IDC_COLOR_PANEL 1403
#define IDC_SET_COLOR 1404
#define IDC_GROUP_POSITION 1405
#define IDC_X_LABEL 1406
#define IDC_X 1407
#define IDC_Y_LABEL 1408
#define IDC_Y 1409
#define IDC_GROUP_SIZE 1410
#define IDC_R_LABEL 1411
#define IDC_R 1412
#define IDC_CLOCK_NOTE 1413
