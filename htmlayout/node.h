// One node of the element tree: an element or a run of text. Nodes are kept
// alive by reference counts, so handles held by the program stay valid after
// the node leaves the tree (it is then detached and ignored by the document).
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "htmlayout/style.h"
#include "htmlayout/types.h"

namespace htmlayout {

class document;
class event_handler;

// A piece of text or an atomic inline box placed on a line of a block.
struct line_fragment {
  HELEMENT owner = nullptr;  // the text node, or the inline-block element
  int x = 0, y = 0, width = 0, height = 0, baseline = 0;
  size_t start = 0, count = 0;  // characters of the owner's text
};

struct layout_box {
  int x = 0, y = 0;          // border box, relative to the parent's border box
  int width = 0, height = 0;
  int content_height = 0;    // height of the content, for scrolling
  int scroll_top = 0;
  bool scrollbar = false;    // a vertical scroll bar takes room on the right
  std::vector<line_fragment> fragments;  // inline content placed in this block
};

struct attached_handler {
  event_handler* handler = nullptr;
  unsigned subscription = 0;
  std::string name;
};

struct element_node {
  document* doc = nullptr;
  element_node* parent = nullptr;
  std::vector<element_node*> children;  // each child holds one reference of its parent
  bool is_text = false;
  std::string tag;                       // lower case; empty for text
  std::wstring text;                     // the text of a text node
  std::vector<std::pair<std::string, std::wstring>> attributes;
  std::vector<std::pair<std::string, std::string>> runtime_styles;  // set by the program
  std::vector<std::pair<std::string, std::string>> custom_styles;   // cascaded "-name" properties
  unsigned state = 0;
  int refs = 0;
  unsigned value_revision = 0;  // bumped when a control's value changes
  computed_style style;
  layout_box box;
  std::vector<attached_handler> handlers;

  const std::wstring* attribute(std::string_view name) const;
  void set_attribute(std::string_view name, std::wstring_view value);
  bool remove_attribute(std::string_view name);
  bool has_class(std::wstring_view cls) const;
  bool is_element() const { return !is_text; }
  int index_in_parent() const;
  bool has_handler(std::string_view name) const;
};

void retain(HELEMENT node);
void release(HELEMENT node);  // frees the node and its subtree when the last reference goes

HELEMENT make_element(std::string_view tag);
HELEMENT make_text(std::wstring_view text);

// Tree edits; the parent takes (or drops) one reference of the child.
void append_child(HELEMENT parent, HELEMENT child);
void insert_child(HELEMENT parent, HELEMENT child, size_t index);  // index past the end appends
void detach(HELEMENT node);

// Concatenated text of all text nodes below `node`.
std::wstring inner_text(HELEMENT node);
void set_inner_text(HELEMENT node, std::wstring_view text);

// The lower-case ASCII form of `s`.
std::string ascii_lower(std::string_view s);

}  // namespace htmlayout
