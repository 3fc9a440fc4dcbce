// The library's exported entry and its load/unload hook.
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

BOOL WINAPI DllMain(HINSTANCE /*instance*/, DWORD reason, LPVOID reserved) {
  // Unloaded by FreeLibrary while windows may live on: they must not keep
  // calling into code that is gone. At process exit nothing needs undoing.
  if (reason == DLL_PROCESS_DETACH && reserved == nullptr) release_skin();
  return TRUE;
}
