#pragma once
// The grids and read-outs are laid out for Tahoma at 15 px. Where the
// desktop has no Tahoma, a metric-compatible copy from the system's font
// folders is registered for this program; without one, a smaller size of
// the default face keeps the texts inside their fixed column widths.

#include <QFont>

namespace qv::ui {

// Registers the fallback copy once; true when Tahoma can be used.
bool EnsureTahoma();

// Tahoma at `px` pixels, or the default face `fallbackPx` pixels high when
// Tahoma is missing.
QFont TahomaFont(int px, int fallbackPx);

}  // namespace qv::ui
