// Skin installation: makes sure the skin engine library is on disk, then hands
// the program's built-in skin to the engine for the windows of this thread.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>

#include "common/text.h"

using ByteView = std::span<const std::uint8_t>;

// Fixed on purpose: no lookup of the real system directory.
inline constexpr char kSkinLibraryPath[] = "C:\\WINDOWS\\system32\\SkinH_EL.dll";
// attach_skin's result when the engine library can't be loaded or lacks its entry.
inline constexpr std::int32_t kSkinEngineUnavailable = -1;

// The main window's created handler: the built-in skin, no password, settings 0, 0, 0.
void install_skin();

// The end sequence's first step: an engine loaded for the outside call undoes its
// work while the windows still exist (SkinH_Detach), before its library is freed.
// Loads nothing; an engine without that entry is simply freed later.
void detach_skin();

// Writes the carried engine image to kSkinLibraryPath when no file is there
// (through a temporary file beside it, so the path never holds part of it),
// then calls the engine and returns its result.
std::int32_t attach_skin(ByteView skin, const Text& password, std::int32_t setting1, std::int32_t setting2,
                         std::int32_t setting3);

// attach_skin's steps with the library file's place and image given.
struct SkinLibraryFile {
  Text path;
  ByteView image;
};
std::int32_t attach_skin_with(const SkinLibraryFile& library_file, ByteView skin, const Text& password,
                              std::int32_t setting1, std::int32_t setting2, std::int32_t setting3);

// The read-only data the program carries (empty when the resource is missing).
ByteView skin_library_image();
ByteView skin_data();

// True when a file-system search for the path finds an entry.
bool file_exists(const Text& path);
// Creates or truncates the file (other writers denied) and writes the parts in
// order, skipping empty ones. An empty path, a failed open or a failed write gives
// false; whatever was written stays.
bool write_bytes_to_file(const Text& path, std::initializer_list<ByteView> parts);
