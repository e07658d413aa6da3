#pragma once
// The sector table and the drift table of the data page: their texts and
// how their cells are coloured.

#include <array>
#include <cstdint>
#include <string>

#include "core/colours.h"
#include "dynamics/detail_texts.h"

namespace qv {

inline constexpr int kSectTableCols = 25;   // five columns per sector
inline constexpr int kSectTableRows = 6;    // header, slots A..D, best of
inline constexpr int kDriftTableCols = 20;  // four columns per sector
inline constexpr int kDriftTableRows = 5;   // header, slots A..D

using SectTable = std::array<std::array<std::string, kSectTableCols>, kSectTableRows>;
using DriftTable = std::array<std::array<std::string, kDriftTableCols>, kDriftTableRows>;

struct DetailTables {
    SectTable sector;
    DriftTable drift;
};

// `SetSectGrid`: both tables from the slots and their sector results. With
// no gates both are blank. Row 5 of the sector table holds the best time of
// each sector among the slots (its slot's cell marked "*") and the ideal lap.
DetailTables SetSectGrid(const std::array<SlotReadout, 4>& slots, int sectCount);

enum class DetailTableKind { Sector, Drift };

// The header row takes the system's button face.
struct DetailCellStyle {
    bool buttonFace = false;
    Rgb font = kBlack;
    Rgb background = kWhite;
};
inline constexpr Rgb kSectorTint{232, 255, 255};

// How the cell (column, row) is drawn; texts are right-aligned 2 pixels
// from the right edge and 2 below the top.
DetailCellStyle DetailCellStyleOf(DetailTableKind kind, int column, int row, int sectCount);

// The sector of a cell: column div 5 in the sector table (the lap-time
// column counts with the last sector), column div 4 in the drift table.
int SectorOfColumn(DetailTableKind kind, int column);

}  // namespace qv
