#pragma once
// Where a display list can touch the box: lets a painter put back only the
// pixels that a moving cursor or car covered.

#include <optional>
#include <vector>

#include "presentation/scene.h"

namespace qv {

// A box, right and bottom excluded, that holds every pixel the items paint:
// their points widened by twice each pen's width (square caps and mitred
// joins reach that far) and one pixel more. Empty (right <= left) for no
// items; none when an item's reach depends on the font, as a text's does.
std::optional<SceneClip> SceneItemsExtent(const std::vector<SceneItem>& items);

}  // namespace qv
