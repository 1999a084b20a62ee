// A grid whose column click sorts the rows below the header by that column,
// ascending; the clicked header cell keeps the checked state (the page draws
// an arrow on it), and clicking it again changes nothing.
#pragma once

#include <string>

#include "ui/behaviors/grid.h"

namespace htmlayout {

class sortable_grid : public grid {
 public:
  sortable_grid() : grid("sortable-grid") {}

  void on_column_click(dom::element table, dom::element cell) override;

  // Orders two rows by their cells in one column.
  class row_sorter {
   public:
    explicit row_sorter(int column) : column_(column) {}
    // -1, 0 or 1 as row `a` sorts before, with or after row `b`.
    int operator()(HELEMENT a, HELEMENT b) const;

    // The sort key of a cell: its "value", else its attribute "-value", else
    // its style "-value", else "-1314".
    static std::wstring key_of(dom::element cell);
    // A key as a decimal integer; text that is not a number gives 0.
    static int64_t number_of(const std::wstring& key);

   private:
    int column_;
  };
};

}  // namespace htmlayout
