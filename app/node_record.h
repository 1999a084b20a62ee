// One acceleration node of the catalogue.
#pragma once

#include <cstdint>
#include <string>

namespace kestro {

struct NodeRecord {
  int32_t id = 0;              // "nid"
  std::wstring name;           // "nodename"
  int32_t provinceId = 0;      // "nodeprovinceid"
  std::wstring province;       // "province"
  int32_t ispId = 0;           // "nodeispid"
  std::wstring ispName;        // "ispname"
  std::wstring ip;             // "nodeip", dotted IPv4
  float load = 0.0f;           // "nodeload", a fraction
  int32_t latency = 999;       // last probe result in ms, or a negative probe code
  std::wstring loadText;       // "%.2f%%" of load x 100
  std::wstring loadKey;        // "%d" of load x 10000, the load column's sort value
  std::wstring scoreText = L"0";
  std::wstring restText = L"100";
  std::wstring category = L"等待计算节点适合度";
  std::wstring barImage = L"url(PROGRESSBARBODY2.PNG)";
  int32_t score = 0;
};

}  // namespace kestro
