#pragma once

#include <span>

// A dialog template as data: every control's ID, kind, caption, place in dialog units and
// initial state. DialogBuilder turns any such table into widgets.

enum class ControlKind {
    PushButton,
    Label,
    ProgressBar,
    ListBox,
    IconPicture,
    Link, // static text whose <a> links the dialog serves
    CheckBox,
};

enum ControlStyle : unsigned {
    kStyleNone = 0,
    kStyleDisabled = 1u << 0,
    kStyleHidden = 1u << 1,
    kStyleTabStop = 1u << 2,
    kStyleGroup = 1u << 3,
    kStyleDefault = 1u << 4, // the default push button
    kStyleBorder = 1u << 5,
    kStyleNoPrefix = 1u << 6, // "&" is shown, not taken as a mnemonic
    kStyleWordWrap = 1u << 7,
    // In a resizable window: takes the width or height that the window gains.
    kStyleGrowWidth = 1u << 8,
    kStyleGrowHeight = 1u << 9,
};

struct ControlTemplate {
    int id;
    const char* name;
    ControlKind kind;
    const char* caption;
    int x;
    int y;
    int width;
    int height;
    unsigned style;
};

struct DialogTemplate {
    int id;
    const char* caption;
    int width;
    int height;
    std::span<const ControlTemplate> controls;
};
