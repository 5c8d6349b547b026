#include "ui/ViewLayer.h"

namespace vestiscop::ui {

void ViewLayer::excludeFrom(ViewSurface&) {}

} // namespace vestiscop::ui
