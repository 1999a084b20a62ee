// What each endpoint of the reference service answers, apart from HTTP: a form
// (already decoded) in, a JSON document out.
#pragma once

#include <map>
#include <string>

#include <nlohmann/json.hpp>

namespace kestro::reference {

using Form = std::multimap<std::string, std::string>;

// login.php: "newversion" below the configured client version, else "authed"
// and, for a known user with the right password, the account's members.
nlohmann::json answerLogin(const nlohmann::json& data, const Form& form, const std::string& remoteAddress);
// node.php: every node's catalogue members.
nlohmann::json answerNodes(const nlohmann::json& data);
// game.php?type=N: the games open to accounts of type N.
nlohmann::json answerGames(const nlohmann::json& data, const std::string& type);
// acc.php: the node's address and port and the routes of the game and voice
// application, or an "error" text (unknown user, expired account, unknown node or game).
nlohmann::json answerAcceleration(const nlohmann::json& data, const Form& form, const std::string& now);
// announce.php: ids and titles.
nlohmann::json answerAnnouncements(const nlohmann::json& data);

}  // namespace kestro::reference
