// One entry of the game panel's list: a link with the game's name, id
// "game<id>" and the tooltip of its names, vendor and site.
#pragma once

#include "app/catalogue_records.h"
#include "htmlayout/dom.h"

namespace kestro {

void appendGameEntry(htmlayout::dom::element list, const GameRecord& game);

}  // namespace kestro
