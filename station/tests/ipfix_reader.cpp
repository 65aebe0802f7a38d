#include "ipfix_reader.h"

#include <algorithm>

namespace station::testing {
namespace {

constexpr std::uint32_t kNetworkEnterprise = 30351;
constexpr std::uint16_t kVariable = 0xFFFF;

class Cursor {
  public:
    explicit Cursor(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::size_t left() const { return bytes_.size() - at_; }
    bool take(std::size_t count, std::span<const std::uint8_t>& out) {
        if (left() < count) return false;
        out = bytes_.subspan(at_, count);
        at_ += count;
        return true;
    }
    bool u8(std::uint8_t& value) {
        std::span<const std::uint8_t> b;
        if (!take(1, b)) return false;
        value = b[0];
        return true;
    }
    bool u16(std::uint16_t& value) {
        std::span<const std::uint8_t> b;
        if (!take(2, b)) return false;
        value = static_cast<std::uint16_t>(b[0] << 8 | b[1]);
        return true;
    }
    bool u32(std::uint32_t& value) {
        std::uint16_t high = 0;
        std::uint16_t low = 0;
        if (!u16(high) || !u16(low)) return false;
        value = static_cast<std::uint32_t>(high) << 16 | low;
        return true;
    }
    std::span<const std::uint8_t> rest() const { return bytes_.subspan(at_); }

  private:
    std::span<const std::uint8_t> bytes_;
    std::size_t at_ = 0;
};

// The least bytes a record of `t` takes: variable fields with an empty value.
std::size_t shortestRecord(const IpfixTemplate& t) {
    std::size_t bytes = 0;
    for (const IpfixField& f : t.fields) bytes += f.length == kVariable ? 1 : f.length;
    return bytes;
}

bool readTemplate(Cursor& in, bool options, IpfixTemplate& t, std::string& error) {
    std::uint16_t count = 0;
    if (!in.u16(t.id) || !in.u16(count)) {
        error = "template header cut";
        return false;
    }
    t.options = options;
    if (t.id < 256) {
        error = "template id " + std::to_string(t.id) + " below 256";
        return false;
    }
    if (options) {
        if (!in.u16(t.scopeCount)) {
            error = "options template header cut";
            return false;
        }
        if (t.scopeCount == 0 || t.scopeCount > count) {
            error = "scope field count " + std::to_string(t.scopeCount) + " of " +
                    std::to_string(count) + " fields";
            return false;
        }
    }
    if (count == 0) {
        error = "template " + std::to_string(t.id) + " without fields";
        return false;
    }
    for (std::uint16_t i = 0; i < count; ++i) {
        IpfixField f;
        if (!in.u16(f.id) || !in.u16(f.length) || ((f.id & 0x8000) != 0 && !in.u32(f.enterprise))) {
            error = "field specifier cut";
            return false;
        }
        if (f.length == 0) {
            error = "field of length 0";
            return false;
        }
        t.fields.push_back(f);
    }
    return true;
}

bool readValue(Cursor& in, const IpfixField& f, std::span<const std::uint8_t>& value,
               std::string& error) {
    std::size_t length = f.length;
    if (f.length == kVariable) {
        std::uint8_t first = 0;
        if (!in.u8(first)) {
            error = "variable length cut";
            return false;
        }
        length = first;
        if (first == 255) {
            std::uint16_t longer = 0;
            if (!in.u16(longer)) {
                error = "long variable length cut";
                return false;
            }
            length = longer;
        }
    }
    if (!in.take(length, value)) {
        error = "value of field " + std::to_string(f.id & 0x7FFF) + " overruns the set";
        return false;
    }
    return true;
}

std::uint32_t number(std::span<const std::uint8_t> value) {
    std::uint32_t n = 0;
    for (const std::uint8_t b : value) n = n << 8 | b;
    return n;
}

bool text(std::span<const std::uint8_t> value, std::string& out, std::string& error) {
    out.assign(value.begin(), value.end());
    if (!isUtf8(out)) {
        error = "text that is not UTF-8";
        return false;
    }
    return true;
}

// Reads a record into spots or receivers by its fields.
bool readRecord(Cursor& in, const IpfixTemplate& t, IpfixMessage& message, std::string& error) {
    std::map<std::uint16_t, std::span<const std::uint8_t>> values;
    for (const IpfixField& f : t.fields) {
        std::span<const std::uint8_t> value;
        if (!readValue(in, f, value, error)) return false;
        if ((f.id & 0x8000) != 0 && f.enterprise != kNetworkEnterprise) {
            error = "enterprise number " + std::to_string(f.enterprise);
            return false;
        }
        values[f.id] = value;
    }
    const auto has = [&](std::uint16_t id) { return values.contains(id); };
    if (t.options) {
        ReadReceiver r;
        if (!has(0x8002) || !has(0x8004) || !has(0x8008) || !has(0x8009)) {
            error = "receiver record without its fields";
            return false;
        }
        if (!text(values[0x8002], r.call, error) || !text(values[0x8004], r.locator, error) ||
            !text(values[0x8008], r.software, error) || !text(values[0x8009], r.antenna, error)) {
            return false;
        }
        message.receivers.push_back(r);
        return true;
    }
    ReadSpot s;
    for (const int id : {0x8001, 0x8005, 0x8006, 0x800A, 0x8003, 0x800B, 150}) {
        if (!has(static_cast<std::uint16_t>(id))) {
            error = "spot record without field " + std::to_string(id);
            return false;
        }
    }
    if (values[0x8005].size() != 4 || values[0x8006].size() != 1 || values[0x800B].size() != 1 ||
        values[150].size() != 4 || (has(0x8007) && values[0x8007].size() != 1)) {
        error = "a fixed-length spot field of the wrong length";
        return false;
    }
    if (!text(values[0x8001], s.call, error) || !text(values[0x800A], s.mode, error) ||
        !text(values[0x8003], s.locator, error)) {
        return false;
    }
    s.frequencyHz = number(values[0x8005]);
    s.snrDb = static_cast<std::int8_t>(values[0x8006][0]);
    if (has(0x8007)) s.imdDb = static_cast<std::int8_t>(values[0x8007][0]);
    s.informationSource = values[0x800B][0];
    s.flowStartSeconds = number(values[150]);
    message.spots.push_back(s);
    return true;
}

bool zeros(std::span<const std::uint8_t> bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0; });
}

}  // namespace

bool isUtf8(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<std::uint8_t>(text[i]);
        std::size_t more = 0;
        std::uint32_t code = 0;
        if (lead < 0x80) {
            code = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            more = 1;
            code = lead & 0x1Fu;
        } else if ((lead & 0xF0) == 0xE0) {
            more = 2;
            code = lead & 0x0Fu;
        } else if ((lead & 0xF8) == 0xF0) {
            more = 3;
            code = lead & 0x07u;
        } else {
            return false;
        }
        if (more > 0 && i + more >= text.size()) return false;
        for (std::size_t k = 1; k <= more; ++k) {
            const auto b = static_cast<std::uint8_t>(text[i + k]);
            if ((b & 0xC0) != 0x80) return false;
            code = code << 6 | (b & 0x3Fu);
        }
        constexpr std::uint32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
        if (code < kLeast[more] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            return false;
        }
        i += more + 1;
    }
    return true;
}

std::optional<IpfixMessage> IpfixReader::read(std::span<const std::uint8_t> datagram,
                                              std::string& error) {
    Cursor in(datagram);
    IpfixMessage message;
    std::uint16_t length = 0;
    if (!in.u16(message.version) || !in.u16(length) || !in.u32(message.exportTime) ||
        !in.u32(message.sequenceNumber) || !in.u32(message.observationDomainId)) {
        error = "message header cut";
        return std::nullopt;
    }
    message.length = length;
    if (message.version != 10) {
        error = "version " + std::to_string(message.version);
        return std::nullopt;
    }
    if (message.length != datagram.size()) {
        error = "message length " + std::to_string(message.length) + " in a datagram of " +
                std::to_string(datagram.size());
        return std::nullopt;
    }
    while (in.left() > 0) {
        ReadSet set;
        std::uint16_t setLength = 0;
        if (!in.u16(set.id) || !in.u16(setLength)) {
            error = "set header cut";
            return std::nullopt;
        }
        set.length = setLength;
        std::span<const std::uint8_t> body;
        if (set.length < 4 || !in.take(set.length - 4, body)) {
            error = "set " + std::to_string(set.id) + " of length " + std::to_string(set.length);
            return std::nullopt;
        }
        if (set.length % 4 != 0) {
            error = "set " + std::to_string(set.id) + " not padded to four bytes";
            return std::nullopt;
        }
        Cursor records(body);
        if (set.id == 2 || set.id == 3) {
            // Templates until what is left cannot hold a template header: that is padding.
            while (records.left() >= 4) {
                IpfixTemplate t;
                if (!readTemplate(records, set.id == 3, t, error)) return std::nullopt;
                templates_[t.id] = t;
                message.templates.push_back(t);
                ++set.records;
            }
        } else if (set.id >= 256) {
            const auto known = templates_.find(set.id);
            if (known == templates_.end()) {
                error = "data set of unknown template " + std::to_string(set.id);
                return std::nullopt;
            }
            const std::size_t shortest = shortestRecord(known->second);
            while (records.left() >= shortest && !(records.left() < 4 && zeros(records.rest()))) {
                if (!readRecord(records, known->second, message, error)) return std::nullopt;
                ++set.records;
            }
            if (records.left() >= shortest) {
                error = "padding as long as a record";
                return std::nullopt;
            }
        } else {
            error = "set id " + std::to_string(set.id);
            return std::nullopt;
        }
        set.padding = records.left();
        if (set.records == 0) {
            error = "set " + std::to_string(set.id) + " without records";
            return std::nullopt;
        }
        if (set.padding >= 4 || !zeros(records.rest())) {
            error = "set " + std::to_string(set.id) + " padded with " +
                    std::to_string(set.padding) + " bytes that are not all zero";
            return std::nullopt;
        }
        message.sets.push_back(set);
    }
    return message;
}

}  // namespace station::testing
