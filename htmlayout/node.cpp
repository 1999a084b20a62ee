#include "htmlayout/node.h"

#include <algorithm>

namespace htmlayout {

const std::wstring* element_node::attribute(std::string_view name) const {
  for (const auto& [n, v] : attributes)
    if (n == name) return &v;
  return nullptr;
}

void element_node::set_attribute(std::string_view name, std::wstring_view v) {
  for (auto& [n, old] : attributes)
    if (n == name) { old = v; return; }
  attributes.emplace_back(std::string(name), std::wstring(v));
}

bool element_node::remove_attribute(std::string_view name) {
  auto it = std::find_if(attributes.begin(), attributes.end(), [&](const auto& a) { return a.first == name; });
  if (it == attributes.end()) return false;
  attributes.erase(it);
  return true;
}

bool element_node::has_class(std::wstring_view cls) const {
  const std::wstring* all = attribute("class");
  if (!all || cls.empty()) return false;
  std::wstring_view rest = *all;
  while (!rest.empty()) {
    size_t start = rest.find_first_not_of(L" \t\r\n");
    if (start == std::wstring_view::npos) break;
    rest.remove_prefix(start);
    size_t end = rest.find_first_of(L" \t\r\n");
    if (rest.substr(0, end) == cls) return true;
    if (end == std::wstring_view::npos) break;
    rest.remove_prefix(end);
  }
  return false;
}

int element_node::index_in_parent() const {
  if (!parent) return -1;
  auto& sibs = parent->children;
  return static_cast<int>(std::find(sibs.begin(), sibs.end(), this) - sibs.begin());
}

bool element_node::has_handler(std::string_view name) const {
  for (const auto& h : handlers)
    if (h.name == name) return true;
  return false;
}

void retain(HELEMENT node) {
  if (node) ++node->refs;
}

void release(HELEMENT node) {
  if (!node || --node->refs > 0) return;
  // Iterative, so that deep trees cannot exhaust the stack.
  std::vector<HELEMENT> doomed{node};
  while (!doomed.empty()) {
    HELEMENT n = doomed.back();
    doomed.pop_back();
    for (HELEMENT c : n->children) {
      c->parent = nullptr;
      if (--c->refs == 0) doomed.push_back(c);
    }
    delete n;
  }
}

HELEMENT make_element(std::string_view tag) {
  auto* n = new element_node;
  n->tag = ascii_lower(tag);
  return n;
}

HELEMENT make_text(std::wstring_view text) {
  auto* n = new element_node;
  n->is_text = true;
  n->text = text;
  return n;
}

static void set_doc(HELEMENT node, document* doc) {
  std::vector<HELEMENT> todo{node};
  while (!todo.empty()) {
    HELEMENT n = todo.back();
    todo.pop_back();
    n->doc = doc;
    todo.insert(todo.end(), n->children.begin(), n->children.end());
  }
}

void insert_child(HELEMENT parent, HELEMENT child, size_t index) {
  if (!parent || !child || child == parent) return;
  retain(child);
  detach(child);
  index = std::min(index, parent->children.size());
  parent->children.insert(parent->children.begin() + static_cast<long>(index), child);
  child->parent = parent;
  if (child->doc != parent->doc) set_doc(child, parent->doc);
}

void append_child(HELEMENT parent, HELEMENT child) { insert_child(parent, child, SIZE_MAX); }

void detach(HELEMENT node) {
  if (!node || !node->parent) return;
  auto& sibs = node->parent->children;
  sibs.erase(std::find(sibs.begin(), sibs.end(), node));
  node->parent = nullptr;
  set_doc(node, nullptr);
  release(node);
}

std::wstring inner_text(HELEMENT node) {
  if (!node) return {};
  if (node->is_text) return node->text;
  std::wstring out;
  for (HELEMENT c : node->children) out += inner_text(c);
  return out;
}

void set_inner_text(HELEMENT node, std::wstring_view text) {
  if (!node) return;
  if (node->is_text) { node->text = text; return; }
  while (!node->children.empty()) detach(node->children.back());
  if (!text.empty()) append_child(node, make_text(text));
}

std::string ascii_lower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

}  // namespace htmlayout

