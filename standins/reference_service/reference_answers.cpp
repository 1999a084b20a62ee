#include "standins/reference_service/reference_answers.h"

#include <cstdlib>

namespace kestro::reference {
namespace {

std::string field(const Form& form, const std::string& name) {
  const auto it = form.find(name);
  return it == form.end() ? std::string() : it->second;
}

// A decimal form value; anything else is -1, which no record carries.
long number(const std::string& text) {
  if (text.empty() || text.size() > 9) return -1;
  char* end = nullptr;
  const long value = std::strtol(text.c_str(), &end, 10);
  return *end == '\0' ? value : -1;
}

const nlohmann::json* findBy(const nlohmann::json& list, const char* key, const nlohmann::json& value) {
  for (const auto& entry : list)
    if (entry.value(key, nlohmann::json()) == value) return &entry;
  return nullptr;
}

const nlohmann::json* findAccount(const nlohmann::json& data, const std::string& userName) {
  return findBy(data["accounts"], "username", userName);
}

void appendRoutes(nlohmann::json& routes, const nlohmann::json& entry) {
  for (const auto& route : entry.value("routes", nlohmann::json::array()))
    routes.push_back({{"ipaddr", route.value("ipaddr", "")}, {"ipmask", route.value("ipmask", 32)}});
}

}  // namespace

nlohmann::json answerLogin(const nlohmann::json& data, const Form& form, const std::string& remoteAddress) {
  if (number(field(form, "clientver")) < data["clientversion"].get<long>())
    return {{"newversion", true}, {"authed", false}};
  const nlohmann::json* account = findAccount(data, field(form, "username"));
  if (account == nullptr || account->value("password", "") != field(form, "password"))
    return {{"newversion", false}, {"authed", false}};
  return {{"newversion", false},
          {"authed", true},
          {"accounttype", account->value("accounttype", 0)},
          {"accountstatus", account->value("accountstatus", 0)},
          {"expiredate", account->value("expiredate", "")},
          {"leavedays", account->value("leavedays", 0)},
          {"ipaddress", remoteAddress},
          {"ipname", account->value("ipname", "")}};
}

nlohmann::json answerNodes(const nlohmann::json& data) {
  nlohmann::json nodes = nlohmann::json::array();
  for (const auto& node : data["nodes"]) {
    nodes.push_back({{"nid", node.value("nid", 0)},
                     {"nodename", node.value("nodename", "")},
                     {"nodeip", node.value("nodeip", "")},
                     {"nodeprovinceid", node.value("nodeprovinceid", 0)},
                     {"nodeispid", node.value("nodeispid", 0)},
                     {"province", node.value("province", "")},
                     {"ispname", node.value("ispname", "")},
                     {"nodeload", node.value("nodeload", 0.0)}});
  }
  return nodes;
}

nlohmann::json answerGames(const nlohmann::json& data, const std::string& type) {
  nlohmann::json games = nlohmann::json::array();
  const long accountType = number(type);
  for (const auto& game : data["games"]) {
    bool open = false;
    for (const auto& allowed : game.value("accounttypes", nlohmann::json::array()))
      open = open || (allowed.is_number_integer() && allowed.get<long>() == accountType);
    if (!open) continue;
    games.push_back({{"id", game.value("id", 0)},
                     {"gameportid", game.value("gameportid", 0)},
                     {"gamename", game.value("gamename", "")},
                     {"pyname", game.value("pyname", "")},
                     {"enname", game.value("enname", "")},
                     {"url", game.value("url", "")},
                     {"vendor", game.value("vendor", "")}});
  }
  return games;
}

nlohmann::json answerAcceleration(const nlohmann::json& data, const Form& form, const std::string& now) {
  const nlohmann::json* account = findAccount(data, field(form, "username"));
  if (account == nullptr) return {{"error", "用户不存在"}};
  if (account->value("expired", false)) return {{"error", "您的账户已过期，请续费后再使用加速服务"}};
  const nlohmann::json* node = findBy(data["nodes"], "nid", number(field(form, "nodeid")));
  if (node == nullptr) return {{"error", "所选节点不存在或已停用，请刷新节点列表"}};
  const nlohmann::json* game = findBy(data["games"], "id", number(field(form, "gameid")));
  if (game == nullptr) return {{"error", "所选游戏不存在，请刷新游戏列表"}};
  nlohmann::json routes = nlohmann::json::array();
  appendRoutes(routes, *game);
  if (const nlohmann::json* voice = findBy(data["voices"], "id", number(field(form, "voiceid"))))
    appendRoutes(routes, *voice);
  return {{"error", ""},
          {"nodeip", node->value("nodeip", "")},
          {"nodeport", node->value("nodeport", 0)},
          {"routeip", routes},
          {"servertime", data.value("servertime", now)}};
}

nlohmann::json answerAnnouncements(const nlohmann::json& data) {
  nlohmann::json list = nlohmann::json::array();
  for (const auto& entry : data["announcements"])
    list.push_back({{"id", entry.value("id", 0)}, {"articletitle", entry.value("articletitle", "")}});
  return list;
}

}  // namespace kestro::reference
