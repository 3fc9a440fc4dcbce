#include <objbase.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "tests/skin/probe_engine.h"

namespace {
ProbeCall g_last{};

// Appends a line to the file named by kProbeLogVariable, when it is set: what a
// program did with the probe can be read after the program has ended.
void log_line(const char* line) {
  char path[MAX_PATH] = {};
  if (GetEnvironmentVariableA(kProbeLogVariable, path, MAX_PATH) == 0) return;
  if (std::FILE* file = std::fopen(path, "ab")) {
    std::fputs(line, file);
    std::fclose(file);
  }
}
}  // namespace

extern "C" int WINAPI SkinH_AttachRes(const unsigned char* skin, int length, const char* password,
                                      int setting1, int setting2, int setting3) {
  ProbeCall call{};
  call.calls = g_last.calls + 1;
  call.skin_was_null = skin == nullptr ? 1 : 0;
  call.length = length;
  if (skin != nullptr && length > 0) {
    std::memcpy(call.skin_head, skin,
                std::min<std::size_t>(sizeof call.skin_head, static_cast<std::size_t>(length)));
  }
  call.password_was_null = password == nullptr ? 1 : 0;
  if (password != nullptr) lstrcpynA(call.password, password, sizeof call.password);
  call.settings[0] = setting1;
  call.settings[1] = setting2;
  call.settings[2] = setting3;
  WIN32_FILE_ATTRIBUTE_DATA data;
  call.library_file_size = -1;
  if (GetFileAttributesExW(L"C:\\WINDOWS\\system32\\SkinH_EL.dll", GetFileExInfoStandard, &data)) {
    call.library_file_size = (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  }
  g_last = call;
  log_line("attach\n");
  return kProbeResult;
}

extern "C" const ProbeCall* WINAPI probe_last_call() { return &g_last; }

extern "C" void WINAPI probe_reset() { g_last = ProbeCall{}; }

extern "C" void WINAPI SkinH_Detach() { log_line("detach\n"); }

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  // Only file work and a look at this thread's apartment: a FreeLibrary, not
  // the end of the process. The program's OLE should still be up here.
  if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
    APTTYPE type{};
    APTTYPEQUALIFIER qualifier{};
    log_line(CoGetApartmentType(&type, &qualifier) == S_OK ? "unload in OLE\n" : "unload without OLE\n");
  }
  return TRUE;
}
