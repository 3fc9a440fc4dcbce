// The program's handler table: the layout binds events to these slots by index
// (main_window::kHandler*). A slot without a routine means no handler.
#pragma once

#include "shell/event_handler.h"

HandlerTable program_handlers();
// The main window's keys: the caret starts in the source box, and Enter there
// gets the address as the button does.
WindowKeys program_keys();
