#include "DialogTemplates.h"

#include "Resource.h"

namespace {

constexpr ControlTemplate kMainControls[] = {
    {IDOK, "IDOK", ControlKind::PushButton, "E&xit", 250, 188, 50, 16, kStyleTabStop},
    {IDC_OPEN_M3U, "IDC_OPEN_M3U", ControlKind::PushButton, "Open m3u...", 7, 7, 51, 17, kStyleTabStop | kStyleDefault},
    {IDC_M3U_LABEL, "IDC_M3U_LABEL", ControlKind::Label, "M3U File:", 7, 27, 298, 12,
     kStyleDisabled | kStyleGroup | kStyleGrowWidth},
    {IDC_SELECT_DIR, "IDC_SELECT_DIR", ControlKind::PushButton, "Select Directory", 7, 41, 79, 18,
     kStyleDisabled | kStyleTabStop},
    {IDC_BASEDIR_LABEL, "IDC_BASEDIR_LABEL", ControlKind::Label, "Base Directory:", 7, 61, 298, 14,
     kStyleDisabled | kStyleGroup | kStyleGrowWidth},
    {IDC_BEGIN_SCAN, "IDC_BEGIN_SCAN", ControlKind::PushButton, "Begin Scan", 7, 79, 63, 18,
     kStyleDisabled | kStyleTabStop},
    {IDC_PROGRESS, "IDC_PROGRESS", ControlKind::ProgressBar, "", 7, 177, 143, 14,
     kStyleHidden | kStyleDisabled | kStyleBorder},
    {IDC_FILE_LIST, "IDC_FILE_LIST", ControlKind::ListBox, "", 7, 98, 306, 76,
     kStyleDisabled | kStyleBorder | kStyleTabStop | kStyleGrowWidth | kStyleGrowHeight},
    {IDC_SELECT_PROMPT, "IDC_SELECT_PROMPT", ControlKind::Label, "Select MP3s to Delete:", 81, 87, 92, 9,
     kStyleDisabled | kStyleGroup},
    {IDC_DELETE_FILES, "IDC_DELETE_FILES", ControlKind::PushButton, "Delete Files", 159, 178, 45, 13,
     kStyleDisabled | kStyleTabStop},
    {IDC_MOVE_TO_TRASH, "IDC_MOVE_TO_TRASH", ControlKind::PushButton, "Move to &Trash", 159, 194, 62, 13,
     kStyleDisabled | kStyleTabStop},
    {IDC_REMOVE_EMPTY, "IDC_REMOVE_EMPTY", ControlKind::CheckBox, "Remove folders left &empty", 7, 195, 140, 11,
     kStyleTabStop},
    {IDC_ALL_AUDIO, "IDC_ALL_AUDIO", ControlKind::CheckBox, "List every &audio file, not only mp3", 7, 207, 150, 11,
     kStyleDisabled | kStyleTabStop},
    {IDC_SELECT_ALL, "IDC_SELECT_ALL", ControlKind::PushButton, "Select All", 175, 85, 50, 12,
     kStyleDisabled | kStyleTabStop},
    {IDC_DESELECT_ALL, "IDC_DESELECT_ALL", ControlKind::PushButton, "Deselect All", 230, 85, 50, 12,
     kStyleDisabled | kStyleTabStop},
    {IDC_STATUS, "IDC_STATUS", ControlKind::Label, "0%", 7, 221, 186, 15, kStyleHidden | kStyleGroup | kStyleGrowWidth},
    {IDC_PLAYLIST_CHECK, "IDC_PLAYLIST_CHECK", ControlKind::Link, "", 7, 219, 240, 18,
     kStyleHidden | kStyleGroup | kStyleTabStop | kStyleGrowWidth},
};

constexpr ControlTemplate kAboutControls[] = {
    {IDC_ABOUT_ICON, "IDC_ABOUT_ICON", ControlKind::IconPicture, "", 11, 17, 21, 20, kStyleNone},
    {IDC_ABOUT_VERSION, "IDC_ABOUT_VERSION", ControlKind::Label, "Tuneprune Version 0.1", 40, 10, 119, 8,
     kStyleNoPrefix | kStyleGroup},
    {IDC_ABOUT_CREDITS, "IDC_ABOUT_CREDITS", ControlKind::Label,
     "Written by the Tuneprune developers.\n"
     "Copyright (C) 2026 the Tuneprune developers.\n"
     "Please report problems to whoever gave you\n"
     "this copy, with the steps that led to them.",
     39, 25, 182, 42, kStyleNoPrefix | kStyleWordWrap},
    {IDOK, "IDOK", ControlKind::PushButton, "OK", 178, 7, 50, 16, kStyleTabStop | kStyleDefault | kStyleGroup},
};

} // namespace

const DialogTemplate kMainTemplate = {IDD_MAIN, "Tuneprune", 320, 245, kMainControls};
const DialogTemplate kAboutTemplate = {IDD_ABOUTBOX, "Tuneprune", 235, 74, kAboutControls};
