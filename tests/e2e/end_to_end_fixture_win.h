// The fixture of the cases that drive the real Kestro.exe in the test world:
// the world's nodes as its data file lists them, and the steps the cases
// share (log in and measure, choose, start), each case with the settings key
// deleted first and the relay's changes undone after it.
#pragma once

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "base/text_convert.h"
#include "htmlayout/dom.h"
#include "tests/e2e/world_program_win.h"
#include "tests/support/registry_values_win.h"
#include "tests/support/ui_driver_win.h"

namespace kestro::test {

struct WorldNode {
  int id = 0;
  std::wstring name;
  std::string address;
  int latencyMs = 0;
  bool dead = false;
  bool lossy = false;  // a lost echo weighs 999 ms in its latency
};

inline std::vector<WorldNode> worldNodes(const TestWorld& world) {
  std::ifstream in(std::filesystem::path(hostPath(world.dataFile)));
  const nlohmann::json data = nlohmann::json::parse(in, nullptr, false);
  std::vector<WorldNode> nodes;
  if (data.is_discarded()) return nodes;
  for (const auto& node : data["nodes"]) {
    nodes.push_back({node.value("nid", 0), fromUtf8(node.value("nodename", "")), node.value("nodeip", ""),
                     node.value("latencyms", 0), node.value("dead", false), node.value("lossrate", 0.0) > 0.0});
  }
  return nodes;
}

// What the world data says of a game's first server (a /32 target of the
// game with an echo port) and the paths to it through one node.
struct GameServerPaths {
  std::string address;
  int port = 0;
  int directMs = 0;
  int throughNodeMs = 0;  // the node's round trip and the server's from the node
  std::string gateway;
  std::string adapter;  // the virtual adapter's address
};

inline std::optional<GameServerPaths> gameServerPaths(const TestWorld& world, int gameId, int nodeId) {
  std::ifstream in(std::filesystem::path(hostPath(world.dataFile)));
  const nlohmann::json data = nlohmann::json::parse(in, nullptr, false);
  if (data.is_discarded()) return std::nullopt;
  GameServerPaths paths;
  paths.gateway = data["world"].value("gateway", "");
  paths.adapter = data["world"].value("adapter", "");
  int nodeMs = -1;
  for (const auto& node : data["nodes"]) {
    if (node.value("nid", 0) == nodeId) nodeMs = node.value("latencyms", 0);
  }
  for (const auto& game : data["games"]) {
    if (game.value("id", 0) != gameId) continue;
    for (const auto& route : game["routes"]) {
      for (const auto& host : data["world"]["hosts"]) {
        if (paths.address.empty() && host.contains("echoport") && route.value("ipmask", 0) == 32 &&
            route.value("ipaddr", "") == host["ip"]) {
          paths.address = host["ip"];
          paths.port = host["echoport"];
          paths.directMs = host.value("latencyms", 0);
          paths.throughNodeMs = nodeMs + host["fromnode"].value("latencyms", 0);
        }
      }
    }
  }
  if (paths.address.empty() || nodeMs < 0 || paths.gateway.empty() || paths.adapter.empty()) return std::nullopt;
  return paths;
}

class EndToEnd : public testing::Test {
 protected:
  void SetUp() override {
    world_ = testWorld();
    if (!world_) GTEST_SKIP() << "no test world in this run (see scripts/test's summary for the reason)";
    nodes_ = worldNodes(*world_);
    ASSERT_FALSE(nodes_.empty()) << "cannot read " << world_->dataFile;
    deleteSettingsKey();
  }
  void TearDown() override {
    // The relay outlives the case: what a case changed goes back.
    for (const std::string& address : killed_) relayCommand("revive " + address);
    if (world_) relayCommand("gateway follow");
    deleteSettingsKey();
  }

  // Logs in, opens the node tab and waits until every node has its latency.
  HWND mainWindowWithLatencies() {
    const HWND main = logInAsDemoUser();
    if (main == nullptr) return nullptr;
    const auto measured = [&] {
      for (const WorldNode& node : nodes_) {
        if (pageText(main, "#latency" + std::to_string(node.id)).empty()) return false;
      }
      return true;
    };
    if (!clickElement(main, "#nodepanel", [&] { return pageItem(main, "#latency" + std::to_string(nodes_[0].id)).has_value(); })) {
      return nullptr;
    }
    if (!waitUntil(measured, 90000)) return nullptr;
    return main;
  }

  // The automatic node choice, then the game and the voice application.
  // The automatic choice (104 on a quiet machine; the measured latencies
  // decide), kept in chosen_; then the game and the voice application.
  void chooseBestNodeGameAndVoice(HWND main) {
    ASSERT_TRUE(clickElement(main, "#btnautonode", [&] { return pageText(main, "#txtcurrentnode") != L"未选择"; }));
    const std::wstring name = pageText(main, "#txtcurrentnode");
    chosen_ = nullptr;
    for (const WorldNode& node : nodes_) {
      if (node.name == name) chosen_ = &node;
    }
    ASSERT_NE(chosen_, nullptr) << toUtf8(name);
    ASSERT_NO_FATAL_FAILURE(chooseGameAndVoice(main));
  }

  void chooseGameAndVoice(HWND main) {
    ASSERT_TRUE(clickElement(main, "#gamepanel", [&] { return pageItem(main, "#game1001").has_value(); }));
    ASSERT_TRUE(clickElement(main, "#game1001", [&] { return pageText(main, "#txtcurrentgame") != L"未选择"; }));
    ASSERT_TRUE(clickElement(main, "#voicepanel", [&] { return pageVisible(main, "#voice1"); }));
    ASSERT_TRUE(clickElement(main, "#voice1", [&] { return pageText(main, "#txtcurrentvoice") == L"多玩YY"; }));
  }

  // The status pictures of the progress table's step rows, in order.
  std::vector<std::wstring> stepPictures(HWND main) {
    std::vector<std::wstring> pictures;
    for (const PageItem& image : queryPage(main, "#acctable img")) {
      if (image.src != L"ARROW.PNG") pictures.push_back(image.src);
    }
    return pictures;
  }

  bool runningView(HWND main) { return pageVisible(main, "#accstatuscontainer"); }
  bool idleView(HWND main) { return pageVisible(main, "#startacccontainer") && !runningView(main); }

  void startAndWaitForRunning(HWND main) {
    ASSERT_TRUE(clickElement(main, "#btnstartacc", [&] { return pageVisible(main, "#accingcontainer") || runningView(main); }));
    ASSERT_TRUE(waitUntil([&] { return runningView(main); }, 60000)) << "the acceleration never ran";
  }

  // The node's row, then the choice button.
  void chooseNode(HWND main, const WorldNode& node) {
    const std::string row = "tr[value=\"" + std::to_string(node.id) + "\"]";
    ASSERT_TRUE(clickElement(main, row, [&] {
      const auto item = pageItem(main, row);
      return item && (item->state & htmlayout::STATE_CURRENT) != 0;
    }));
    ASSERT_TRUE(clickElement(main, "#btnchecknode", [&] { return pageText(main, "#txtcurrentnode") == node.name; }));
  }

  // Logs in, takes the node of that id, the game and the voice application,
  // and starts; `main` is the main window, showing the traffic view.
  void accelerateThrough(int nodeId, HWND& main) {
    main = mainWindowWithLatencies();
    ASSERT_NE(main, nullptr) << "no main window with every node's latency";
    const auto node = std::find_if(nodes_.begin(), nodes_.end(), [&](const WorldNode& n) { return n.id == nodeId; });
    ASSERT_NE(node, nodes_.end()) << "no node " << nodeId << " in " << world_->dataFile;
    ASSERT_NO_FATAL_FAILURE(chooseNode(main, *node));
    ASSERT_NO_FATAL_FAILURE(chooseGameAndVoice(main));
    ASSERT_NO_FATAL_FAILURE(startAndWaitForRunning(main));
  }

  void cut(const std::string& address) {
    killed_.push_back(address);
    EXPECT_EQ(relayCommand("kill " + address), "ok");
  }

  std::optional<TestWorld> world_;
  std::vector<WorldNode> nodes_;
  std::vector<std::string> killed_;
  const WorldNode* chosen_ = nullptr;
};

}  // namespace kestro::test
