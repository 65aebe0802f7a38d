#pragma once

// The log of stations heard, in ADIF 3: one record per call and band per hour.

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>

#include "station/heard.h"

namespace station {

// What an ADIF text (a heard log written before, or any other program's) says was logged: for
// each call and band ("QR9ZZ 20m"; "QR9ZZ " without a band), the latest time of its records in
// Unix seconds. Records without a call or a valid QSO_DATE and TIME_ON are passed over.
std::map<std::string, std::int64_t> loggedTimes(std::string_view adif);

class HeardLog {
  public:
    // `programVersion` goes into the header written when the file is new.
    HeardLog(std::filesystem::path file, std::string programVersion);

    // Writes a record for `spot` (CALL, QSO_DATE, TIME_ON, FREQ in MHz, BAND, MODE/SUBMODE, SWL,
    // COMMENT with the S/N and IMD) unless the call was logged on this band within the hour.
    // The file is replaced in one step, so a crash never leaves half a record. Returns an empty
    // string, or why the file could not be written (the record is then tried again next time).
    std::string add(const Spot& spot);

    const std::filesystem::path& file() const noexcept { return file_; }

  private:
    std::filesystem::path file_;
    std::string programVersion_;
    std::map<std::string, std::int64_t> lastLogged_;  // "CALL band" -> Unix seconds
};

}  // namespace station
