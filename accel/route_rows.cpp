#include "accel/route_rows.h"

namespace kestro {

std::string prefixLengthMask(int32_t prefixLength) {
  if (prefixLength < 8 || prefixLength > 32) return "255.255.255.0";
  const uint32_t bits = prefixLength == 32 ? 0xFFFFFFFFu : ~(0xFFFFFFFFu >> prefixLength);
  std::string text;
  for (int shift = 24; shift >= 0; shift -= 8) {
    if (!text.empty()) text += '.';
    text += std::to_string((bits >> shift) & 0xFF);
  }
  return text;
}

ForwardRow makeRouteRow(uint32_t destination, uint32_t mask, uint32_t nextHop, uint32_t interfaceIndex,
                        uint32_t metric1) {
  ForwardRow row;
  row.forwardDest = destination;
  row.forwardMask = mask;
  row.forwardPolicy = 0;
  row.forwardNextHop = nextHop;
  row.forwardIfIndex = interfaceIndex;
  row.forwardType = kRouteTypeIndirect;
  row.forwardProto = kRouteProtoNetMgmt;
  row.forwardAge = kRouteAge;
  row.forwardNextHopAS = 0;
  row.forwardMetric1 = metric1;
  row.forwardMetric2 = kRouteMetricUnused;
  row.forwardMetric3 = kRouteMetricUnused;
  row.forwardMetric4 = kRouteMetricUnused;
  row.forwardMetric5 = kRouteMetricUnused;
  return row;
}

std::optional<uint32_t> findAdapterIndex(const std::vector<AdapterAddressEntry>& entries, const std::string& address,
                                         const std::string& mask) {
  if (address.empty() || mask.empty()) return std::nullopt;
  std::optional<uint32_t> found;
  for (const AdapterAddressEntry& entry : entries) {
    if (entry.address == address && entry.mask == mask) found = entry.adapterIndex;
  }
  return found;
}

}  // namespace kestro
