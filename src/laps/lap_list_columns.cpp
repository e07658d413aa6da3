#include "laps/lap_list_columns.h"

namespace qv {

LapRow LapListHeader(const Settings& settings) {
    LapRow header;
    header[0] = "Data Name";
    header[1] = "Data No.";
    header[2] = "Date";
    header[3] = "Time";
    header[4] = "Lap Time";
    header[5] = settings.SpeedInKmh ? "TopSpeed km/h" : "TopSpeed MPH";
    header[6] = settings.DistInKm ? "Dist km" : "Dist feet";
    header[7] = "File Name";
    header[8] = "Sector";
    header[13] = "DRIFT(Score)";
    header[14] = "Sector(Score)";
    return header;
}

}  // namespace qv
