// The StatusWindow's size for a text.
#include "ui/status_window.h"

#include <algorithm>

#include "runtime/text_list.h"
#include "runtime/text_ops.h"

namespace rt {

BoxSize StatusBoxSize(StrRef text, int cell, int line, int workW, int workH) {
    const uint16_t lines = text.ok() && text.len ? FieldCount(text, '\r') : 1;
    int longest = 0;
    for (uint16_t k = 1; k <= lines; ++k) longest = std::max<int>(longest, Unquote(Field(text, '\r', k)).len);
    const int width = std::max(std::min(cell * (longest + 4), workW - 20), workW / 4);
    const int height = std::min(line * (lines + 3), workH - 10);
    return BoxSize{width, height};
}

}  // namespace rt
