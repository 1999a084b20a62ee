// Applying declarations to a computed style: value parsing for lengths,
// colours, urls and keywords, and the shorthands the pages use.
#pragma once

#include <optional>
#include <string_view>

#include "htmlayout/style.h"

namespace htmlayout {

std::optional<color> parse_color(std::wstring_view text);
// "12px", "50%", "1.5em" (against `font_size`), "0", "auto".
std::optional<length> parse_length(std::wstring_view text, int font_size);
// A whole number of pixels in an attribute ("width", "height", "colspan"),
// cut to 0..kMaxCssNumber; 0 for text that is not a number.
int parse_pixel_attribute(std::wstring_view text);
// The address inside url(...), quotes removed.
std::wstring parse_url(std::wstring_view text);

// Applies one property; unknown properties and bad values are ignored and
// false is returned. `parent` is for "inherit" and em units of font-size.
bool apply_property(computed_style& style, std::string_view name, std::wstring_view value, const computed_style& parent);

// Names of display values, for the program's style queries.
const wchar_t* display_name(display_t d);

}  // namespace htmlayout
