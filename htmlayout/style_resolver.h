// The cascade: user-agent rules, the page's style sheets, the style attribute
// and the style attributes the program sets at run time, ordered by
// importance, specificity and source order; inherited properties flow down.
#pragma once

#include <vector>

#include "htmlayout/css_parser.h"
#include "htmlayout/node.h"

namespace htmlayout {

// The engine's own rules (display of block elements, form controls, stock behaviors).
const style_sheet& user_agent_sheet();

// Computes `style` and `custom_styles` of every element under `root`; true
// when a property that places or sizes boxes changed.
bool resolve_styles(HELEMENT root, const std::vector<style_sheet>& sheets);
// Styles `el` and its descendants again from its parent's style (the rest of
// the tree is up to date); true when a box may have moved.
bool restyle_subtree(HELEMENT el, HELEMENT root, const std::vector<style_sheet>& sheets);

}  // namespace htmlayout
