#pragma once
// `quorvane-cli export kml|nmea`: the traces of the slots as the KML export
// writes them, and one lap as the NMEA export writes it.

#include <iosfwd>
#include <string>
#include <vector>

namespace qv::cli {

extern const char* const kExportUsage;

// `args` are the arguments after the word "export".
int RunExport(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace qv::cli
