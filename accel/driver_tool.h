// The driver tool "Vnicctl.exe" as the program uses it: its command lines
// (relative to the program folder), the sentences it prints, and the texts of
// every way running it can fail.
#pragma once

#include <string>
#include <string_view>

namespace kestro {

inline constexpr wchar_t kAdapterComponentId[] = L"kestro";

enum class DriverToolOperation { Install, Remove };

// The x86_64 folder on 64-bit Windows, else i386.
std::wstring driverToolCommandLine(DriverToolOperation operation, bool x86_64);

// Steps of running the tool that can fail, in the order they run.
enum class DriverToolFailure {
  InitSecurityDescriptor,
  SetSecurityDescriptorDacl,
  CreateOutputPipe,
  DuplicateOutput,
  CreateInputPipe,
  DuplicateInput,
  CloseInheritable,
  StartTool,
  CloseChildHandles,
  ReadOutput,
};

std::wstring driverToolFailureText(DriverToolOperation operation, DriverToolFailure failure);

// Judges what the tool printed (already converted from the ANSI code page).
// Empty `message` and true on success; else false with the text to show.
bool judgeDriverToolOutput(DriverToolOperation operation, std::wstring_view output, std::wstring& message);

// At most this many bytes of the tool's output are examined.
inline constexpr size_t kDriverToolOutputLimit = 8192;

}  // namespace kestro
