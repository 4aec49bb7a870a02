// Where a form's labels, inputs and buttons lie: on the character grid, then in pixels of the
// current font's cell; and the scrolling of a form larger than its window.
#pragma once

#include <cstdint>

#include "runtime/strref.h"
#include "ui/form_definition.h"

namespace rt {

// Lays the fields out on the character grid and sets form.grid, form.okRow and form.okCol.
// Default layout: the input column is the longest label plus 1; field n lies on row
// lineCount + n (below the title's fixed lines), its label at column 1; a position in braces
// moves the label (a column given puts the input right after the label), "/ROW" and "/COL" set
// the input's row and column. Line layout (flag 0x80): every input on one row, the first at the
// input column, each next one at the previous one's column + cells + 1, labels on the row above
// their inputs. Positions are kept between 1 and kMaxGridPosition.
// The grid takes the size the fields need (the "Ok" button on its last row); margins 2, 1, 2, 2
// unless flag 0x01 keeps those of `current`; with flag 0x40 the option SCREENSIZE$ (columns,
// rows, four margins, line spacing; a missing entry takes what the fields need, -1 the current
// value) applies, but never shrinks the grid below what the fields need.
// logicalAsButton is bit 16 of _AUXSTAT. 163 (recorded, with the option or "form too large" as
// detail) for a SCREENSIZE$ entry that is not a number in range, for fields that pass column or
// row kMaxGridPosition, or a grid whose fixed-text ids would pass 0xFFFF.
ErrCode FormLayout(Form& form, uint16_t flags, bool logicalAsButton, const FormGrid& current);

// Control id of a fixed text (a label or a title line) at (row, col): 4300 + col + row x columns.
// A new text at the same place replaces the old control.
uint16_t FixedTextId(const FormGrid& grid, uint16_t row, uint16_t col);

// The character cell of the window layer's top font.
struct CellMetrics {
    uint16_t cellWidth = 0;
    uint16_t lineHeight = 0;
    uint16_t fontHeight = 0;
};

struct PixelRect {
    int32_t x = 0, y = 0, width = 0, height = 0;
};

// Pixels from one row to the next: line height x (100 + spacing) / 100.
int32_t RowPitch(const FormGrid& grid, const CellMetrics& cell);
// Client-area rectangle of `cells` columns at (row, col), one line high; the grid's first
// margins come before column 1 and row 1.
PixelRect GridRect(const FormGrid& grid, const CellMetrics& cell, uint16_t row, uint16_t col, uint16_t cells);
// The input control: max(cells x cell width, 15) wide and one line high; an edit-like control
// (drawn with a sunken edge) is moved a quarter cell left and at most font height + 8 high; a
// combo box is 5 lines high with its list.
PixelRect FieldInputRect(const FormGrid& grid, const CellMetrics& cell, const FormField& field);
// True for the controls drawn with a sunken edge (WS_EX_CLIENTEDGE).
bool HasSunkenEdge(FieldControl control);
// The "..." button: 2 cells wide, one line high, half a cell right of the input.
PixelRect FieldButtonRect(const FormGrid& grid, const CellMetrics& cell, const FormField& field);
// The label: its text's cells at its place, ending where its own input begins on the same row.
PixelRect FieldLabelRect(const FormGrid& grid, const CellMetrics& cell, const FormField& field);
// The "Ok" button: 12 columns wide and one line high on the grid's last row.
PixelRect OkButtonRect(const Form& form, const CellMetrics& cell);
// Width and height of the whole grid with its margins, each at most 0xFFFF.
PixelRect FormClientRect(const FormGrid& grid, const CellMetrics& cell);

// Scroll requests, numbered as the window system numbers them.
inline constexpr uint16_t kScrollLineUp = 0;
inline constexpr uint16_t kScrollLineDown = 1;
inline constexpr uint16_t kScrollPageUp = 2;
inline constexpr uint16_t kScrollPageDown = 3;
inline constexpr uint16_t kScrollThumbPosition = 4;
inline constexpr uint16_t kScrollThumbTrack = 5;
inline constexpr uint16_t kScrollTop = 6;
inline constexpr uint16_t kScrollBottom = 7;
inline constexpr uint16_t kScrollLinePixels = 2;

// The highest scroll position of a bar: content - visible, or 0 (no bar) when it fits.
int32_t ScrollRange(int32_t content, int32_t visible);
// The new position for a request: lines move 2 pixels, pages `page` pixels (a line height or a
// cell width), the thumb follows `track`, top and bottom go to the ends; any other request keeps
// the position. Always within 0..range.
int32_t ScrollStep(int32_t position, int32_t range, uint16_t request, int32_t page, int32_t track);
// The position that shows [start, end) (content pixels) in a window of `visible` pixels with as
// little movement as possible, within 0..range; used when the focus moves to a hidden field.
int32_t ScrollToShow(int32_t position, int32_t visible, int32_t range, int32_t start, int32_t end);

}  // namespace rt
