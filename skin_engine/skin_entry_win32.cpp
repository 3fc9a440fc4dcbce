// The library's exported entries. There is no DllMain work: undoing the skin
// means window and GDI calls, which do not belong under the loader lock, so the
// caller asks for it with SkinH_Detach before FreeLibrary.
#include <windows.h>

#include <cstdint>

#include "skin_engine/skin_engine_win32.h"

// The password and the three settings are accepted for the caller's sake and not
// used: our skins are not encrypted and have no options yet.
// Exported undecorated through SkinH_EL.def.
extern "C" int WINAPI SkinH_AttachRes(const unsigned char* skin, int length, const char* /*password*/,
                                      int /*setting1*/, int /*setting2*/, int /*setting3*/) {
  return apply_skin(skin, length);
}

extern "C" void WINAPI SkinH_Detach() { release_skin(); }
