// Grid layout of a form's fields, their pixel rectangles, and the scroll arithmetic.
#include "ui/form_layout.h"

#include <algorithm>

#include "runtime/error_record.h"
#include "runtime/errors.h"
#include "runtime/temp_pool.h"
#include "runtime/text_list.h"
#include "runtime/text_ops.h"

namespace rt {
namespace {

constexpr uint16_t kDefaultMargins[4] = {2, 1, 2, 2};
constexpr uint16_t kOkColumns = 12;
constexpr uint16_t kButtonColumns = 3;  // half a cell of gap and the 2-cell "..." button
constexpr uint16_t kMaxMargin = 99;
constexpr uint16_t kMaxSpacing = 400;

ErrCode Refuse(StrRef detail) {
    RecordError(kErrBadInput, kModScreens);
    return ReportError(kErrBadInput, detail);
}

uint16_t Clamp(int32_t v) { return static_cast<uint16_t>(std::clamp<int32_t>(v, 1, kMaxGridPosition)); }

int32_t Apply(const GridRequest& r, int32_t deflt) {
    switch (r.kind) {
    case GridRequest::Add: return deflt + r.value;
    case GridRequest::Absolute: return r.value;
    default: return deflt;
    }
}

FieldControl ControlOf(char type, bool logicalAsButton) {
    switch (type) {
    case 'Q': return FieldControl::None;
    case 'P': return FieldControl::Password;
    case 'L': return logicalAsButton ? FieldControl::CheckButton : FieldControl::EditRight;
    case 'N': case 'O': return FieldControl::EditRight;
    case 'S': return FieldControl::Combo;
    case 'R': return FieldControl::RichText;
    default: return type >= '1' && type <= '9' ? FieldControl::EditRight : FieldControl::Edit;
    }
}

uint16_t CellsOf(const FormField& f) {
    if (f.control == FieldControl::None) return 0;
    if (f.control == FieldControl::CheckButton) return 4;
    if (f.type == 'D') return std::min<uint16_t>(f.width, 8);
    return f.width;
}

// An entry of SCREENSIZE$: *out keeps its value for an empty entry, takes `current` for -1.
bool SizeEntry(StrRef list, uint16_t n, uint16_t current, uint16_t limit, uint16_t* out) {
    const StrRef e = Trim(Field(list, ',', n), kTrimStart | kTrimEnd);
    if (e.len == 0) return true;
    if (e.len == 2 && e.ptr[0] == '-' && e.ptr[1] == '1') {
        *out = current;
        return true;
    }
    uint32_t v = 0;
    for (uint16_t i = 0; i < e.len; ++i) {
        if (e.at(i) < '0' || e.at(i) > '9' || i >= 4) return false;
        v = v * 10 + (e.at(i) - '0');
    }
    if (v > limit) return false;
    *out = static_cast<uint16_t>(v);
    return true;
}

int32_t Sat(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, 0, 0xFFFF)); }

}  // namespace

uint16_t FixedTextId(const FormGrid& grid, uint16_t row, uint16_t col) {
    const uint32_t id = 4300u + col + uint32_t{row} * grid.columns;
    return id > 0xFFFF ? 0xFFFF : static_cast<uint16_t>(id);
}

ErrCode FormLayout(Form& form, uint16_t flags, bool logicalAsButton, const FormGrid& current) {
    uint16_t longest = 0;
    bool anyLabel = false;
    for (uint16_t i = 0; i < form.fieldCount; ++i) {
        longest = std::max(longest, form.fields[i].label.len);
        anyLabel = anyLabel || form.fields[i].label.len > 0;
    }
    const int32_t inputColumn = std::max<int32_t>(int32_t{longest} + 1, 1);
    const bool line = flags & kFormLineLayout;
    const int32_t lineRow = form.lineCount + (anyLabel ? 2 : 1);

    uint32_t columns = kOkColumns, rows = form.lineCount;
    for (uint16_t k = 0; k < form.lineCount; ++k) columns = std::max<uint32_t>(columns, form.lines[k].len);
    int32_t nextCol = inputColumn;
    for (uint16_t i = 0; i < form.fieldCount; ++i) {
        FormField& f = form.fields[i];
        f.control = ControlOf(f.type, logicalAsButton);
        f.cells = CellsOf(f);
        const int32_t defRow = line ? lineRow : form.lineCount + f.number;
        const int32_t defCol = line ? nextCol : inputColumn;
        const int32_t labelShift = line ? -1 : 0;
        int32_t row = Apply(f.rowRequest, defRow);
        int32_t col = defCol, labelCol = line ? defCol : 1;
        if (f.colRequest.kind != GridRequest::Keep) {
            labelCol = Apply(f.colRequest, defCol);
            col = labelCol + f.label.len;
        }
        if (f.fixedRow) row = f.fixedRow;
        if (f.fixedCol) col = f.fixedCol;
        f.row = Clamp(row);
        f.col = Clamp(col);
        f.labelRow = Clamp(row + labelShift);
        f.labelCol = Clamp(labelCol);
        const uint16_t button = f.button != FieldButton::None ? kButtonColumns : 0;
        nextCol = f.col + f.cells + button + 1;
        // The last column each one covers.
        columns = std::max<uint32_t>(columns, uint32_t{f.col} + f.cells + button - 1);
        columns = std::max<uint32_t>(columns, uint32_t{f.labelCol} + f.label.len - 1);
        rows = std::max<uint32_t>(rows, std::max(f.row, f.labelRow));
    }

    // A grid that cannot hold every field would cut some off.
    if (columns > kMaxGridPosition || rows + 2 > kMaxGridPosition) return Refuse(StrFromLiteral("form too large"));
    FormGrid grid;
    const uint16_t* margins = (flags & kFormKeepMargins) ? current.margins : kDefaultMargins;
    std::copy(margins, margins + 4, grid.margins);
    grid.spacing = current.spacing;
    grid.columns = static_cast<uint16_t>(columns);
    grid.rows = static_cast<uint16_t>(rows + 2);  // a free row, then "Ok"
    if (flags & kFormScreenSize) {
        const uint16_t mark = PoolMark();
        const StrRef list = FormOption(form, "SCREENSIZE$");
        FormGrid asked = grid;
        bool good = SizeEntry(list, 1, current.columns, kMaxGridPosition, &asked.columns) &&
                    SizeEntry(list, 2, current.rows, kMaxGridPosition, &asked.rows);
        if (FieldCount(list, ',') > 2) {
            for (uint16_t m = 0; m < 4; ++m) good = good && SizeEntry(list, m + 3, current.margins[m], kMaxMargin, &asked.margins[m]);
            good = good && SizeEntry(list, 7, current.spacing, kMaxSpacing, &asked.spacing);
        }
        if (!good) {
            const ErrCode err = Refuse(list);
            PoolRelease(mark);
            return err;
        }
        PoolRelease(mark);
        // A smaller grid than the fields need would leave fields that nobody can reach.
        asked.columns = std::max(asked.columns, grid.columns);
        asked.rows = std::max(asked.rows, grid.rows);
        grid = asked;
    }
    form.grid = grid;
    form.okRow = grid.rows;
    form.okCol = static_cast<uint16_t>(grid.columns > kOkColumns ? (grid.columns - kOkColumns) / 2 + 1 : 1);

    if (4300u + grid.columns + uint32_t{grid.rows} * grid.columns > 0xFFFF)
        return Refuse(StrFromLiteral("form too large"));
    return 0;
}

int32_t RowPitch(const FormGrid& grid, const CellMetrics& cell) {
    return static_cast<int32_t>(int64_t{cell.lineHeight} * (100 + grid.spacing) / 100);
}

PixelRect GridRect(const FormGrid& grid, const CellMetrics& cell, uint16_t row, uint16_t col, uint16_t cells) {
    PixelRect r;
    r.x = Sat(int64_t{grid.margins[0] + col - 1} * cell.cellWidth);
    r.y = Sat(int64_t{grid.margins[1] + row - 1} * RowPitch(grid, cell));
    r.width = Sat(int64_t{cells} * cell.cellWidth);
    r.height = cell.lineHeight;
    return r;
}

bool HasSunkenEdge(FieldControl control) {
    return control == FieldControl::Edit || control == FieldControl::Password ||
           control == FieldControl::EditRight || control == FieldControl::RichText;
}

PixelRect FieldInputRect(const FormGrid& grid, const CellMetrics& cell, const FormField& field) {
    PixelRect r = GridRect(grid, cell, field.row, field.col, field.cells);
    r.width = std::max<int32_t>(r.width, 15);
    if (HasSunkenEdge(field.control)) {
        r.x -= cell.cellWidth / 4;
        r.height = std::min<int32_t>(r.height, cell.fontHeight + 8);
    }
    if (field.control == FieldControl::Combo) r.height = 5 * cell.lineHeight;
    return r;
}

PixelRect FieldButtonRect(const FormGrid& grid, const CellMetrics& cell, const FormField& field) {
    const PixelRect input = FieldInputRect(grid, cell, field);
    PixelRect r = GridRect(grid, cell, field.row, field.col, 2);
    r.x = input.x + input.width + cell.cellWidth / 2;
    return r;
}

PixelRect FieldLabelRect(const FormGrid& grid, const CellMetrics& cell, const FormField& field) {
    PixelRect r = GridRect(grid, cell, field.labelRow, field.labelCol, field.label.len);
    // The input right after its label is drawn a quarter cell to the left: the label's box ends
    // where the input begins, so that the two never overlap.
    const PixelRect input = FieldInputRect(grid, cell, field);
    if (field.labelRow == field.row && r.x < input.x && r.x + r.width > input.x) r.width = input.x - r.x;
    return r;
}

PixelRect OkButtonRect(const Form& form, const CellMetrics& cell) {
    return GridRect(form.grid, cell, form.okRow, form.okCol, kOkColumns);
}

PixelRect FormClientRect(const FormGrid& grid, const CellMetrics& cell) {
    PixelRect r;
    r.width = Sat((int64_t{grid.margins[0]} + grid.columns + grid.margins[2]) * cell.cellWidth);
    r.height = Sat(int64_t{grid.margins[1] + grid.rows + grid.margins[3]} * RowPitch(grid, cell));
    return r;
}

int32_t ScrollRange(int32_t content, int32_t visible) { return content > visible ? content - visible : 0; }

int32_t ScrollStep(int32_t position, int32_t range, uint16_t request, int32_t page, int32_t track) {
    int32_t next = position;
    switch (request) {
    case kScrollLineUp: next = position - kScrollLinePixels; break;
    case kScrollLineDown: next = position + kScrollLinePixels; break;
    case kScrollPageUp: next = position - page; break;
    case kScrollPageDown: next = position + page; break;
    case kScrollThumbTrack: next = track; break;
    case kScrollTop: next = 0; break;
    case kScrollBottom: next = range; break;
    default: break;
    }
    return std::clamp(next, 0, std::max(range, 0));
}

int32_t ScrollToShow(int32_t position, int32_t visible, int32_t range, int32_t start, int32_t end) {
    int32_t next = position;
    if (end - start > visible || start < position) {
        next = start;
    } else if (end > position + visible) {
        next = end - visible;
    }
    return std::clamp(next, 0, std::max(range, 0));
}

}  // namespace rt
