#include "nodes/node_progress.h"

namespace kestro {

int32_t fetchProbeProgress(size_t done, size_t count) {
  if (count == 0) return 30;
  return static_cast<int32_t>(30.0 + static_cast<double>(done) * (70.0 / static_cast<double>(count)));
}

int32_t refreshProbeProgress(size_t done, size_t count) {
  if (count == 0) return 0;
  return static_cast<int32_t>(static_cast<double>(done) * (100.0 / static_cast<double>(count)));
}

std::wstring probingText(const std::wstring& nodeName) {
  return L"正在测试本机到" + nodeName + L"节点之间网络延时";
}

}  // namespace kestro
