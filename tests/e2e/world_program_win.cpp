#include "tests/e2e/world_program_win.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "base/text_convert.h"
#include "tests/support/ui_driver_win.h"

namespace kestro::test {
namespace {

std::string environmentText(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

POINT middle(const RECT& box) { return POINT{(box.left + box.right) / 2, (box.top + box.bottom) / 2}; }

}  // namespace

std::optional<TestWorld> testWorld() {
  TestWorld world{environmentText("KESTRO_WORLD_SERVICE_URL"), environmentText("KESTRO_WORLD_WEB_SITE"),
                  environmentText("KESTRO_WORLD_PROBE_HOST_1"), environmentText("KESTRO_WORLD_PROBE_HOST_2"),
                  environmentText("KESTRO_RELAY_CONTROL"), environmentText("KESTRO_WORLD_DATA")};
  if (world.serviceUrl.empty() || world.relayControl.empty() || world.dataFile.empty()) return std::nullopt;
  return world;
}

std::string relayCommand(const std::string& command) {
  const std::string control = environmentText("KESTRO_RELAY_CONTROL");
  const size_t colon = control.find(':');
  if (colon == std::string::npos) return "error no relay";
  std::string answer;
  // A Linux shell in the same namespace speaks to the relay's control port.
  const std::string script = "exec 3<>/dev/tcp/" + control.substr(0, colon) + "/" + control.substr(colon + 1) +
                             " && printf '%s\\n' " + shellQuoted(command) + " >&3 && head -n 1 <&3";
  if (const int status = runOnLinux("bash -c " + shellQuoted(script), &answer, 10000); status != 0) {
    return "error the relay did not answer (" + std::to_string(status) + "): " + answer;
  }
  while (!answer.empty() && (answer.back() == '\n' || answer.back() == '\r')) answer.pop_back();
  return answer;
}

bool clickElement(HWND window, const std::string& selector, const std::function<bool()>& done) {
  for (int attempt = 0; attempt < 3; ++attempt) {
    std::optional<PageItem> target;
    waitUntil(
        [&] {
          target = pageItem(window, selector);
          return target && target->visible && target->box.right > target->box.left;
        },
        10000);
    if (!target || !target->visible) return false;
    const POINT at = middle(target->box);
    if (!clickAt(window, at.x, at.y)) return false;
    if (waitUntil(done, 6000)) return true;
  }
  return false;
}

bool fillBox(HWND window, const std::string& selector, const std::string& text) {
  const std::wstring wanted(text.begin(), text.end());
  for (int attempt = 0; attempt < 3; ++attempt) {
    const auto box = pageItem(window, selector);
    if (!box) return false;
    const POINT at = middle(box->box);
    if (!clickAt(window, at.x, at.y)) return false;
    if (!waitUntil([&] { return focusIsAt(window, at.x, at.y); }, 2000)) continue;
    pressKey(window, "End");
    pressKey(window, "--repeat 40 --delay 20 BackSpace");
    typeText(window, text);
    if (waitUntil([&] { return pageText(window, selector) == wanted; }, 3000)) return true;
  }
  return false;
}

WorldProgram::WorldProgram(const TestWorld& world, const std::map<std::string, std::string>& ini,
                           const std::map<std::string, std::string>& environment) {
  static int copies = 0;
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::filesystem::path folder = std::filesystem::path(temp) / (L"kestro-world-" +
                                       std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(copies++));
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
  std::filesystem::copy(distFolder(), folder, std::filesystem::copy_options::recursive, ignored);
  folder_ = folder.wstring();
  const std::wstring iniFile = folder_ + L"\\Viadex.ini";
  for (const auto& [key, value] : ini) {
    WritePrivateProfileStringW(L"tunnel", fromUtf8(key).c_str(), fromUtf8(value).c_str(), iniFile.c_str());
  }

  std::map<std::string, std::string> variables = {{"KESTRO_SERVICE_URL", world.serviceUrl},
                                                  {"KESTRO_WEB_SITE", world.webSite},
                                                  {"KESTRO_PROBE_HOST_1", world.probeHost1},
                                                  {"KESTRO_PROBE_HOST_2", world.probeHost2},
                                                  {"KESTRO_WORLD_RELAY", world.relayControl},
                                                  {"KESTRO_LINK_MONITOR_MS", ""}};
  for (const auto& [name, value] : environment) variables[name] = value;
  for (const auto& [name, value] : variables) {
    SetEnvironmentVariableW(fromUtf8(name).c_str(), value.empty() ? nullptr : fromUtf8(value).c_str());
  }

  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  std::wstring line = L"\"" + folder_ + L"\\Kestro.exe\"";
  std::vector<wchar_t> mutableLine(line.begin(), line.end());
  mutableLine.push_back(L'\0');
  if (CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder_.c_str(), &startup,
                     &info)) {
    CloseHandle(info.hThread);
    process_ = info.hProcess;
  }
}

WorldProgram::~WorldProgram() {
  if (process_ != nullptr) {
    if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
      for (const wchar_t* className : {L"KestroMessageWindow", L"KestroMainWindow", L"KestroLoginWindow"}) {
        if (HWND window = FindWindowW(className, nullptr)) PostMessageW(window, WM_CLOSE, 0, 0);
      }
      if (WaitForSingleObject(process_, 3000) == WAIT_TIMEOUT) TerminateProcess(process_, 1);
      WaitForSingleObject(process_, 5000);
    }
    CloseHandle(process_);
  }
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
}

void WorldProgram::kill() {
  if (process_ == nullptr) return;
  TerminateProcess(process_, 9);
  WaitForSingleObject(process_, 10000);
}

bool WorldProgram::running() const { return process_ != nullptr && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

std::optional<DWORD> WorldProgram::waitForExit(DWORD ms) {
  if (process_ == nullptr || WaitForSingleObject(process_, ms) != WAIT_OBJECT_0) return std::nullopt;
  DWORD code = 0;
  GetExitCodeProcess(process_, &code);
  return code;
}

HWND logInAsDemoUser() {
  // Generous: a loaded machine under Wine's heap checks takes a while; a
  // window that shows returns at once.
  const auto failed = [](const char* step) -> HWND {
    std::fprintf(stderr, "logInAsDemoUser: %s; the visible windows:\n%s", step, visibleWindowsText().c_str());
    return nullptr;
  };
  const HWND login = waitForVisibleWindow(L"KestroLoginWindow", 60000);
  if (login == nullptr) return failed("no login window within 60 s");
  if (!fillBox(login, "#txtusername", "kestro")) return failed("the user name box never held \"kestro\"");
  if (!fillBox(login, "#txtpassword", "kestro123")) return failed("the password box never held \"kestro123\"");
  if (!clickElement(login, "#btnlogin", [&] { return !IsWindow(login); }) &&
      !waitUntil([&] { return !IsWindow(login); }, 20000)) {
    return failed(("the login window stayed open, showing \"" + toUtf8(pageText(login, "#txtpgs")) + "\"").c_str());
  }
  const HWND main = waitForVisibleWindow(L"KestroMainWindow", 60000);
  return main != nullptr ? main : failed("no main window within 60 s of the login");
}

}  // namespace kestro::test
