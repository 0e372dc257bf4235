#pragma once
// Icon images by resource id, as pure data (XPM), for backends that have no resource files.
// A backend with real resources loads its icons by id and ignores this table.

namespace ui {

using IconImage = const char* const*;

void RegisterIconImage(int iconId, IconImage image);
// null when no image is registered under iconId.
IconImage FindIconImage(int iconId);

}  // namespace ui
