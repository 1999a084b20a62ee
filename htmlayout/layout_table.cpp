// Fixed table layout: column widths come from the first row's cells (pixels
// or percentages of the table); columns without a width share what is left.
#include <algorithm>

#include "htmlayout/css_values.h"
#include "htmlayout/layout.h"

namespace htmlayout {
namespace {

bool shown(HELEMENT el) { return !el->is_text && el->style.display != display_t::NONE; }

std::vector<HELEMENT> cells_of(HELEMENT row) {
  std::vector<HELEMENT> out;
  for (HELEMENT c : row->children)
    if (shown(c) && !is_out_of_flow(c)) out.push_back(c);
  return out;
}

int span_of(HELEMENT cell) {
  const std::wstring* s = cell->attribute("colspan");
  return s ? std::clamp(parse_pixel_attribute(*s), 1, 1000) : 1;
}

}  // namespace

void layout_table(layout_context& ctx, HELEMENT table, int left, int top, int content_width, int& content_height) {
  // Rows directly in the table or inside row groups.
  std::vector<std::pair<HELEMENT, HELEMENT>> rows;  // row, its group (or null)
  for (HELEMENT c : table->children) {
    if (!shown(c)) continue;
    if (c->style.display == display_t::TABLE_ROW_GROUP) {
      for (HELEMENT r : c->children)
        if (shown(r)) rows.emplace_back(r, c);
    } else if (c->style.display == display_t::TABLE_ROW) {
      rows.emplace_back(c, nullptr);
    }
  }
  size_t ncols = 0;
  for (auto& [row, group] : rows) {
    size_t n = 0;
    for (HELEMENT cell : cells_of(row)) n += span_of(cell);
    ncols = std::max(ncols, n);
  }
  std::vector<int> widths(ncols, -1);
  if (!rows.empty()) {
    size_t col = 0;
    for (HELEMENT cell : cells_of(rows.front().first)) {
      const computed_style& s = cell->style;
      int span = span_of(cell);
      if (!s.width.is_auto() && span == 1 && col < ncols)
        widths[col] = s.width.resolve(content_width, 0) + (s.width.kind == length::PX ? s.padding[1] + s.padding[3] + s.border[1] + s.border[3] : 0);
      col += span;
    }
  }
  int fixed = 0, open = 0;
  for (int w : widths) { if (w >= 0) fixed += w; else ++open; }
  int share = open ? std::max(0, content_width - fixed) / open : 0;
  int extra = open ? std::max(0, content_width - fixed) - share * open : 0;
  for (int& w : widths) if (w < 0) { w = share + (extra > 0 ? 1 : 0); extra = std::max(0, extra - 1); }

  int y = top;
  HELEMENT current_group = nullptr;
  int group_top = 0;
  auto close_group = [&] {
    if (!current_group) return;
    current_group->box = layout_box{left, group_top, content_width, y - group_top};
    current_group = nullptr;
  };
  for (auto& [row, group] : rows) {
    if (group != current_group) {
      close_group();
      current_group = group;
      group_top = y;
    }
    int x = 0, col = 0, row_h = 0;
    std::vector<HELEMENT> cells = cells_of(row);
    for (HELEMENT cell : cells) {
      int span = span_of(cell), w = 0;
      for (int k = 0; k < span && col < static_cast<int>(ncols); ++k) w += widths[col++];
      layout_block(ctx, cell, w, -1);
      cell->box.x = x;
      cell->box.y = 0;
      x += w;
      // A cell's height is a least height: content taller than it makes the row taller.
      const computed_style& cs = cell->style;
      const int needed = cell->box.content_height + cs.padding[0] + cs.padding[2] + cs.border[0] + cs.border[2];
      row_h = std::max({row_h, cell->box.height, needed});
    }
    if (!row->style.height.is_auto()) row_h = std::max(row_h, row->style.height.resolve(-1, 0));
    for (HELEMENT cell : cells) {
      const computed_style& cs = cell->style;
      int gap = row_h - (cell->box.content_height + cs.padding[0] + cs.padding[2] + cs.border[0] + cs.border[2]);
      if (cell->style.vertical_align == valign_t::MIDDLE) shift_content(cell, gap / 2);
      else if (cell->style.vertical_align == valign_t::BOTTOM) shift_content(cell, gap);
      cell->box.height = row_h;
    }
    row->box.fragments.clear();
    row->box.x = group ? 0 : left;
    row->box.y = group ? y - group_top : y;
    row->box.width = content_width;
    row->box.height = row_h;
    y = advanced(y, row_h);
  }
  close_group();
  content_height = y - top;
}

}  // namespace htmlayout
