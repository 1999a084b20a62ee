// The system's virtual network adapter: finding its instances in the network
// adapter class key, installing its driver and removing every instance through
// the driver tool (Driver\<family>\Vnicctl.exe in the program folder).
#pragma once

#include <string>
#include <vector>

namespace kestro {

inline constexpr wchar_t kNetworkAdapterClassKey[] =
    L"SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E972-E325-11CE-BFC1-08002BE10318}";

// Empties `instanceIds`, then appends the NetCfgInstanceId of every adapter whose
// ComponentId is exactly "kestro", in subkey order. True when any was found;
// false also when the class key cannot be opened (administrator rights).
bool findVirtualAdapters(std::vector<std::wstring>& instanceIds);

// Runs the tool's install command. True with `message` emptied, or false with
// the text to show.
bool installVirtualAdapterDriver(std::wstring& message);

// Runs the tool's remove command. True with `message` emptied, or false with the
// text to show (also when there was nothing to remove).
bool removeVirtualAdapters(std::wstring& message);

}  // namespace kestro
