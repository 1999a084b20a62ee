// The package a user installs: the demo installer of this tree run silently
// (/S) in a Wine prefix of the installer cases' own, what it leaves in the
// program folder, Start menu, desktop and uninstall entry, the installed
// program's start, the refusals while the program runs, and the uninstaller's
// sweep of the route journal, the virtual adapter, the files and the entry.
// Also the release folder check that a release tree's packaging runs.
#include <windows.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "accel/route_journal_win.h"
#include "app/settings_store_win.h"
#include "base/text_convert.h"
#include "tests/support/adapter_registry_win.h"
#include "tests/support/registry_values_win.h"
#include "tests/support/whole_file.h"
#include "tests/support/wine_host_win.h"
#include "ui/login/login_window_win.h"

namespace kestro {
namespace {

constexpr wchar_t kProduct[] = L"泓迈网游加速器";
constexpr wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kestro";
constexpr wchar_t kProgramKey[] = L"Software\\Kestro";
constexpr DWORD kInstallerMs = 120000;

// Every file the installer puts in the program folder.
const std::vector<std::wstring> kInstalledFiles = {
    L"Kestro.exe",           L"Viadex.dll",          L"Viadex.ini",
    L"ca.crt",               L"client.key",          L"Patcher.exe",
    L"uninst.exe",           L"Driver\\i386\\Vnicctl.exe", L"Driver\\i386\\Kestro.inf",
    L"Driver\\i386\\Kestro.sys", L"Driver\\x86_64\\Vnicctl.exe", L"Driver\\x86_64\\Kestro.inf",
    L"Driver\\x86_64\\Kestro.sys"};

std::wstring shellFolder(int csidl) {
  wchar_t path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return {};
  return path;
}

// A 32-bit process sees the 32-bit Program Files, under WoW64 "Program Files (x86)".
std::wstring programFolder() { return shellFolder(CSIDL_PROGRAM_FILES) + L"\\Kestro"; }
std::wstring startMenuFolder() { return shellFolder(CSIDL_COMMON_PROGRAMS) + L"\\" + kProduct; }
std::wstring programShortcut() { return startMenuFolder() + L"\\" + kProduct + L".lnk"; }
std::wstring uninstallShortcut() { return startMenuFolder() + L"\\卸载" + kProduct + L".lnk"; }
std::wstring desktopShortcut() { return shellFolder(CSIDL_COMMON_DESKTOPDIRECTORY) + L"\\" + kProduct + L".lnk"; }
std::wstring installerFile() { return test::hostPath(KESTRO_INSTALLER_FILE); }
std::wstring uninstaller() { return programFolder() + L"\\uninst.exe"; }

bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool keyExists(HKEY root, const wchar_t* path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path, 0, KEY_READ | KEY_WOW64_32KEY, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

std::optional<DWORD> run(const std::wstring& commandLine, const std::wstring& folder = L"") {
  test::ChildProcess process(commandLine, folder);
  if (!process.started()) return std::nullopt;
  return process.waitForExit(kInstallerMs);
}

// An NSIS uninstaller starts a copy of itself from the temporary folder
// ("~nsu1.tmp\\Un.exe") and ends at once; the copy does the work.
bool uninstallerCopyRuns() {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return false;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  bool found = false;
  for (BOOL more = Process32FirstW(snapshot, &entry); more && !found; more = Process32NextW(snapshot, &entry)) {
    std::wstring name = entry.szExeFile;
    std::transform(name.begin(), name.end(), name.begin(), ::towlower);
    found = name == L"un.exe" || (name.size() == 8 && name.starts_with(L"un_") && name.ends_with(L".exe"));
  }
  CloseHandle(snapshot);
  return found;
}

// Runs the uninstaller silently as the uninstall entry's QuietUninstallString does,
// and waits for its copy to finish.
::testing::AssertionResult uninstallSilently() {
  const auto code = run(L"\"" + uninstaller() + L"\" /S");
  if (code != 0u) return ::testing::AssertionFailure() << "the uninstaller ended with " << code.value_or(~0u);
  if (!test::waitUntil([] { return !uninstallerCopyRuns(); }, kInstallerMs)) {
    return ::testing::AssertionFailure() << "the uninstaller's copy did not end";
  }
  return ::testing::AssertionSuccess();
}

struct Shortcut {
  std::wstring target, workingFolder, iconFile;
  int iconIndex = -1;
};

std::optional<Shortcut> readShortcut(const std::wstring& file) {
  IShellLinkW* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              reinterpret_cast<void**>(&link)))) {
    return std::nullopt;
  }
  std::optional<Shortcut> result;
  IPersistFile* persist = nullptr;
  if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist)))) {
    if (SUCCEEDED(persist->Load(file.c_str(), STGM_READ))) {
      Shortcut shortcut;
      wchar_t text[MAX_PATH] = {};
      if (SUCCEEDED(link->GetPath(text, MAX_PATH, nullptr, 0))) shortcut.target = text;
      if (SUCCEEDED(link->GetWorkingDirectory(text, MAX_PATH))) shortcut.workingFolder = text;
      int index = -1;
      if (SUCCEEDED(link->GetIconLocation(text, MAX_PATH, &index))) {
        shortcut.iconFile = text;
        shortcut.iconIndex = index;
      }
      result = shortcut;
    }
    persist->Release();
  }
  link->Release();
  return result;
}

std::wstring versionOf(const std::wstring& file) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(file.c_str(), &ignored);
  if (size == 0) return {};
  std::vector<BYTE> data(size);
  if (!GetFileVersionInfoW(file.c_str(), 0, size, data.data())) return {};
  VS_FIXEDFILEINFO* info = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &length) || info == nullptr) return {};
  return std::to_wstring(HIWORD(info->dwFileVersionMS)) + L"." + std::to_wstring(LOWORD(info->dwFileVersionMS)) + L"." +
         std::to_wstring(HIWORD(info->dwFileVersionLS)) + L"." + std::to_wstring(LOWORD(info->dwFileVersionLS));
}

bool sameFolder(const std::wstring& a, const std::wstring& b) {
  auto trimmed = [](std::wstring path) {
    while (!path.empty() && path.back() == L'\\') path.pop_back();
    return path;
  };
  return _wcsicmp(trimmed(a).c_str(), trimmed(b).c_str()) == 0;
}

// The release folder check (cmake/release_folder.cmake) runs on Linux.
const std::vector<std::string> kComponents = {
    "Viadex.dll",           "Viadex.ini",           "ca.crt",
    "client.key",           "Patcher.exe",          "Driver/i386/Vnicctl.exe",
    "Driver/i386/Kestro.inf", "Driver/i386/Kestro.sys", "Driver/x86_64/Vnicctl.exe",
    "Driver/x86_64/Kestro.inf", "Driver/x86_64/Kestro.sys"};

const std::string kScratch = KESTRO_BINARY_DIR "/installer-tests";

// Runs a command on the Linux side; its output comes back with single spaces,
// since CMake wraps its messages.
int runOnLinux(const std::string& command, std::string& output) {
  std::string raw;
  const int status = test::runOnLinux(command, &raw, 60000);
  output.clear();
  for (char c : raw) {
    const bool space = c == ' ' || c == '\n' || c == '\r' || c == '\t';
    if (space && (output.empty() || output.back() == ' ')) continue;
    output += space ? ' ' : c;
  }
  return status;
}

int releaseFolderCheck(const std::string& components, std::string& output, const std::string& programFolder = "") {
  std::string command =
      test::shellQuoted(KESTRO_CMAKE_COMMAND) + " -DKESTRO_COMPONENTS_DIR=" + test::shellQuoted(components);
  if (!programFolder.empty()) command += " -DPROGRAM_FOLDER=" + test::shellQuoted(programFolder);
  return runOnLinux(command + " -P " + test::shellQuoted(KESTRO_SOURCE_DIR "/cmake/release_folder.cmake"), output);
}

class Installer : public ::testing::Test {
 protected:
  void SetUp() override {
    CoInitialize(nullptr);
    components_ = kScratch + "/components-" + std::to_string(GetCurrentProcessId());
    ASSERT_TRUE(exists(installerFile())) << toUtf8(installerFile());
    // An earlier case that failed half-way may have left an installation behind.
    removeInstallation();
    ASSERT_FALSE(exists(programFolder())) << "the case starts with no program folder";
    ASSERT_FALSE(keyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
  }
  void TearDown() override {
    removeInstallation();
    CoUninitialize();
    if (exists(test::hostPath(components_)) || exists(test::hostPath(components_ + "-program"))) {
      test::runOnLinux("rm -rf " + test::shellQuoted(components_) + " " +
                       test::shellQuoted(components_ + "-program"));
    }
  }

  static void installSilently() {
    ASSERT_EQ(run(L"\"" + installerFile() + L"\" /S"), 0u);
    ASSERT_TRUE(exists(programFolder() + L"\\Kestro.exe"));
  }

  static void removeInstallation() {
    if (exists(uninstaller())) {
      EXPECT_TRUE(uninstallSilently());
    }
  }

  // Placeholder files in place of the service's components, each with its own
  // text, in the folder components_.
  void makePlaceholders(const std::vector<std::string>& files) {
    for (const std::string& file : files) {
      const std::string path = components_ + "/" + file;
      const std::string parent = path.substr(0, path.rfind('/'));
      SHCreateDirectoryExW(nullptr, test::hostPath(parent).c_str(), nullptr);
      std::ofstream out(std::filesystem::path(test::hostPath(path)), std::ios::binary);
      out << "placeholder of the service's " << file << "\n";
      ASSERT_TRUE(out.good()) << path;
    }
  }

  std::string components_;
};

TEST_F(Installer, SilentInstallPutsTheFilesShortcutsAndUninstallEntryInPlace) {
  installSilently();
  // The 32-bit Program Files: on 64-bit Windows "Program Files (x86)".
  EXPECT_TRUE(sameFolder(programFolder(), shellFolder(CSIDL_PROGRAM_FILESX86) + L"\\Kestro"));
  for (const std::wstring& file : kInstalledFiles) {
    EXPECT_TRUE(exists(programFolder() + L"\\" + file)) << toUtf8(file);
  }
  // The installed program carries the installer's version.
  EXPECT_EQ(versionOf(programFolder() + L"\\Kestro.exe"), fromUtf8(KESTRO_VERSION) + L".0");

  const std::wstring program = programFolder() + L"\\Kestro.exe";
  for (const std::wstring& file : {programShortcut(), desktopShortcut()}) {
    SCOPED_TRACE(toUtf8(file));
    const auto shortcut = readShortcut(file);
    ASSERT_TRUE(shortcut.has_value());
    EXPECT_EQ(_wcsicmp(shortcut->target.c_str(), program.c_str()), 0) << toUtf8(shortcut->target);
    EXPECT_TRUE(sameFolder(shortcut->workingFolder, programFolder())) << toUtf8(shortcut->workingFolder);
    EXPECT_EQ(_wcsicmp(shortcut->iconFile.c_str(), program.c_str()), 0) << toUtf8(shortcut->iconFile);
    EXPECT_EQ(shortcut->iconIndex, 0);
  }
  const auto uninstallLink = readShortcut(uninstallShortcut());
  ASSERT_TRUE(uninstallLink.has_value());
  EXPECT_EQ(_wcsicmp(uninstallLink->target.c_str(), uninstaller().c_str()), 0);

  const HKEY machine = HKEY_LOCAL_MACHINE;
  EXPECT_EQ(test::registryText(machine, kUninstallKey, L"DisplayName"), std::wstring(kProduct) + L"（演示版）");
  EXPECT_EQ(test::registryText(machine, kUninstallKey, L"DisplayVersion"), fromUtf8(KESTRO_VERSION));
  EXPECT_EQ(test::registryText(machine, kUninstallKey, L"Publisher"), std::wstring(kProduct));
  EXPECT_EQ(test::registryText(machine, kUninstallKey, L"DisplayIcon"), program + L",0");
  EXPECT_EQ(test::registryText(machine, kUninstallKey, L"UninstallString"), L"\"" + uninstaller() + L"\"");
  EXPECT_EQ(test::registryText(machine, kUninstallKey, L"QuietUninstallString"), L"\"" + uninstaller() + L"\" /S");
  EXPECT_EQ(test::registryText(machine, kUninstallKey, L"InstallLocation"), programFolder());
  // In KB: about the size of the stripped program folder, at least Kestro.exe's.
  WIN32_FILE_ATTRIBUTE_DATA attributes{};
  ASSERT_TRUE(GetFileAttributesExW(program.c_str(), GetFileExInfoStandard, &attributes));
  const auto size = test::registryDword(machine, kUninstallKey, L"EstimatedSize");
  ASSERT_TRUE(size.has_value());
  EXPECT_GE(*size, attributes.nFileSizeLow / 1024);
  EXPECT_LT(*size, 64u * 1024);
}

TEST_F(Installer, TheInstalledProgramStartsToTheLoginWindow) {
  installSilently();
  // As the desktop shortcut starts it.
  const auto shortcut = readShortcut(desktopShortcut());
  ASSERT_TRUE(shortcut.has_value());
  test::ChildProcess program(L"\"" + shortcut->target + L"\"", shortcut->workingFolder);
  ASSERT_TRUE(program.started());
  const HWND window = test::waitForWindow(kLoginWindowClass, 30000);
  ASSERT_NE(window, nullptr) << "the installed program showed no login window";
  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(program.waitForExit(15000), 0u);
}

TEST_F(Installer, ASecondInstallWhileTheProgramRunsIsRefused) {
  installSilently();
  // A file the second install would put back if it went ahead.
  const std::wstring settingsFile = programFolder() + L"\\Viadex.ini";
  ASSERT_TRUE(DeleteFileW(settingsFile.c_str()));
  test::ChildProcess program(L"\"" + programFolder() + L"\\Kestro.exe\"", L"");
  ASSERT_TRUE(program.started());
  const HWND window = test::waitForWindow(kLoginWindowClass, 30000);
  ASSERT_NE(window, nullptr);

  EXPECT_EQ(run(L"\"" + installerFile() + L"\" /S"), 2u);
  EXPECT_FALSE(exists(settingsFile));
  EXPECT_TRUE(program.running());

  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(program.waitForExit(15000), 0u);
  // Once the program has ended the install goes ahead.
  EXPECT_EQ(run(L"\"" + installerFile() + L"\" /S"), 0u);
  EXPECT_TRUE(exists(settingsFile));
}

TEST_F(Installer, UninstallWhileTheProgramRunsIsRefused) {
  installSilently();
  // The program's single-instance mutex, held as a running program holds it.
  HANDLE mutex = CreateMutexW(nullptr, FALSE, L"Kestro");
  ASSERT_NE(mutex, nullptr);
  ASSERT_NE(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_TRUE(uninstallSilently());
  CloseHandle(mutex);
  for (const std::wstring& file : kInstalledFiles) {
    EXPECT_TRUE(exists(programFolder() + L"\\" + file)) << toUtf8(file);
  }
  EXPECT_TRUE(exists(desktopShortcut()));
  EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
}

TEST_F(Installer, SilentUninstallLeavesNoFileShortcutOrEntryAndKeepsTheSettings) {
  installSilently();
  // What a user's program leaves: settings, a virtual adapter, routes in the journal.
  test::writeRegistryText(HKEY_CURRENT_USER, kSettingsKeyPath, L"UserName", L"kestro");
  // As the program runs the driver tool: in the program folder, on 64-bit Windows the x86_64 one.
  ASSERT_EQ(run(L"\"" + programFolder() + L"\\Driver\\x86_64\\Vnicctl.exe\" install Driver\\x86_64\\Kestro.inf kestro",
                programFolder()),
            0u);
  ASSERT_EQ(test::kestroAdapters().size(), 1u);
  test::writeRegistryText(HKEY_LOCAL_MACHINE, kRouteJournalKey, L"1", L"198.51.100.0 255.255.255.240 203.0.113.249 12");
  test::writeRegistryText(HKEY_LOCAL_MACHINE, kRouteJournalKey, L"2", L"203.0.113.7 255.255.255.255 203.0.113.249 12");
  test::writeRegistryText(HKEY_LOCAL_MACHINE, kRouteJournalKey, L"3", L"not a route row");

  ASSERT_TRUE(uninstallSilently());

  EXPECT_FALSE(exists(programFolder()));
  EXPECT_FALSE(exists(programShortcut()));
  EXPECT_FALSE(exists(uninstallShortcut()));
  EXPECT_FALSE(exists(startMenuFolder()));
  EXPECT_FALSE(exists(desktopShortcut()));
  EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
  EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, kRouteJournalKey));
  EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, kProgramKey));
  EXPECT_EQ(test::kestroAdapters().size(), 0u);
  // A silent uninstall keeps the user's settings.
  EXPECT_EQ(test::registryText(HKEY_CURRENT_USER, kSettingsKeyPath, L"UserName"), std::wstring(L"kestro"));
  RegDeleteTreeW(HKEY_CURRENT_USER, kProgramKey);
}

TEST_F(Installer, ReleaseFolderCheckFailsWithoutTheServicesComponents) {
  std::string output;
  EXPECT_NE(releaseFolderCheck("", output), 0);
  EXPECT_NE(output.find("No folder of the service's components was named"), std::string::npos) << output;

  EXPECT_NE(releaseFolderCheck(components_ + "/absent", output), 0);
  EXPECT_NE(output.find("does not exist"), std::string::npos) << output;

  // An empty folder lacks every component, and says which.
  ASSERT_EQ(SHCreateDirectoryExW(nullptr, test::hostPath(components_).c_str(), nullptr), ERROR_SUCCESS);
  EXPECT_NE(releaseFolderCheck(components_, output), 0);
  EXPECT_NE(output.find("is incomplete"), std::string::npos) << output;
  for (const std::string& file : kComponents) EXPECT_NE(output.find(file), std::string::npos) << file;

  // One missing file is named alone.
  std::vector<std::string> allButOne = kComponents;
  allButOne.erase(std::find(allButOne.begin(), allButOne.end(), "Driver/x86_64/Vnicctl.exe"));
  makePlaceholders(allButOne);
  EXPECT_NE(releaseFolderCheck(components_, output), 0);
  EXPECT_NE(output.find("is incomplete: Driver/x86_64/Vnicctl.exe missing"), std::string::npos) << output;
}

TEST_F(Installer, ReleaseFolderCheckRefusesOurStandIns) {
  // This tree's program folder holds the stand-ins.
  std::string output;
  EXPECT_NE(releaseFolderCheck(KESTRO_BINARY_DIR "/dist", output), 0);
  EXPECT_NE(output.find("holds development stand-ins"), std::string::npos) << output;
  for (const std::string& file : kComponents) EXPECT_NE(output.find(file), std::string::npos) << file;
}

TEST_F(Installer, ReleaseFolderCheckPassesWithACompleteFolderAndCopiesItIntoTheProgramFolder) {
  makePlaceholders(kComponents);
  std::string output;
  EXPECT_EQ(releaseFolderCheck(components_, output), 0) << output;
  EXPECT_NE(output.find("is complete"), std::string::npos) << output;

  const std::string program = components_ + "-program";
  EXPECT_EQ(releaseFolderCheck(components_, output, program), 0) << output;
  for (const std::string& file : kComponents) {
    EXPECT_EQ(test::readWholeFile(test::hostPath(program + "/" + file)),
              test::readWholeFile(test::hostPath(components_ + "/" + file)))
        << file;
  }
}

TEST_F(Installer, TheReleasePresetBuildsTheProgramAndItsInstallerAlone) {
  makePlaceholders(kComponents);
  // Configured only: what the tree would build is in its build.ninja.
  const std::string tree = components_ + "-program";
  std::string output;
  ASSERT_EQ(runOnLinux(test::shellQuoted(KESTRO_CMAKE_COMMAND) + " --preset release -S " +
                           test::shellQuoted(KESTRO_SOURCE_DIR) + " -B " + test::shellQuoted(tree) +
                           " -DKESTRO_SERVICE_BASE_URL=http://127.0.0.1:1/ -DKESTRO_WEB_SITE=http://127.0.0.1:1"
                           " -DKESTRO_COMPONENTS_DIR=" + test::shellQuoted(components_) + " && cd " +
                           test::shellQuoted(tree) +
                           " && " + test::shellQuoted(KESTRO_MAKE_PROGRAM) + " -t targets all",
                       output),
            0)
      << output;
  // Every program and library the tree makes: Kestro.exe and the installer, no
  // stand-in, test, benchmark or fuzz target.
  std::vector<std::string> made;
  for (size_t at = 0; (at = output.find(": ", at)) != std::string::npos; at += 2) {
    const size_t begin = output.rfind(' ', at - 1) + 1;
    std::string target = output.substr(begin, at - begin);
    if (!target.ends_with(".exe") && !target.ends_with(".dll")) continue;
    if (target.starts_with(tree + "/")) target = target.substr(tree.size() + 1);
    if (std::find(made.begin(), made.end(), target) == made.end()) made.push_back(target);
  }
  std::sort(made.begin(), made.end());
  EXPECT_EQ(made, (std::vector<std::string>{"Kestro.exe", "dist/Kestro.exe",
                                            "package/Kestro-" KESTRO_VERSION "-setup.exe"}));
  EXPECT_EQ(output.find("_tests"), std::string::npos);
  EXPECT_EQ(output.find("gtest"), std::string::npos);
}

}  // namespace
}  // namespace kestro
