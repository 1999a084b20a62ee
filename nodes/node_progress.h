// Progress figures and texts of the node fetch and latency refresh workers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kestro {

// Fetch worker, with `done` nodes probed of `count` reply elements: the
// integer part of 30 + done x (70 / count), so probing fills 30 to below 100.
int32_t fetchProbeProgress(size_t done, size_t count);
// Refresh worker, with `done` of `count` nodes probed: the integer part of
// done x (100 / count).
int32_t refreshProbeProgress(size_t done, size_t count);
// "正在测试本机到%s节点之间网络延时" with the node's name.
std::wstring probingText(const std::wstring& nodeName);

}  // namespace kestro
