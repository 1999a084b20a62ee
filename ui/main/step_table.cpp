#include "ui/main/step_table.h"

namespace kestro::steptable {

namespace {

using htmlayout::dom::element;

element imageCell(const wchar_t* source) {
  element cell = element::create("td");
  element image = element::create("img");
  image.set_attribute("src", source);
  cell.append(image);
  return cell;
}

element lastRow(const element& table) {
  const unsigned count = table.children_count();
  return count == 0 ? element() : table.child(count - 1);
}

}  // namespace

element create(const wchar_t* id) {
  element table = element::create("table");
  table.set_attribute("id", id);
  table.set_attribute("fixlayout", L"true");
  element header = element::create("tr");
  for (const wchar_t* width : {L"30px", L"", L"40px"}) {
    element cell = element::create("th");
    if (*width != L'\0') cell.set_style_attribute("width", width);
    header.append(cell);
  }
  table.append(header);
  return table;
}

void appendStep(element& table, const std::wstring& title) {
  element row = element::create("tr");
  row.append(imageCell(L"ARROW.PNG"));
  row.append(element::create("td", title));
  row.append(imageCell(L"LOADING.GIF"));
  table.append(row);
}

element lastStatus(const element& table) {
  const element row = lastRow(table);
  if (!row.is_valid() || row.children_count() < 3) return {};
  return row.child(2).child(0);
}

void markLast(const element& table, const wchar_t* picture, const wchar_t* detailClass, const std::wstring& detail) {
  // Only a step row takes a verdict; the header and a button row stay as they are.
  element status = lastStatus(table);
  if (!status.is_valid()) return;
  status.set_attribute("src", picture);
  if (detailClass == nullptr) return;
  const element row = lastRow(table);
  element paragraph = element::create("p", detail);
  paragraph.set_attribute("class", detailClass);
  row.child(1).append(paragraph);
}

element detailOf(const element& row) {
  if (row.children_count() < 3) return {};
  return row.child(1).find_first(L":root>p");
}

void appendButtonRow(element& table, const wchar_t* id, const wchar_t* picture) {
  element row = element::create("tr");
  for (int cell = 0; cell < 3; ++cell) row.append(element::create("td"));
  element button = element::create("widget");
  button.set_attribute("id", id);
  button.set_style_attribute("behavior", L"button");
  button.set_style_attribute("background", std::wstring(L"url(") + picture + L")");
  button.set_style_attribute("cursor", L"pointer");
  button.set_style_attribute("width", L"125px");
  button.set_style_attribute("height", L"40px");
  button.set_style_attribute("margin-left", L"170px");
  button.set_style_attribute("margin-top", L"20px");
  row.child(1).append(button);
  table.append(row);
}

}  // namespace kestro::steptable
