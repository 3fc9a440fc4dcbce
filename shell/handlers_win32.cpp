#include <array>

#include "shell/handlers.h"
#include "shell/main_window_units.h"

#if TARNVEX_HAVE_SKIN_INSTALL
#include "shell/skin_install.h"
#endif

namespace {

// Slots, in main_window::kHandler* order. The commands fill the three empty ones:
//   kHandlerGetAddress: the button's clicked event, void()
//   kHandlerCopy, kHandlerOpen: left-button press on the two links,
//     void(int x, int y, int keys), or bool(...) returning false to keep the
//     press from the link.
#if TARNVEX_HAVE_SKIN_INSTALL
constexpr EventHandler kInstallSkin{&install_skin};
#else
constexpr EventHandler kInstallSkin{};
#endif

constexpr std::array<EventHandler, main_window::kHandlerCount> kHandlers{
    kInstallSkin,
    EventHandler{},
    EventHandler{},
    EventHandler{},
};

}  // namespace

HandlerTable program_handlers() { return kHandlers; }
