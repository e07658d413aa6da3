// Arbitrary bytes read as the records of a lap data file and made into the
// lap a slot holds: statistics, directions walked from the positions and the
// lap time must come out of any record values without undefined behaviour,
// and the lap keeps every record.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "laps/lap_file.h"
#include "laps/lap_file_io.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<qv::TLapElmRec> samples(size / qv::kLapRecordSize);
    if (!samples.empty())
        std::memcpy(static_cast<void*>(samples.data()), data, samples.size() * qv::kLapRecordSize);
    const size_t count = samples.size();
    const qv::TLapDtRec lap = qv::MakeLapDt("0001", std::move(samples));
    if (lap.Elm.size() != count || static_cast<size_t>(lap.ElmNum) != count)
        __builtin_trap();
    return 0;
}
