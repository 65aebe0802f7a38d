#pragma once

// A strict reader of the IPFIX messages the reporter sends, for the tests: a collector's view,
// written from RFC 7011 independently of the encoder. It learns templates from the template and
// options template sets, as a collector does across the messages of a session, and refuses
// anything a collector could misread: a length that disagrees, a set that overruns, an unknown
// template, a scope count of zero, padding that is not zeros or as long as a record, a text that
// is not UTF-8.

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace station::testing {

struct IpfixField {
    std::uint16_t id = 0;  // with the enterprise bit when it has one
    std::uint16_t length = 0;
    std::uint32_t enterprise = 0;
    bool operator==(const IpfixField&) const = default;
};

struct IpfixTemplate {
    std::uint16_t id = 0;
    std::uint16_t scopeCount = 0;  // options templates only
    bool options = false;
    std::vector<IpfixField> fields;
};

struct ReadSpot {
    std::string call;
    std::uint32_t frequencyHz = 0;
    int snrDb = 0;
    std::optional<int> imdDb;
    std::string mode;
    std::string locator;
    int informationSource = 0;
    std::uint32_t flowStartSeconds = 0;
};

struct ReadReceiver {
    std::string call;
    std::string locator;
    std::string software;
    std::string antenna;
};

struct ReadSet {
    std::uint16_t id = 0;
    std::size_t length = 0;
    std::size_t records = 0;
    std::size_t padding = 0;  // zero bytes after the last record
};

struct IpfixMessage {
    std::uint16_t version = 0;
    std::size_t length = 0;
    std::uint32_t exportTime = 0;
    std::uint32_t sequenceNumber = 0;
    std::uint32_t observationDomainId = 0;
    std::vector<ReadSet> sets;
    std::vector<IpfixTemplate> templates;  // defined in this message
    std::vector<ReadReceiver> receivers;
    std::vector<ReadSpot> spots;
};

class IpfixReader {
  public:
    // The message, or nothing with `error` saying what is wrong.
    std::optional<IpfixMessage> read(std::span<const std::uint8_t> datagram, std::string& error);
    const std::map<std::uint16_t, IpfixTemplate>& templates() const { return templates_; }

  private:
    std::map<std::uint16_t, IpfixTemplate> templates_;
};

// Whether `text` is well-formed UTF-8.
bool isUtf8(const std::string& text);

}  // namespace station::testing
