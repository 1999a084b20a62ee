// A text dump of the laid-out boxes, one element or text fragment a line, in
// view coordinates: what the golden layout tests compare.
#pragma once

#include <string>

#include "htmlayout/display_scale.h"
#include "htmlayout/document.h"

namespace htmlayout {

// At a scale other than 96 DPI the places are the device pixels they are drawn at.
std::string dump_boxes(document& doc, const display_scale& scale = {});

}  // namespace htmlayout
