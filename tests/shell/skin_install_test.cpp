// The system side of the skin, against the probe engine that sits beside this
// test program (so the program-directory step of the search finds it).
#include <windows.h>

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <vector>

#include "common/codepage_win32.h"
#include "common/win32/module.h"
#include "shell/outside_calls_win32.h"
#include "shell/skin_install.h"
#include "tests/skin/engine_file.h"
#include "tests/skin/probe_engine.h"
#include "tests/support/wine_win32.h"

namespace {

namespace fs = std::filesystem;

fs::path program_directory() { return program_folder(); }

Text local(const fs::path& path) { return wide_to_gbk(path.wstring()); }

// A fresh folder of our own under the temporary folder, removed afterwards.
class ScratchFolder {
 public:
  ScratchFolder() {
    path_ = fs::temp_directory_path() /
            ("tarnvex-skin-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(counter_++));
    fs::create_directories(path_);
  }
  ~ScratchFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  const fs::path& path() const { return path_; }

 private:
  static inline int counter_ = 0;
  fs::path path_;
};

const ProbeCall& probe() {
  HMODULE module = GetModuleHandleW(L"SkinH_EL.dll");
  EXPECT_NE(module, nullptr);
  auto last_call =
      reinterpret_cast<ProbeLastCall>(reinterpret_cast<void*>(GetProcAddress(module, "probe_last_call")));
  return *last_call();
}

void reset_probe() {
  HMODULE module = GetModuleHandleW(L"SkinH_EL.dll");
  if (module == nullptr) return;
  auto reset = reinterpret_cast<ProbeReset>(reinterpret_cast<void*>(GetProcAddress(module, "probe_reset")));
  reset();
}

// --- file_exists and write_bytes_to_file ---

TEST(FileExists, FindsFilesAndFolders) {
  ScratchFolder folder;
  const fs::path file = folder.path() / "present.bin";
  std::ofstream(file) << "x";
  EXPECT_TRUE(file_exists(local(file)));
  EXPECT_TRUE(file_exists(local(folder.path())));
  EXPECT_FALSE(file_exists(local(folder.path() / "absent.bin")));
  EXPECT_FALSE(file_exists(local(folder.path() / "no-folder" / "absent.bin")));
  EXPECT_FALSE(file_exists(Text()));
}

TEST(WriteBytesToFile, WritesThePartsInOrderSkippingEmptyOnes) {
  ScratchFolder folder;
  const fs::path file = folder.path() / "parts.bin";
  const ByteSet first = {1, 2, 3};
  const ByteSet empty;
  const ByteSet second = {0, 0xFF};
  ASSERT_TRUE(write_bytes_to_file(local(file), {first, empty, second}));
  EXPECT_EQ(read_file(file), (std::vector<std::uint8_t>{1, 2, 3, 0, 0xFF}));
}

TEST(WriteBytesToFile, TruncatesAnExistingFile) {
  ScratchFolder folder;
  const fs::path file = folder.path() / "long.bin";
  std::ofstream(file, std::ios::binary) << std::string(1000, 'a');
  const ByteSet shorter = {7};
  ASSERT_TRUE(write_bytes_to_file(local(file), {shorter}));
  EXPECT_EQ(read_file(file), (std::vector<std::uint8_t>{7}));
}

TEST(WriteBytesToFile, NoPartsGivesAnEmptyFile) {
  ScratchFolder folder;
  const fs::path file = folder.path() / "empty.bin";
  ASSERT_TRUE(write_bytes_to_file(local(file), {}));
  EXPECT_TRUE(fs::exists(file));
  EXPECT_EQ(fs::file_size(file), 0u);
}

TEST(WriteBytesToFile, FailuresGiveFalse) {
  ScratchFolder folder;
  const ByteSet bytes = {1};
  EXPECT_FALSE(write_bytes_to_file(Text(), {bytes}));
  EXPECT_FALSE(write_bytes_to_file(local(folder.path() / "no-folder" / "x.bin"), {bytes}));
  // A folder is no file to write.
  EXPECT_FALSE(write_bytes_to_file(local(folder.path()), {bytes}));
}

TEST(WriteBytesToFile, DeniesOtherWritersWhileOpen) {
  ScratchFolder folder;
  const fs::path file = folder.path() / "held.bin";
  // Someone else holds the file open for writing: our exclusive-write open must fail.
  HANDLE other = CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(other, INVALID_HANDLE_VALUE);
  const ByteSet bytes = {1};
  EXPECT_FALSE(write_bytes_to_file(local(file), {bytes}));
  CloseHandle(other);
  EXPECT_TRUE(write_bytes_to_file(local(file), {bytes}));
}

// --- attach_skin ---

TEST(CarriedData, ImageIsADllAndSkinIsOurs) {
  const ByteView image = skin_library_image();
  ASSERT_GE(image.size(), 2u);
  EXPECT_EQ(image[0], 'M');
  EXPECT_EQ(image[1], 'Z');
  const ByteView skin = skin_data();
  ASSERT_GE(skin.size(), 4u);
  EXPECT_EQ(std::vector<std::uint8_t>(skin.begin(), skin.begin() + 4),
            (std::vector<std::uint8_t>{0x2E, 0x53, 0x48, 0x45}));
}

TEST(AttachSkin, PresentFileIsLeftAlone) {
  ScratchFolder folder;
  const fs::path file = folder.path() / "SkinH_EL.dll";
  std::ofstream(file, std::ios::binary) << "not an image at all";
  const ByteSet image = {'M', 'Z', 1, 2, 3};
  const ByteSet skin = {0x2E, 0x53, 0x48, 0x45};
  const std::int32_t result = attach_skin_with({local(file), image}, skin, Text(), 0, 0, 0);
  EXPECT_EQ(result, kProbeResult);
  EXPECT_EQ(read_file(file), std::vector<std::uint8_t>(std::string_view("not an image at all").begin(),
                                                       std::string_view("not an image at all").end()));
}

TEST(AttachSkin, AbsentFileGetsExactlyTheImageBeforeTheCall) {
  ScratchFolder folder;
  const fs::path file = folder.path() / "SkinH_EL.dll";
  const ByteSet image = {'M', 'Z', 0, 0xFF, 0x10, 0};
  const ByteSet skin = {0x2E};
  ASSERT_EQ(attach_skin_with({local(file), image}, skin, Text(), 0, 0, 0), kProbeResult);
  EXPECT_EQ(read_file(file), image);
  // Written beside it first, then moved: nothing else is left in the folder.
  EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 1);
}

// The created handler's call: the carried image written to the system folder
// first, then the built-in skin with no password and settings 0, 0, 0.
TEST(InstallSkin, WritesTheCarriedImageThenHandsTheBuiltInSkin) {
  const EngineFileScope engine_file;
  reset_probe();
  const ByteView carried = skin_library_image();
  ASSERT_FALSE(carried.empty());

  install_skin();

  EXPECT_EQ(read_file(kFixedPath), std::vector<std::uint8_t>(carried.begin(), carried.end()));
  const ProbeCall& call = probe();
  EXPECT_EQ(call.calls, 1);
  // The engine saw the whole file already there when it was called.
  EXPECT_EQ(call.library_file_size, static_cast<long long>(carried.size()));
  EXPECT_EQ(call.length, static_cast<int>(skin_data().size()));
  EXPECT_EQ(std::vector<std::uint8_t>(call.skin_head, call.skin_head + 4),
            (std::vector<std::uint8_t>{0x2E, 0x53, 0x48, 0x45}));
  EXPECT_EQ(call.password_was_null, 1);
  EXPECT_EQ(std::vector<int>(call.settings, call.settings + 3), (std::vector<int>{0, 0, 0}));
}

TEST(AttachSkin, UnwritableSystemFolderStillCallsTheEngine) {
  // A folder that is there and takes no new file: under Wine (which keeps no
  // access rights) Linux's /proc, elsewhere the system folder as a user sees it.
  wchar_t system_folder[MAX_PATH] = {};
  GetSystemDirectoryW(system_folder, MAX_PATH);
  const fs::path folder = running_under_wine() ? fs::path(L"Z:\\proc") : fs::path(system_folder);
  const fs::path file = folder / "tarnvex_unwritable_probe.dll";
  ASSERT_TRUE(fs::is_directory(folder));
  const HANDLE attempt = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  if (attempt != INVALID_HANDLE_VALUE) CloseHandle(attempt), DeleteFileW(file.c_str());
  ASSERT_EQ(attempt, INVALID_HANDLE_VALUE) << "the folder is writable after all";
  reset_probe();
  const ByteSet image = {'M', 'Z'};
  const ByteSet skin = {1};
  EXPECT_EQ(attach_skin_with({local(file), image}, skin, Text(), 0, 0, 0), kProbeResult);
  EXPECT_EQ(probe().calls, 1);
  EXPECT_FALSE(fs::exists(file));
}

struct ArgumentCase {
  const char* what;
  ByteSet skin;
  Text password;
  std::int32_t settings[3];
};

TEST(AttachSkin, PassesTheArgumentsAsGiven) {
  ScratchFolder folder;
  const fs::path file = folder.path() / "SkinH_EL.dll";
  std::ofstream(file) << "present";
  const std::vector<ArgumentCase> cases = {
      {"empty skin and password", {}, Text(), {0, 0, 0}},
      {"skin, password, settings", {0x2E, 0x53, 0x48, 0x45, 9}, "secret", {1, -2, 3}},
      {"extreme settings", {0}, "p", {INT_MIN, INT_MAX, -1}},
      {"code page 936 password", {5, 6}, "\xC3\xDC\xC2\xEB", {0, 0, 7}},  // 密码
  };
  for (const auto& argument_case : cases) {
    SCOPED_TRACE(argument_case.what);
    reset_probe();
    EXPECT_EQ(
        attach_skin_with({local(file), {}}, argument_case.skin, argument_case.password,
                         argument_case.settings[0], argument_case.settings[1], argument_case.settings[2]),
        kProbeResult);
    const ProbeCall& call = probe();
    EXPECT_EQ(call.calls, 1);
    EXPECT_EQ(call.skin_was_null != 0, argument_case.skin.empty());
    EXPECT_EQ(call.length, static_cast<int>(argument_case.skin.size()));
    const std::size_t head = std::min<std::size_t>(argument_case.skin.size(), sizeof call.skin_head);
    EXPECT_EQ(std::vector<std::uint8_t>(call.skin_head, call.skin_head + head),
              std::vector<std::uint8_t>(argument_case.skin.begin(), argument_case.skin.begin() + head));
    EXPECT_EQ(call.password_was_null != 0, argument_case.password.empty());
    EXPECT_EQ(Text(call.password), argument_case.password);
    EXPECT_EQ(std::vector<int>(call.settings, call.settings + 3),
              std::vector<int>(argument_case.settings, argument_case.settings + 3));
  }
}

// --- binding ---

bool same_file(const fs::path& left, const fs::path& right) {
  std::error_code error;
  return fs::equivalent(left, right, error);
}

TEST(OutsideTable, BareNameIsNeverLookedForInTheCurrentFolderOrPath) {
  // A library of that name only in the current folder and in a PATH folder.
  ScratchFolder current;
  ScratchFolder on_path;
  for (const ScratchFolder* folder : {&current, &on_path}) {
    const fs::path planted = folder->path() / "planted_probe.dll";
    ASSERT_TRUE(CopyFileW((program_directory() / "SkinH_EL.dll").c_str(), planted.c_str(), FALSE));
  }
  std::wstring previous_path(32767, L'\0');
  previous_path.resize(GetEnvironmentVariableW(L"PATH", previous_path.data(), 32767));
  const fs::path previous_folder = fs::current_path();
  fs::current_path(current.path());
  SetEnvironmentVariableW(L"PATH", (on_path.path().wstring() + L";" + previous_path).c_str());
  const bool loaded = static_cast<bool>(load_library(L"planted_probe.dll", kLibrarySearchSafe));
  // The control: a plain load finds the plant in the current folder, then, with
  // that one gone, the one in the PATH folder.
  std::vector<bool> plain_finds;
  for (const ScratchFolder* folder : {&current, &on_path}) {
    const HMODULE plain = LoadLibraryW(L"planted_probe.dll");
    wchar_t found[MAX_PATH] = {};
    if (plain) GetModuleFileNameW(plain, found, MAX_PATH), FreeLibrary(plain);
    plain_finds.push_back(same_file(found, folder->path() / "planted_probe.dll"));
    fs::remove(folder->path() / "planted_probe.dll");
  }
  SetEnvironmentVariableW(L"PATH", previous_path.c_str());
  fs::current_path(previous_folder);
  EXPECT_FALSE(loaded);
  EXPECT_EQ(plain_finds, (std::vector<bool>{true, true})) << "a plain load would not have found the plants";
}

TEST(OutsideTable, BindsOnceAndReleasesAtTheEnd) {
  // The skin engine is the probe beside us, found by the program-directory step.
  FARPROC first = outside_entry_address(OutsideEntry::kSkinAttachRes);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(outside_entry_address(OutsideEntry::kSkinAttachRes), first);
  HMODULE engine = GetModuleHandleW(L"SkinH_EL.dll");
  ASSERT_NE(engine, nullptr);
  EXPECT_EQ(outside_entry_module(OutsideEntry::kSkinAttachRes), engine);
  wchar_t engine_path[MAX_PATH] = {};
  GetModuleFileNameW(engine, engine_path, MAX_PATH);
  EXPECT_TRUE(same_file(engine_path, program_directory() / "SkinH_EL.dll"));

  release_outside_libraries();
  EXPECT_EQ(GetModuleHandleW(L"SkinH_EL.dll"), nullptr);
  release_outside_libraries();  // a second release is harmless
  EXPECT_NE(outside_entry_address(OutsideEntry::kSkinAttachRes), nullptr);
}

}  // namespace
