#include "band_report.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "decode_options.h"
#include "pskmodem/band/call_signs.h"

namespace quorvin::decode {
namespace {

long long roundedHz(double hz) {
    return std::isfinite(hz) ? std::llround(hz) : 0LL;
}

}  // namespace

std::string textReport(const SignalReport& report) {
    std::string header = std::to_string(roundedHz(report.frequencyHz)) + " Hz";
    if (report.dial) {
        header = station::formatDialHz(station::rfFrequencyHz(
                     report.dial->dialHz, report.frequencyHz, report.dial->sideband)) +
                 " (" + header + ")";
    }
    header +=
        " " + modeDisplayName(report.mode, report.speed) + " q=" + std::to_string(report.quality);
    char figure[48];
    if (std::isfinite(report.snrDb)) {
        std::snprintf(figure, sizeof figure, " S/N %.1f dB", report.snrDb);
        header += figure;
    }
    if (std::isfinite(report.imdDb)) {
        std::snprintf(figure, sizeof figure, " IMD %ld dB", std::lround(report.imdDb));
        header += figure;
    }
    std::string out = header + ":\n";
    out += report.text;
    out += "\n\n";
    return out;
}

std::string jsonReport(const SignalReport& report) {
    std::string out = "{\"frequency_hz\":" + std::to_string(roundedHz(report.frequencyHz));
    if (report.dial) {
        out += ",\"dial_hz\":" + std::to_string(report.dial->dialHz) + ",\"rf_hz\":" +
               std::to_string(roundedHz(station::rfFrequencyHz(
                   report.dial->dialHz, report.frequencyHz, report.dial->sideband)));
    } else {
        out += ",\"dial_hz\":null,\"rf_hz\":null";
    }
    out += ",\"mode\":\"" + modeJsonName(report.mode, report.speed) +
           "\",\"quality\":" + std::to_string(report.quality) + ",\"snr_db\":";
    char figure[48];
    if (std::isfinite(report.snrDb)) {
        std::snprintf(figure, sizeof figure, "%.1f", report.snrDb);
        out += figure;
    } else {
        out += "null";
    }
    out += ",\"imd_db\":";
    out += std::isfinite(report.imdDb) ? std::to_string(std::lround(report.imdDb)) : "null";
    out += ",\"calls\":[";
    const std::vector<std::string> calls = pskmodem::findCallSigns(report.text);
    for (std::size_t i = 0; i < calls.size(); ++i) {
        if (i > 0) out += ',';
        out += jsonString(calls[i]);
    }
    out += "],\"text\":";
    out += jsonString(report.text);
    out += "}\n";
    return out;
}

}  // namespace quorvin::decode
