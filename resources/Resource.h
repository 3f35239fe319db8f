#pragma once

// Resource and control IDs, numbered as in the original resource script so that the
// template tables, the command table and the tests all speak of the same controls.

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;

constexpr int IDD_ABOUTBOX = 100;
constexpr int IDS_ABOUTBOX = 101;
constexpr int IDD_MAIN = 102;
constexpr int IDR_MAINFRAME = 131;

constexpr int IDC_OPEN_M3U = 1001;
constexpr int IDC_M3U_LABEL = 1002;
constexpr int IDC_SELECT_DIR = 1003;
constexpr int IDC_BEGIN_SCAN = 1004;
constexpr int IDC_BASEDIR_LABEL = 1006;
constexpr int IDC_FILE_LIST = 1007;
constexpr int IDC_PROGRESS = 1011;
constexpr int IDC_SELECT_PROMPT = 1013;
constexpr int IDC_DELETE_FILES = 1014;
constexpr int IDC_SELECT_ALL = 1015;
constexpr int IDC_DESELECT_ALL = 1016;
constexpr int IDC_STATUS = 1017;
constexpr int IDC_PLAYLIST_CHECK = 1018;
constexpr int IDC_MOVE_TO_TRASH = 1019;
constexpr int IDC_REMOVE_EMPTY = 1020;
constexpr int IDC_ALL_AUDIO = 1021;

// Controls of the about box that have no ID of their own in the original.
constexpr int IDC_ABOUT_ICON = 1100;
constexpr int IDC_ABOUT_VERSION = 1101;
constexpr int IDC_ABOUT_CREDITS = 1102;

constexpr int IDM_ABOUTBOX = 0x0010;
