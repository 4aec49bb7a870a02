// Message boxes where there is no window system: the box cannot be shown.
#include "ui/message_box.h"

namespace rt {

BoxButton OsShowBox(const char*, const char*, BoxButtons, BoxIcon, bool) { return BoxButton::kNone; }

}  // namespace rt
