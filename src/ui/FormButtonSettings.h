#pragma once
// Form1's stored design of its four command buttons: the settings each one is created with, under
// the control's own names. The buttons' places are in the layout table (FormLayout.h).

#include "ui/CommandButton.h"
#include "ui/FormLayout.h"

namespace corvelle::ui::layout {

// The stored settings of RaveButtons1 to RaveButtons4; any other id gets RaveButtons1's.
ButtonSettings StoredButtonSettings(ControlId id);

}  // namespace corvelle::ui::layout
