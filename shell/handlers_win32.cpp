#include <array>

#include "common/main_window_units.h"
#include "extract/commands_win32.h"
#include "shell/handlers.h"

#if TARNVEX_HAVE_SKIN_INSTALL
#include "shell/skin_install.h"
#endif

namespace {

// Slots, in main_window::kHandler* order.
#if TARNVEX_HAVE_SKIN_INSTALL
constexpr EventHandler kInstallSkin{&install_skin};
#else
constexpr EventHandler kInstallSkin{};
#endif

constexpr std::array<EventHandler, main_window::kHandlerCount> kHandlers{
    kInstallSkin,
    EventHandler{&get_address_command},
    EventHandler{&copy_command},
    EventHandler{&open_command},
};

}  // namespace

HandlerTable program_handlers() { return kHandlers; }
