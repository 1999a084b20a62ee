// Suitability of a node from 0 to 100: up to 20 points from its load and up to
// 80 from its measured latency, or up to 100 from the load alone when the
// latency probe failed for a reason other than no reply. A load outside 0 to 1
// counts as the nearer end, so every score stays within 0 to 100.
#pragma once

#include <cstdint>
#include <map>

#include "app/node_record.h"

namespace kestro {

// Stores `latency` (a three-echo result) in the record and writes its score,
// score and rest texts, category and bar image.
void rankNode(NodeRecord& node, int32_t latency);

// The id of the node with the highest score, ties going to the lower id; 0
// when no node scores above 0.
int32_t chooseBestNode(const std::map<int32_t, NodeRecord>& nodes);

}  // namespace kestro
