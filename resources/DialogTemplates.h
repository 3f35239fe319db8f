#pragma once

#include "DialogTemplate.h"

// The main window and the about box, control by control in tab order.
extern const DialogTemplate kMainTemplate;
extern const DialogTemplate kAboutTemplate;
