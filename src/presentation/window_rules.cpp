#include "presentation/window_rules.h"

namespace qv {

bool PageChangeAllowed(bool deviceLinkBusy) {
    return !deviceLinkBusy;
}

void PageChanged(PresentationState& state, MainPage page) {
    if (page == MainPage::kGraph)
        state.rebuild.SetAll();
}

bool Splitter1CanResize(int newSize, int tabHeight) {
    return newSize >= 132 && tabHeight >= 280 && newSize <= tabHeight - 160;
}

bool Splitter2CanResize(int newSize, int tabWidth) {
    return newSize >= 120 && tabWidth >= 520 && newSize <= tabWidth - 400;
}

}  // namespace qv
