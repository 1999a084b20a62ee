#include "tests/support/process_handles_win.h"

#include <winternl.h>

#include <map>

#include "base/text_convert.h"
#include "base/unique_handle_win.h"

namespace kestro::test {

// The system's handle list (SYSTEM_HANDLE_INFORMATION): the values of the handles `process` holds.
std::vector<USHORT> systemHandles(DWORD process) {
  struct Entry {
    ULONG owner;
    BYTE type;
    BYTE flags;
    USHORT value;
    PVOID object;
    ULONG access;
  };
  constexpr auto kSystemHandleInformation = static_cast<SYSTEM_INFORMATION_CLASS>(16);
  constexpr NTSTATUS kLengthMismatch = static_cast<NTSTATUS>(0xC0000004);
  std::vector<char> buffer(1 << 16);
  NTSTATUS status;
  while ((status = NtQuerySystemInformation(kSystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()),
                                            nullptr)) == kLengthMismatch) {
    buffer.resize(buffer.size() * 2);
  }
  std::vector<USHORT> owned;
  if (status != 0) return owned;
  const ULONG count = *reinterpret_cast<const ULONG*>(buffer.data());
  const auto* entries = reinterpret_cast<const Entry*>(buffer.data() + sizeof(ULONG_PTR));
  for (ULONG i = 0; i < count && sizeof(ULONG_PTR) + (i + 1) * sizeof(Entry) <= buffer.size(); ++i) {
    if (entries[i].owner == process) owned.push_back(entries[i].value);
  }
  return owned;
}

namespace {

// Its handles by kind, a named event with its name: {"Event", 12}, {"Event(KestroAcc12)", 1}, ...
std::map<std::string, int> kindCounts(DWORD process) {
  constexpr auto kObjectNameInformation = static_cast<OBJECT_INFORMATION_CLASS>(1);
  constexpr auto kObjectTypeInformation = static_cast<OBJECT_INFORMATION_CLASS>(2);
  const UniqueHandle owner(OpenProcess(PROCESS_DUP_HANDLE, FALSE, process));
  std::map<std::string, int> kinds;
  for (const USHORT value : systemHandles(process)) {
    std::wstring kind = L"unknown";
    HANDLE copy = nullptr;
    if (owner && DuplicateHandle(owner.get(), reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(value)),
                                 GetCurrentProcess(), &copy, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
      const UniqueHandle held(copy);
      alignas(8) char information[1024];
      if (NtQueryObject(copy, kObjectTypeInformation, information, sizeof information, nullptr) == 0) {
        const auto* name = reinterpret_cast<const UNICODE_STRING*>(information);
        kind.assign(name->Buffer, name->Length / sizeof(wchar_t));
      }
      // A named object says whose it is: the name, with its path's last part.
      if (NtQueryObject(copy, kObjectNameInformation, information, sizeof information, nullptr) == 0) {
        const auto* name = reinterpret_cast<const UNICODE_STRING*>(information);
        const std::wstring path(name->Buffer, name->Length / sizeof(wchar_t));
        if (!path.empty() && kind == L"Event") kind += L"(" + path.substr(path.find_last_of(L'\\') + 1) + L")";
      }
    }
    ++kinds[toUtf8(kind)];
  }
  return kinds;
}

}  // namespace

std::string systemHandleKinds(DWORD process) {
  std::string text;
  for (const auto& [kind, number] : kindCounts(process)) {
    text += (text.empty() ? "" : " ") + kind + " " + std::to_string(number);
  }
  return text;
}

}  // namespace kestro::test
