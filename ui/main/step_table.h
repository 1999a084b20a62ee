// The tables of steps that the acceleration panel and the diagnosis page fill
// from their workers' reports: a row per step with an arrow, the title (and
// later a detail paragraph) and a status picture, and at the end a row with a
// picture button (retry, back).
#pragma once

#include <string>

#include "htmlayout/dom.h"

namespace kestro::steptable {

// A table with the id `id` and a header row of three empty cells, which gives
// the fixed layout its column widths: a narrow arrow, the text, the picture.
htmlayout::dom::element create(const wchar_t* id);

// Appends a step row: arrow, `title`, the running picture (LOADING.GIF).
void appendStep(htmlayout::dom::element& table, const std::wstring& title);

// The status picture of the last row; invalid for the header and button rows.
htmlayout::dom::element lastStatus(const htmlayout::dom::element& table);

// Gives the last row the status `picture` and, with a `detailClass`, appends a
// paragraph of that class holding `detail`; nothing when the last row is not a step.
void markLast(const htmlayout::dom::element& table, const wchar_t* picture, const wchar_t* detailClass = nullptr,
              const std::wstring& detail = {});

// The detail paragraph of a step row, if it has one.
htmlayout::dom::element detailOf(const htmlayout::dom::element& row);

// Appends a row whose middle cell holds the 125 x 40 picture button `id`.
void appendButtonRow(htmlayout::dom::element& table, const wchar_t* id, const wchar_t* picture);

}  // namespace kestro::steptable
