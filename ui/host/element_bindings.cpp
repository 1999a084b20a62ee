#include "ui/host/element_bindings.h"

namespace kestro {

void ElementBindings::bind(const htmlayout::dom::element& root, std::span<const std::wstring_view> ids) {
  clear();
  elements_.reserve(ids.size());
  for (std::wstring_view id : ids) {
    htmlayout::dom::find_first_callback found;
    root.visit_elements(found, "", "id", id);
    elements_.emplace_back(found.hfound);
  }
}

void ElementBindings::clear() {
  while (!elements_.empty()) elements_.pop_back();
}

size_t ElementBindings::indexOf(htmlayout::HELEMENT he) const {
  if (he == nullptr) return elements_.size();
  for (size_t i = 0; i < elements_.size(); ++i)
    if (static_cast<htmlayout::HELEMENT>(elements_[i]) == he) return i;
  return elements_.size();
}

}  // namespace kestro
