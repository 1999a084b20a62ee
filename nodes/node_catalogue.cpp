#include "nodes/node_catalogue.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "nodes/number_text.h"

namespace kestro {
namespace {

// A load the service cannot mean (beyond float range) is held at the float limits.
float loadOf(double value) {
  constexpr double kMax = std::numeric_limits<float>::max();
  if (std::isnan(value)) return 0.0f;
  return static_cast<float>(std::clamp(value, -kMax, kMax));
}

}  // namespace

std::wstring loadTextOf(float load) { return formatNumber("%.2f%%", load * 100.0f); }

std::wstring loadKeyOf(float load) { return std::to_wstring(truncatedToInt32(load * 10000.0f)); }

NodeRecord nodeFromReply(const JsonObjectReader& element) {
  NodeRecord node;
  node.id = element.integer("nid");
  node.name = element.text("nodename");
  node.ip = element.text("nodeip");
  node.provinceId = element.integer("nodeprovinceid");
  node.ispId = element.integer("nodeispid");
  node.province = element.text("province");
  node.ispName = element.text("ispname");
  node.load = loadOf(element.floating("nodeload"));
  node.loadText = loadTextOf(node.load);
  node.loadKey = loadKeyOf(node.load);
  return node;
}

std::optional<std::map<int32_t, NodeRecord>> nodeCatalogueFrom(const ServiceReply& reply) {
  if (!reply.ok()) return std::nullopt;
  std::map<int32_t, NodeRecord> nodes;
  for (size_t i = 0; i < reply.size(); ++i) {
    NodeRecord node = nodeFromReply(reply.element(i));
    nodes.try_emplace(node.id, std::move(node));
  }
  if (!reply.ok()) return std::nullopt;
  return nodes;
}

}  // namespace kestro
