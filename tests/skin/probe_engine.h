// A stand-in engine for the skin installation tests: it keeps what its
// SkinH_AttachRes was given, so a test can see exactly what crossed the call.
#pragma once

#include <cstdint>

struct ProbeCall {
  int calls;
  int skin_was_null;
  int length;
  unsigned char skin_head[16];
  int password_was_null;
  char password[64];
  int settings[3];
  // Size of the engine file at the fixed path when the call came; -1 when absent.
  long long library_file_size;
};

// What SkinH_AttachRes of the probe returns, so a test can tell it was the probe.
inline constexpr int kProbeResult = 4242;

// The environment variable naming the file where the probe logs "attach",
// "detach" and "unload in OLE" (or "unload without OLE") lines.
inline constexpr char kProbeLogVariable[] = "TARNVEX_PROBE_LOG";

using ProbeLastCall = const ProbeCall*(__stdcall*)();
using ProbeReset = void(__stdcall*)();
