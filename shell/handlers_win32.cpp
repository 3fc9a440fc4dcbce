#include <array>

#include "extract/main_window_units.h"
#include "extract/commands_win32.h"
#include "shell/handlers.h"
#include "shell/skin_install.h"

namespace {

// Slots, in main_window::kHandler* order.
constexpr std::array<EventHandler, main_window::kHandlerCount> kHandlers{
    EventHandler{&install_skin},
    EventHandler{&get_address_command},
    EventHandler{&copy_command},
    EventHandler{&open_command},
};

}  // namespace

HandlerTable program_handlers() { return kHandlers; }

WindowKeys program_keys() {
  using namespace main_window;
  return {
      .window_id = kWindow, .first_focus = kEditSource, .enter_box = kEditSource, .enter_button = kButtonGet};
}
