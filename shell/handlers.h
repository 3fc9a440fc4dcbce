// The program's handler table: the layout binds events to these slots by index
// (main_window::kHandler*). A slot without a routine means no handler.
#pragma once

#include "shell/event_handler.h"

HandlerTable program_handlers();
