#include "ui/main/game_entry.h"

#include <string>

#include "ui/main/main_window_texts.h"

namespace kestro {

void appendGameEntry(htmlayout::dom::element list, const GameRecord& game) {
  htmlayout::dom::element entry = htmlayout::dom::element::create("div");
  htmlayout::dom::element link = htmlayout::dom::element::create("widget", game.name);
  link.set_attribute("id", L"game" + std::to_wstring(game.id));
  link.set_attribute("class", L"textlink");
  link.set_attribute("title", gameTooltip(game));
  entry.append(link);
  list.append(entry);
}

}  // namespace kestro
