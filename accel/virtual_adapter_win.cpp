#include "accel/virtual_adapter_win.h"

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "accel/driver_tool.h"
#include "app/client_state.h"
#include "app/program_folder_win.h"
#include "app/registry_key_win.h"
#include "base/text_convert.h"
#include "base/unique_handle_win.h"

namespace kestro {
namespace {

constexpr REGSAM kAdapterKeyAccess = 0x2001F;  // read + set value + create subkey

// Starts the tool with pipes for its standard streams and collects what it
// prints. Returns the failed step, or nothing when the tool ran.
std::optional<DriverToolFailure> runDriverTool(const std::wstring& commandLine, std::string& output) {
  SECURITY_DESCRIPTOR descriptor;
  if (!InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION)) {
    return DriverToolFailure::InitSecurityDescriptor;
  }
  if (!SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE)) {
    return DriverToolFailure::SetSecurityDescriptorDacl;
  }
  SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), &descriptor, TRUE};

  const HANDLE self = GetCurrentProcess();
  UniqueHandle outputReadInheritable, outputWrite, errorWrite;
  if (!CreatePipe(outputReadInheritable.receive(), outputWrite.receive(), &inheritable, 0)) {
    return DriverToolFailure::CreateOutputPipe;
  }
  if (!DuplicateHandle(self, outputWrite.get(), self, errorWrite.receive(), 0, TRUE, DUPLICATE_SAME_ACCESS)) {
    return DriverToolFailure::DuplicateOutput;
  }
  UniqueHandle inputRead, inputWriteInheritable;
  if (!CreatePipe(inputRead.receive(), inputWriteInheritable.receive(), &inheritable, 0)) {
    return DriverToolFailure::CreateInputPipe;
  }
  // The parent's ends must not reach the child, or the pipes never report their end.
  UniqueHandle outputRead, inputWrite;
  if (!DuplicateHandle(self, outputReadInheritable.get(), self, outputRead.receive(), 0, FALSE,
                       DUPLICATE_SAME_ACCESS)) {
    return DriverToolFailure::DuplicateOutput;
  }
  if (!DuplicateHandle(self, inputWriteInheritable.get(), self, inputWrite.receive(), 0, FALSE,
                       DUPLICATE_SAME_ACCESS)) {
    return DriverToolFailure::DuplicateInput;
  }
  if (!outputReadInheritable.close() || !inputWriteInheritable.close()) {
    return DriverToolFailure::CloseInheritable;
  }

  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = inputRead.get();
  startup.hStdOutput = outputWrite.get();
  startup.hStdError = errorWrite.get();
  PROCESS_INFORMATION process{};
  std::vector<wchar_t> mutableLine(commandLine.begin(), commandLine.end());
  mutableLine.push_back(L'\0');
  // Run in the program folder, so that the tool's relative INF path resolves there.
  const std::wstring folder = programFolder();
  if (!CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                      folder.empty() ? nullptr : folder.c_str(), &startup, &process)) {
    return DriverToolFailure::StartTool;
  }
  UniqueHandle processHandle(process.hProcess);
  UniqueHandle threadHandle(process.hThread);

  // The output is drained while the tool runs, so a chatty tool cannot fill the
  // pipe and wait for us forever; only the first 8192 bytes are kept.
  bool readFailed = false;
  auto drain = [&] {
    DWORD available = 0;
    while (PeekNamedPipe(outputRead.get(), nullptr, 0, nullptr, &available, nullptr) && available > 0) {
      char chunk[4096];
      DWORD got = 0;
      if (!ReadFile(outputRead.get(), chunk, sizeof(chunk) < available ? sizeof(chunk) : available, &got, nullptr)) {
        readFailed = true;
        return;
      }
      const size_t room = kDriverToolOutputLimit - output.size();
      output.append(chunk, got < room ? got : room);
    }
  };
  while (WaitForSingleObject(processHandle.get(), 20) == WAIT_TIMEOUT) drain();
  drain();

  const bool closedThread = threadHandle.close();
  const bool closedInput = inputRead.close();
  const bool closedOutput = outputWrite.close();
  const bool closedError = errorWrite.close();
  if (!closedThread || !closedInput || !closedOutput || !closedError) return DriverToolFailure::CloseChildHandles;
  if (readFailed) return DriverToolFailure::ReadOutput;
  return std::nullopt;
}

bool runDriverToolOperation(DriverToolOperation operation, std::wstring& message) {
  message.clear();
  // The program is 32-bit: under WoW64 it runs on 64-bit Windows and needs
  // the x86_64 tool and driver.
  const bool x86_64 = ClientState::instance().isWow64 != 0;
  // The tool by the program folder's full path, whatever the current directory.
  const std::wstring line = driverToolCommandLine(operation, x86_64);
  const size_t space = line.find(L' ');
  const std::wstring fullLine = L"\"" + programFolder() + line.substr(0, space) + L"\"" + line.substr(space);
  std::string output;
  if (const auto failure = runDriverTool(fullLine, output)) {
    message = driverToolFailureText(operation, *failure);
    return false;
  }
  return judgeDriverToolOutput(operation, fromAnsi(output), message);
}

}  // namespace

bool findVirtualAdapters(std::vector<std::wstring>& instanceIds) {
  instanceIds.clear();
  RegistryKey classKey;
  if (RegistryKey::open(HKEY_LOCAL_MACHINE, kNetworkAdapterClassKey, kAdapterKeyAccess, classKey) != ERROR_SUCCESS) {
    return false;
  }
  for (DWORD index = 0;; ++index) {
    wchar_t name[260];
    DWORD nameLength = 260;
    const LONG result = RegEnumKeyExW(classKey.get(), index, name, &nameLength, nullptr, nullptr, nullptr, nullptr);
    if (result == ERROR_NO_MORE_ITEMS) break;
    if (result != ERROR_SUCCESS) continue;
    const std::wstring path = std::wstring(kNetworkAdapterClassKey) + L"\\" + name;
    RegistryKey adapterKey;
    if (RegistryKey::open(HKEY_LOCAL_MACHINE, path.c_str(), kAdapterKeyAccess, adapterKey) != ERROR_SUCCESS) continue;
    std::wstring componentId, instanceId;
    if (adapterKey.readText(L"ComponentId", componentId) != ERROR_SUCCESS) continue;
    if (adapterKey.readText(L"NetCfgInstanceId", instanceId) != ERROR_SUCCESS) continue;
    if (componentId == kAdapterComponentId) instanceIds.push_back(instanceId);
  }
  return !instanceIds.empty();
}

bool installVirtualAdapterDriver(std::wstring& message) {
  return runDriverToolOperation(DriverToolOperation::Install, message);
}

bool removeVirtualAdapters(std::wstring& message) {
  return runDriverToolOperation(DriverToolOperation::Remove, message);
}

}  // namespace kestro
