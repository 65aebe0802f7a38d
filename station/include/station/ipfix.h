#pragma once

// The messages of reception reports, IPFIX (RFC 7011) as the public reception-report network reads
// them: pure functions from spots and the receiver to the bytes of one datagram.
//
// A message is the 16-byte header, then (in the first messages of a session and about hourly) the
// template set and the options template set, the receiver's data set and the spots' data sets.
// Every set is padded with zero bytes to a multiple of four; the padding (at most three bytes) is
// shorter than any record. Spots with a known IMD and spots without one use two templates, so
// that an unknown IMD is never sent as a figure.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "station/heard.h"
#include "station/report.h"

namespace station::ipfix {

inline constexpr std::uint16_t kVersion = 10;
inline constexpr std::size_t kHeaderBytes = 16;
inline constexpr std::uint16_t kTemplateSetId = 2;
inline constexpr std::uint16_t kOptionsTemplateSetId = 3;
// The templates of a session: the spots with an IMD, the receiver, the spots without an IMD.
inline constexpr std::uint16_t kSpotTemplateId = 256;
inline constexpr std::uint16_t kReceiverTemplateId = 257;
inline constexpr std::uint16_t kSpotWithoutImdTemplateId = 258;
// The network's private enterprise number, and the bit that marks an enterprise field.
inline constexpr std::uint32_t kEnterpriseNumber = 30351;
inline constexpr std::uint16_t kEnterpriseBit = 0x8000;
// A field whose length is given in each record.
inline constexpr std::uint16_t kVariableLength = 0xFFFF;
// Variable-length texts are sent with one length byte: at most this many bytes of UTF-8.
inline constexpr std::size_t kMaxTextBytes = 254;
// Datagrams stay below this size, well inside every path's packet size.
inline constexpr std::size_t kMaxMessageBytes = 1400;

// The network's field ids (with the enterprise bit) and the one standard field used.
enum FieldId : std::uint16_t {
    kSenderCallsign = 0x8001,
    kReceiverCallsign = 0x8002,
    kSenderLocator = 0x8003,
    kReceiverLocator = 0x8004,
    kFrequency = 0x8005,
    kSnr = 0x8006,
    kImd = 0x8007,
    kDecoderSoftware = 0x8008,
    kAntennaInformation = 0x8009,
    kMode = 0x800A,
    kInformationSource = 0x800B,
    kFlowStartSeconds = 150,  // IANA's, no enterprise number
};

// informationSource: the spot was decoded by the program, not typed by a person.
inline constexpr std::uint8_t kAutomatic = 1;

// The first bytes of `text` that are whole UTF-8 characters, at most `maxBytes` of them.
std::string cutUtf8(std::string_view text, std::size_t maxBytes = kMaxTextBytes);

struct MessageHeader {
    std::uint32_t exportTimeUnix = 0;
    std::uint32_t sequenceNumber = 0;  // data records sent in the session before this message
    std::uint32_t observationDomainId = 0;
};

struct EncodedMessage {
    std::vector<std::uint8_t> bytes;
    std::size_t spots = 0;          // how many of the spots given went in, from the first
    std::uint32_t dataRecords = 0;  // records in it: the receiver's and the spots'
    bool full = false;              // not every spot given fitted
};

// One message: the header, the templates when `withTemplates`, the receiver's record and as many
// of `spots` (in order) as fit in `maxBytes`, at least one. A spot's frequency must fit in 32 bits;
// the S/N and IMD are clamped into a signed byte.
EncodedMessage encodeMessage(const MessageHeader& header, bool withTemplates,
                             const ReceiverInfo& receiver, std::span<const Spot> spots,
                             std::size_t maxBytes = kMaxMessageBytes);

}  // namespace station::ipfix
