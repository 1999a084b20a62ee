#include "ui/behaviors/sortable_grid.h"

#include <cwchar>

namespace htmlayout {
namespace {

// Cells without a key of their own share this one; when both have it, their texts decide.
constexpr wchar_t kNoKey[] = L"-1314";

}  // namespace

std::wstring sortable_grid::row_sorter::key_of(dom::element cell) {
  if (cell.has_attribute("value")) return cell.get_attribute("value");
  // The node table keys its load cells with an element attribute of this name
  // ("100.00%" must sort after "5.00%"); a style sheet may set it as well.
  if (cell.has_attribute("-value")) return cell.get_attribute("-value");
  std::wstring style_key = cell.get_style_attribute("-value");
  return style_key.empty() ? kNoKey : style_key;
}

int64_t sortable_grid::row_sorter::number_of(const std::wstring& key) {
  // wcstoll saturates instead of overflowing and gives 0 for text without digits.
  return std::wcstoll(key.c_str(), nullptr, 10);
}

int sortable_grid::row_sorter::operator()(HELEMENT a, HELEMENT b) const {
  // A row without a cell in this column sorts as a cell without key and text.
  dom::element cell_a = dom::element(a).child(static_cast<unsigned>(column_));
  dom::element cell_b = dom::element(b).child(static_cast<unsigned>(column_));
  std::wstring key_a = cell_a.is_valid() ? key_of(cell_a) : kNoKey;
  std::wstring key_b = cell_b.is_valid() ? key_of(cell_b) : kNoKey;
  if (key_a == kNoKey && key_b == kNoKey) {
    std::wstring text_a = cell_a.text(), text_b = cell_b.text();
    return text_a < text_b ? -1 : text_b < text_a ? 1 : 0;
  }
  int64_t na = number_of(key_a), nb = number_of(key_b);
  return na < nb ? -1 : nb < na ? 1 : 0;
}

void sortable_grid::on_column_click(dom::element table, dom::element cell) {
  grid::on_column_click(table, cell);
  if (!cell.is_valid() || cell.get_state(STATE_CHECKED)) return;
  for (auto& sorted : table.find_all(L"th:checked")) sorted.set_state(0, STATE_CHECKED);
  cell.set_state(STATE_CHECKED);
  dom::element current = current_row(table);
  table.sort(static_cast<unsigned>(fixed_rows(table)), 0x7FFFFFFF, row_sorter(cell.index()));
  if (current.is_valid()) current.scroll_to_view();
}

}  // namespace htmlayout
