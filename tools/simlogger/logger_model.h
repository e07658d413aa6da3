#pragma once
// The three kinds of logger the simulator can play, and what sets them apart
// on the wire: the release text, the flash size and the line speeds.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace qv::sim {

enum class LoggerModel { Qv4, Qv3, Generic };

std::optional<LoggerModel> ParseLoggerModel(std::string_view name);

// The text after "PMTK705," that tells the program the model.
std::string DefaultRelease(LoggerModel model);

size_t FlashSize(LoggerModel model);

// A real serial line at another speed would carry only garbage, so the
// logger answers only at the rates its firmware uses. `baud` 0 means the rate
// could not be read, which is taken as acceptable.
bool AnswersAtBaud(LoggerModel model, int baud);

}  // namespace qv::sim
