// The page elements a window keeps, found by id in a fixed order. Each kept
// element holds one engine reference; they are let go in the reverse order
// of binding.
#pragma once

#include <span>
#include <string_view>
#include <vector>

#include "htmlayout/dom.h"

namespace kestro {

class ElementBindings {
 public:
  ElementBindings() = default;
  ~ElementBindings() { clear(); }
  ElementBindings(const ElementBindings&) = delete;
  ElementBindings& operator=(const ElementBindings&) = delete;

  // Finds the first element with each id under `root`, in the order given; an
  // id that is not on the page keeps a null element.
  void bind(const htmlayout::dom::element& root, std::span<const std::wstring_view> ids);
  // Releases every element, last bound first.
  void clear();

  const htmlayout::dom::element& operator[](size_t index) const { return elements_.at(index); }
  size_t size() const { return elements_.size(); }
  // The index of `he` among the bound elements, or size() when it is none of them.
  size_t indexOf(htmlayout::HELEMENT he) const;

 private:
  std::vector<htmlayout::dom::element> elements_;
};

}  // namespace kestro
