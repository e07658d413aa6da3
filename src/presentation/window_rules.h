#pragma once
// Small rules of the main window: the page control and the two splitters.

#include "presentation/presentation_state.h"

namespace qv {

enum class MainPage { kGraph, kData, kDevice };

// Leaving a page is refused while the device link is busy.
bool PageChangeAllowed(bool deviceLinkBusy);

// Arriving at the Graph page rebuilds every cached background.
void PageChanged(PresentationState& state, MainPage page);

// The splitter under the speed graph, against the Graph tab's height.
bool Splitter1CanResize(int newSize, int tabHeight);
// The splitter beside the lower left panel, against the tab's width.
bool Splitter2CanResize(int newSize, int tabWidth);

}  // namespace qv
