// reference_node --data <data.json> [--rate <bytes per second>]
// Serves the stand-in tunnel on every node address of the reference service's
// data file until it is ended (SIGTERM).
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "standins/reference_node/node_data.h"
#include "standins/reference_node/node_server.h"

int main(int argc, char** argv) {
  std::string dataPath;
  size_t bytesPerSecond = 32768;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    if (option == "--data") {
      dataPath = argv[i + 1];
    } else if (option == "--rate") {
      bytesPerSecond = std::strtoul(argv[i + 1], nullptr, 10);
    } else {
      std::fprintf(stderr, "reference node: unknown option %s\n", option.c_str());
      return 2;
    }
  }
  if (dataPath.empty()) {
    std::fprintf(stderr, "usage: reference_node --data <data.json> [--rate <bytes per second>]\n");
    return 2;
  }
  std::ifstream file(dataPath, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  kestro::refnode::NodeData data;
  std::string error;
  if (!file || !kestro::refnode::parseNodeData(text.str(), data, error)) {
    std::fprintf(stderr, "reference node: %s: %s\n", dataPath.c_str(), file ? error.c_str() : "cannot read");
    return 1;
  }
  return kestro::refnode::runNodeServer(data, bytesPerSecond);
}
