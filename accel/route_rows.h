// The platform-free half of route installation: the prefix-length table, the
// forward-table row filled for each destination, and the search for the
// virtual adapter among the system's adapters.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/route_records.h"

namespace kestro {

// Dotted netmask of a prefix length 8 to 32 ("255.0.0.0" ... "255.255.255.255");
// any other length gives "255.255.255.0".
std::string prefixLengthMask(int32_t prefixLength);

// Row field values every route carries.
inline constexpr uint32_t kRouteTypeIndirect = 4;
inline constexpr uint32_t kRouteProtoNetMgmt = 3;
inline constexpr uint32_t kRouteAge = 248;
inline constexpr uint32_t kRouteMetricUnused = 0xFFFFFFFF;

// Addresses as the system's dotted-address parser returns them (network order).
ForwardRow makeRouteRow(uint32_t destination, uint32_t mask, uint32_t nextHop, uint32_t interfaceIndex,
                        uint32_t metric1);

// One IPv4 address entry of one adapter, as GetAdaptersInfo lists them.
struct AdapterAddressEntry {
  uint32_t adapterIndex = 0;
  std::string address;
  std::string mask;
};

// The adapter carrying `address` with `mask` (exact text comparison); when
// several do, the last one listed. Nothing when either text is empty.
std::optional<uint32_t> findAdapterIndex(const std::vector<AdapterAddressEntry>& entries, const std::string& address,
                                         const std::string& mask);

}  // namespace kestro
