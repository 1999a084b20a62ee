// A text dump of the laid-out boxes, one element or text fragment a line, in
// view coordinates: what the golden layout tests compare.
#pragma once

#include <string>

#include "htmlayout/document.h"

namespace htmlayout {

std::string dump_boxes(document& doc);

}  // namespace htmlayout
