#pragma once
// "Export tracks as KML file": the laps of the slots as coloured lines.

#include <array>
#include <filesystem>
#include <string>
#include <string_view>

#include "core/records.h"
#include "core/stores.h"

namespace qv {

inline constexpr const char* kKmlDialogTitle = "Save trace as KML file";
inline constexpr const char* kKmlFilter = "KLM files|*.kml";

// The document name as the file holds it: every UTF-16 unit of the name
// becomes one, two or three bytes; a surrogate pair becomes the four bytes
// of its character, so the file stays well-formed UTF-8. Bytes of `name`
// that are not UTF-8 count as the characters 0 to 255.
std::string KmlDocumentName(std::string_view name);

// The slot colour as KML writes it: alpha af, then blue, green, red.
std::string KmlColour(int slot);

// The whole file, CR LF after every line. `slots[k]` is the lap of slot k
// (A = 0) or null when the slot is empty. Names are written as they are,
// only the characters XML reserves are escaped.
std::string KmlText(std::string_view documentName, const std::array<const TLapDtRec*, 4>& slots);

// The slots of a lap store, empty ones null.
std::array<const TLapDtRec*, 4> OccupiedSlots(const LapStore& laps);

}  // namespace qv
