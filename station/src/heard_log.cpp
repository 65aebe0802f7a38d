#include "station/heard_log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <optional>
#include <system_error>
#include <vector>

namespace station {
namespace {

// A call is logged once per band in this many seconds.
constexpr std::int64_t kLogIntervalSeconds = 3600;

std::tm utc(std::int64_t timeUnix) {
    const auto seconds = static_cast<std::time_t>(timeUnix);
    std::tm fields{};
    ::gmtime_r(&seconds, &fields);
    return fields;
}

// ADIF's date (YYYYMMDD) and time (HHMMSS) of a Unix time, UTC.
std::string adifDate(std::int64_t timeUnix) {
    const std::tm fields = utc(timeUnix);
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02d%02d", fields.tm_year + 1900, fields.tm_mon + 1,
                  fields.tm_mday);
    return text;
}

std::string adifTimeOfDay(std::int64_t timeUnix) {
    const std::tm fields = utc(timeUnix);
    char text[32];
    std::snprintf(text, sizeof text, "%02d%02d%02d", fields.tm_hour, fields.tm_min, fields.tm_sec);
    return text;
}

// One ADIF field: <NAME:length>value.
std::string field(std::string_view name, std::string_view value) {
    return "<" + std::string(name) + ":" + std::to_string(value.size()) + ">" + std::string(value);
}

std::string header(const std::string& programVersion, std::int64_t nowUnix) {
    return "Stations heard, written by Quorvin\n" + field("ADIF_VER", "3.1.4") + "\n" +
           field("PROGRAMID", "Quorvin") + "\n" + field("PROGRAMVERSION", programVersion) + "\n" +
           field("CREATED_TIMESTAMP", adifDate(nowUnix) + " " + adifTimeOfDay(nowUnix)) +
           "\n<EOH>\n";
}

std::string megahertz(std::int64_t hz) {
    char text[32];
    std::snprintf(text, sizeof text, "%lld.%06lld", static_cast<long long>(hz / 1'000'000),
                  static_cast<long long>(hz % 1'000'000));
    return text;
}

std::string logKey(std::string_view call, std::string_view band) {
    return std::string(call) + " " + std::string(band);
}

std::string systemError(int error) {
    return std::generic_category().message(error);
}

// The whole file, nothing when it does not exist, or why it cannot be read.
struct FileText {
    std::optional<std::string> text;
    std::string error;
};

FileText readFile(const std::filesystem::path& file) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(file, error);
    if (status.type() == std::filesystem::file_type::not_found) return {std::nullopt, {}};
    if (error) return {std::nullopt, error.message()};
    if (status.type() != std::filesystem::file_type::regular) return {std::nullopt, "not a file"};
    const int handle = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (handle < 0) return {std::nullopt, systemError(errno)};
    std::string text;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(handle, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int readError = errno;
            ::close(handle);
            return {std::nullopt, systemError(readError)};
        }
        if (n == 0) break;
        text.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(handle);
    return {std::move(text), {}};
}

// Writes `bytes` to a temporary file beside `file`, puts it on the disk and renames it over
// `file`, so that the file is either the old one or the new one whole. Returns why not.
std::string replaceFile(const std::filesystem::path& file, const std::string& bytes) {
    std::filesystem::path temporary = file;
    temporary += ".tmp";
    const int handle = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (handle < 0) return systemError(errno);
    std::size_t written = 0;
    int error = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(handle, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error = n < 0 ? errno : EIO;
            break;
        }
        written += static_cast<std::size_t>(n);
    }
    // A file system that takes bytes lazily tells a full disk only here; one that cannot sync
    // is no failure.
    if (error == 0 && ::fsync(handle) != 0 && errno != EINVAL && errno != EROFS &&
        errno != ENOTSUP) {
        error = errno;
    }
    if (::close(handle) != 0 && error == 0 && errno != EINTR) error = errno;
    if (error == 0 && ::rename(temporary.c_str(), file.c_str()) != 0) error = errno;
    if (error != 0) {
        ::unlink(temporary.c_str());
        return systemError(error);
    }
    // The rename itself reaches the disk with the folder.
    const std::filesystem::path folder = file.has_parent_path() ? file.parent_path() : ".";
    const int folderHandle = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderHandle >= 0) {
        ::fsync(folderHandle);
        ::close(folderHandle);
    }
    return {};
}

// The ADIF tags of `text` in order: name (upper case) and value.
struct Tag {
    std::string name;
    std::string value;
};

std::vector<Tag> readTags(std::string_view text) {
    std::vector<Tag> tags;
    std::size_t i = 0;
    while ((i = text.find('<', i)) != std::string_view::npos) {
        const std::size_t close = text.find('>', i);
        if (close == std::string_view::npos) break;
        const std::string_view inside = text.substr(i + 1, close - i - 1);
        i = close + 1;
        Tag tag;
        const std::size_t colon = inside.find(':');
        for (const char c : inside.substr(0, colon)) {
            tag.name += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
        }
        if (colon != std::string_view::npos) {
            std::size_t length = 0;
            std::size_t digits = colon + 1;
            while (digits < inside.size() && inside[digits] >= '0' && inside[digits] <= '9' &&
                   length < text.size()) {
                length = length * 10 + static_cast<std::size_t>(inside[digits] - '0');
                ++digits;
            }
            length = std::min(length, text.size() - i);
            tag.value = std::string(text.substr(i, length));
            i += length;
        }
        tags.push_back(std::move(tag));
    }
    return tags;
}

// Unix seconds of an ADIF date (YYYYMMDD) and time (HHMM or HHMMSS), UTC.
std::optional<std::int64_t> adifTime(const std::string& date, const std::string& time) {
    if (date.size() != 8 || (time.size() != 4 && time.size() != 6)) return std::nullopt;
    for (const char c : date + time) {
        if (c < '0' || c > '9') return std::nullopt;
    }
    std::tm fields{};
    fields.tm_year = std::stoi(date.substr(0, 4)) - 1900;
    fields.tm_mon = std::stoi(date.substr(4, 2)) - 1;
    fields.tm_mday = std::stoi(date.substr(6, 2));
    fields.tm_hour = std::stoi(time.substr(0, 2));
    fields.tm_min = std::stoi(time.substr(2, 2));
    fields.tm_sec = time.size() == 6 ? std::stoi(time.substr(4, 2)) : 0;
    return static_cast<std::int64_t>(::timegm(&fields));
}

}  // namespace

HeardLog::HeardLog(std::filesystem::path file, std::string programVersion)
    : file_(std::move(file)), programVersion_(std::move(programVersion)) {
    // What the file already holds counts as logged, so that a new start within the hour does not
    // log the same stations again.
    const FileText existing = readFile(file_);
    if (!existing.text) return;
    std::string call;
    std::string band;
    std::string date;
    std::string time;
    for (const Tag& tag : readTags(*existing.text)) {
        if (tag.name == "CALL") call = tag.value;
        if (tag.name == "BAND") band = tag.value;
        if (tag.name == "QSO_DATE") date = tag.value;
        if (tag.name == "TIME_ON") time = tag.value;
        if (tag.name == "EOR" || tag.name == "EOH") {
            const std::optional<std::int64_t> when = adifTime(date, time);
            if (tag.name == "EOR" && !call.empty() && when) {
                std::int64_t& last = lastLogged_[logKey(call, band)];
                last = std::max(last, *when);
            }
            call.clear();
            band.clear();
            date.clear();
            time.clear();
        }
    }
}

std::string HeardLog::add(const Spot& spot) {
    const std::string band = bandName(spot.rfHz);
    const std::string key = logKey(spot.call, band);
    if (const auto it = lastLogged_.find(key); it != lastLogged_.end() &&
                                               spot.timeUnix - it->second < kLogIntervalSeconds &&
                                               it->second - spot.timeUnix < kLogIntervalSeconds) {
        return {};
    }

    const FileText existing = readFile(file_);
    if (!existing.text && !existing.error.empty()) {
        return "Cannot read " + file_.string() + ": " + existing.error;
    }
    std::string text = existing.text.value_or(std::string());
    if (text.empty()) text = header(programVersion_, static_cast<std::int64_t>(std::time(nullptr)));
    if (text.back() != '\n') text += '\n';

    text += field("CALL", spot.call) + " " + field("QSO_DATE", adifDate(spot.timeUnix)) + " " +
            field("TIME_ON", adifTimeOfDay(spot.timeUnix)) + " ";
    if (spot.rfHz > 0) text += field("FREQ", megahertz(spot.rfHz)) + " ";
    if (!band.empty()) text += field("BAND", band) + " ";
    std::string comment = "S/N " + std::to_string(spot.snrDb) + " dB";
    if (spot.imdDb) comment += " IMD " + std::to_string(*spot.imdDb) + " dB";
    text += field("MODE", "PSK") + " " + field("SUBMODE", spot.mode) + " " + field("SWL", "Y") +
            " " + field("COMMENT", comment) + " <EOR>\n";

    if (const std::string error = replaceFile(file_, text); !error.empty()) {
        return "Cannot write " + file_.string() + ": " + error;
    }
    // Entries older than the hour no longer stop anything: they go, so memory stays bounded.
    std::erase_if(lastLogged_, [&](const auto& entry) {
        return spot.timeUnix - entry.second >= kLogIntervalSeconds;
    });
    lastLogged_[key] = spot.timeUnix;
    return {};
}

}  // namespace station
