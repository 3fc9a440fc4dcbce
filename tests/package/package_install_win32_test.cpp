// The installer as a user meets it, in this build's Wine prefix: a silent
// install into the user's local programs folder without administrator rights,
// the installed program started from there, and a silent uninstall that takes
// away what was installed and nothing else.
#include <objidl.h>
#include <psapi.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "common/win32/com.h"
#include "tests/support/program_win32.h"
#include "tests/support/read_file.h"
#include "tests/support/user_settings_win32.h"

namespace {

// The program's windows go without Wine's 2 s wait for a window manager.
const UnmanagedWindowsUnderWine g_unmanaged;

using namespace std::chrono_literals;

const std::wstring kCaption = L"  Tarnvex";
const wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tarnvex";
const wchar_t* const kInstalledFiles[] = {L"tarnvex.exe", L"tarnvex-cli.exe", L"SkinH_EL.dll",
                                          L"Uninstall.exe"};
// The uninstaller copies itself to the temp folder and finishes from there.
constexpr auto kRemovalTimeout = 60s;

std::wstring shell_folder(int csidl) {
  wchar_t path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return {};
  return path;
}

std::wstring install_folder() { return shell_folder(CSIDL_LOCAL_APPDATA) + L"\\Programs\\Tarnvex"; }
std::wstring shortcut_file() { return shell_folder(CSIDL_PROGRAMS) + L"\\Tarnvex.lnk"; }
std::wstring installed(const wchar_t* name) { return install_folder() + L"\\" + name; }

bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::wstring lower(std::wstring text) {
  CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
  return text;
}

std::optional<DWORD> run_installer() {
  return run_to_end(L"\"" + windows_path_of(TARNVEX_INSTALLER_FILE) + L"\" /S");
}

std::wstring shortcut_target(const std::wstring& shortcut) {
  ComApartment apartment;
  ComPtr<IShellLinkW> link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              reinterpret_cast<void**>(link.put()))))
    return {};
  ComPtr<IPersistFile> file;
  if (FAILED(link.get()->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.put()))) ||
      FAILED(file.get()->Load(shortcut.c_str(), STGM_READ)))
    return {};
  wchar_t target[MAX_PATH] = {};
  if (FAILED(link.get()->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH))) return {};
  return target;
}

std::wstring image_of(HANDLE process) {
  wchar_t path[MAX_PATH] = {};
  DWORD size = MAX_PATH;
  if (!QueryFullProcessImageNameW(process, 0, path, &size)) return {};
  return std::wstring(path, size);
}

// The file the process loaded a module of that name from; empty when none.
std::wstring loaded_module_path(HANDLE process, const std::wstring& name) {
  HMODULE modules[512] = {};
  DWORD needed = 0;
  if (!EnumProcessModulesEx(process, modules, sizeof modules, &needed, LIST_MODULES_ALL)) return {};
  const DWORD count = std::min<DWORD>(needed / sizeof(HMODULE), std::size(modules));
  for (DWORD i = 0; i < count; ++i) {
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameExW(process, modules[i], path, MAX_PATH);
    const std::wstring file(path, length);
    const size_t slash = file.find_last_of(L'\\');
    if (lower(file.substr(slash == std::wstring::npos ? 0 : slash + 1)) == lower(name)) return file;
  }
  return {};
}

// The COFF header of a PE image; nothing when the file is no PE image.
std::optional<IMAGE_FILE_HEADER> coff_header_of(const std::vector<std::uint8_t>& image) {
  IMAGE_DOS_HEADER dos{};
  DWORD signature = 0;
  IMAGE_FILE_HEADER header{};
  if (image.size() < sizeof dos) return std::nullopt;
  std::memcpy(&dos, image.data(), sizeof dos);
  const auto at = static_cast<std::size_t>(dos.e_lfanew);
  if (dos.e_magic != IMAGE_DOS_SIGNATURE || dos.e_lfanew < 0 ||
      image.size() < at + sizeof signature + sizeof header)
    return std::nullopt;
  std::memcpy(&signature, image.data() + at, sizeof signature);
  std::memcpy(&header, image.data() + at + sizeof signature, sizeof header);
  if (signature != IMAGE_NT_SIGNATURE) return std::nullopt;
  return header;
}

// Windows removes the uninstaller's own temp copy at the next restart; a Wine
// prefix has none, so the test takes it away once that copy has ended.
void remove_uninstaller_copies() {
  std::error_code error;
  for (const auto& entry :
       std::filesystem::directory_iterator(std::filesystem::temp_directory_path(error), error)) {
    const std::wstring name = entry.path().filename().wstring(), folder = entry.path().wstring();
    if (!entry.is_directory(error) || !name.starts_with(L"~nsu") || !name.ends_with(L".tmp")) continue;
    wait_until(
        [&] {
          DeleteFileW((folder + L"\\Un.exe").c_str());
          DeleteFileW((folder + L"\\Un_A.exe").c_str());
          return RemoveDirectoryW(folder.c_str()) != 0 || !exists(folder);
        },
        10s);
  }
}

// Whatever an earlier, interrupted run left behind: the uninstaller run in
// place (so it does not copy itself away), then anything still there.
void remove_installation(const std::wstring& user_file = {}) {
  const std::wstring folder = install_folder();
  if (exists(installed(L"Uninstall.exe")))
    run_to_end(L"\"" + installed(L"Uninstall.exe") + L"\" /S _?=" + folder, 60s);
  for (const wchar_t* name : kInstalledFiles) DeleteFileW(installed(name).c_str());
  if (!user_file.empty()) DeleteFileW(user_file.c_str());
  RemoveDirectoryW(folder.c_str());
  DeleteFileW(shortcut_file().c_str());
  RegDeleteTreeW(HKEY_CURRENT_USER, kUninstallKey);
  remove_uninstaller_copies();
}

bool nothing_installed_left() {
  for (const wchar_t* name : kInstalledFiles) {
    if (exists(installed(name))) return false;
  }
  return !exists(shortcut_file()) && !user_key_exists(kUninstallKey);
}

// Runs the quiet uninstall command the installer registered, as the system's
// program list would, and waits for its temp copy to finish.
void uninstall_as_registered() {
  const auto command = user_text(kUninstallKey, L"QuietUninstallString");
  ASSERT_TRUE(command.has_value());
  EXPECT_EQ(run_to_end(*command), 0u);
  EXPECT_TRUE(wait_until(nothing_installed_left, kRemovalTimeout));
}

// What one silent install leaves, installed once for every fact below.
class Installed : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    remove_installation();
    installer_exit_ = run_installer();
  }
  static void TearDownTestSuite() { remove_installation(); }
  void SetUp() override { ASSERT_EQ(installer_exit_, 0u); }
  static std::optional<DWORD> installer_exit_;
};

std::optional<DWORD> Installed::installer_exit_;

TEST_F(Installed, TheProgramIsInTheUsersLocalProgramsFolder) {
  for (const wchar_t* name : kInstalledFiles) EXPECT_TRUE(exists(installed(name))) << installed(name).c_str();
}

TEST_F(Installed, TheProgramIsStrippedAndSmallerThanTheBuiltOne) {
  const auto installed_exe = read_file(installed(L"tarnvex.exe"));
  const auto built_exe = read_file(windows_path_of(TARNVEX_EXE_FILE));
  const auto header = coff_header_of(installed_exe);
  ASSERT_TRUE(header.has_value());
  EXPECT_EQ(header->PointerToSymbolTable, 0u);
  EXPECT_EQ(header->NumberOfSymbols, 0u);
  // The build itself keeps its symbols, which is what makes the check mean something.
  const auto built_header = coff_header_of(built_exe);
  ASSERT_TRUE(built_header.has_value());
  EXPECT_GT(built_header->NumberOfSymbols, 0u);
  EXPECT_LT(installed_exe.size(), built_exe.size());
}

TEST_F(Installed, StartMenuShortcutPointsAtTheInstalledProgram) {
  ASSERT_TRUE(exists(shortcut_file()));
  EXPECT_EQ(lower(shortcut_target(shortcut_file())), lower(installed(L"tarnvex.exe")));
}

TEST_F(Installed, UninstallerIsRegisteredForThisUser) {
  ASSERT_TRUE(user_key_exists(kUninstallKey));
  EXPECT_EQ(user_text(kUninstallKey, L"DisplayName"), L"Tarnvex");
  EXPECT_EQ(user_text(kUninstallKey, L"DisplayVersion"), L"" TARNVEX_VERSION);
  EXPECT_EQ(lower(user_text(kUninstallKey, L"InstallLocation").value_or(L"")), lower(install_folder()));
  EXPECT_EQ(lower(user_text(kUninstallKey, L"UninstallString").value_or(L"")),
            lower(L"\"" + installed(L"Uninstall.exe") + L"\""));
  EXPECT_EQ(lower(user_text(kUninstallKey, L"QuietUninstallString").value_or(L"")),
            lower(L"\"" + installed(L"Uninstall.exe") + L"\" /S"));
  EXPECT_EQ(user_number(kUninstallKey, L"NoModify"), 1u);
  EXPECT_GT(user_number(kUninstallKey, L"EstimatedSize").value_or(0), 0u);
}

TEST_F(Installed, TheProgramStartsFromItsFolderAndEndsWithExitCodeZero) {
  ProgramUnderTest program(installed(L"tarnvex.exe"), kCaption, install_folder());
  ASSERT_TRUE(program.started());
  EXPECT_EQ(lower(image_of(program.process())), lower(installed(L"tarnvex.exe")));
  // The program directory comes before the system directory in the engine's search.
  EXPECT_EQ(lower(loaded_module_path(program.process(), L"SkinH_EL.dll")), lower(installed(L"SkinH_EL.dll")));
  EXPECT_EQ(program.close_and_wait(), 0u);
}

TEST_F(Installed, TheBatchProgramRunsFromItsFolder) {
  EXPECT_EQ(run_to_end(L"\"" + installed(L"tarnvex-cli.exe") + L"\" --version"), 0u);
  // A usage error, so the exit code above is the program's own answer.
  EXPECT_EQ(run_to_end(L"\"" + installed(L"tarnvex-cli.exe") + L"\" --jobs 0"), 2u);
}

// Each installs for itself and ends uninstalled.
class Reinstall : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(shell_folder(CSIDL_LOCAL_APPDATA).empty());
    remove_installation();
    ASSERT_FALSE(exists(install_folder()));
  }
  void TearDown() override { remove_installation(user_file_); }
  std::wstring user_file_;
};

TEST_F(Reinstall, UninstallLeavesFilesTheUserPutInTheFolder) {
  ASSERT_EQ(run_installer(), 0u);
  user_file_ = installed(L"notes.txt");
  std::ofstream(std::filesystem::path(user_file_)) << "mine\n";
  ASSERT_TRUE(exists(user_file_));
  uninstall_as_registered();
  EXPECT_TRUE(exists(user_file_));
}

// The silent uninstall after it removes the program, shortcut, registration and folder.
TEST_F(Reinstall, InstallingAgainOverAnInstallationKeepsOneWorkingCopy) {
  ASSERT_EQ(run_installer(), 0u);
  ASSERT_EQ(run_installer(), 0u);
  ProgramUnderTest program(installed(L"tarnvex.exe"), kCaption, install_folder());
  ASSERT_TRUE(program.started());
  EXPECT_EQ(program.close_and_wait(), 0u);
  uninstall_as_registered();
  EXPECT_FALSE(exists(install_folder()));
}

}  // namespace
