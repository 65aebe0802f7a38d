#include "station/ipfix.h"

#include <algorithm>
#include <limits>

namespace station::ipfix {
namespace {

class Writer {
  public:
    explicit Writer(std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}
    void u8(std::uint8_t value) { bytes_.push_back(value); }
    void u16(std::uint16_t value) {
        u8(static_cast<std::uint8_t>(value >> 8));
        u8(static_cast<std::uint8_t>(value));
    }
    void u32(std::uint32_t value) {
        u16(static_cast<std::uint16_t>(value >> 16));
        u16(static_cast<std::uint16_t>(value));
    }
    void text(std::string_view value) {
        const std::string cut = cutUtf8(value);
        u8(static_cast<std::uint8_t>(cut.size()));
        bytes_.insert(bytes_.end(), cut.begin(), cut.end());
    }
    // Puts a 16-bit value at `at`, written before.
    void patch16(std::size_t at, std::size_t value) {
        bytes_[at] = static_cast<std::uint8_t>(value >> 8);
        bytes_[at + 1] = static_cast<std::uint8_t>(value);
    }
    std::size_t size() const { return bytes_.size(); }

  private:
    std::vector<std::uint8_t>& bytes_;
};

// Bytes of a set around `contentBytes` of records: its header and the padding to four.
std::size_t setBytes(std::size_t contentBytes) {
    return contentBytes == 0 ? 0 : (4 + contentBytes + 3) / 4 * 4;
}

// Starts a set; finish() pads it and writes its length.
class SetWriter {
  public:
    SetWriter(Writer& out, std::uint16_t id) : out_(out), start_(out.size()) {
        out_.u16(id);
        out_.u16(0);
    }
    void finish() {
        while ((out_.size() - start_) % 4 != 0) out_.u8(0);
        out_.patch16(start_ + 2, out_.size() - start_);
    }

  private:
    Writer& out_;
    std::size_t start_;
};

void field(Writer& out, std::uint16_t id, std::uint16_t length) {
    out.u16(id);
    out.u16(length);
    if ((id & kEnterpriseBit) != 0) out.u32(kEnterpriseNumber);
}

void spotTemplate(Writer& out, std::uint16_t templateId, bool withImd) {
    out.u16(templateId);
    out.u16(withImd ? 8 : 7);
    field(out, kSenderCallsign, kVariableLength);
    field(out, kFrequency, 4);
    field(out, kSnr, 1);
    if (withImd) field(out, kImd, 1);
    field(out, kMode, kVariableLength);
    field(out, kSenderLocator, kVariableLength);
    field(out, kInformationSource, 1);
    field(out, kFlowStartSeconds, 4);
}

void templates(Writer& out) {
    SetWriter spots(out, kTemplateSetId);
    spotTemplate(out, kSpotTemplateId, true);
    spotTemplate(out, kSpotWithoutImdTemplateId, false);
    spots.finish();

    SetWriter receiver(out, kOptionsTemplateSetId);
    out.u16(kReceiverTemplateId);
    out.u16(4);  // fields
    out.u16(1);  // of which the first is the scope: the receiver's call sign
    field(out, kReceiverCallsign, kVariableLength);
    field(out, kReceiverLocator, kVariableLength);
    field(out, kDecoderSoftware, kVariableLength);
    field(out, kAntennaInformation, kVariableLength);
    receiver.finish();
}

std::uint8_t signedByte(int value) {
    const int clamped = std::clamp(value, -128, 127);
    return static_cast<std::uint8_t>(static_cast<std::int8_t>(clamped));
}

std::size_t textBytes(std::string_view value) {
    return 1 + cutUtf8(value).size();
}

std::size_t spotBytes(const Spot& spot) {
    return textBytes(spot.call) + 4 + 1 + (spot.imdDb ? 1 : 0) + textBytes(spot.mode) +
           textBytes(spot.locator) + 1 + 4;
}

void spotRecord(Writer& out, const Spot& spot) {
    out.text(spot.call);
    const auto hz =
        std::clamp<std::int64_t>(spot.rfHz, 0, std::numeric_limits<std::uint32_t>::max());
    out.u32(static_cast<std::uint32_t>(hz));
    out.u8(signedByte(spot.snrDb));
    if (spot.imdDb) out.u8(signedByte(*spot.imdDb));
    out.text(spot.mode);
    out.text(spot.locator);
    out.u8(kAutomatic);
    const auto time =
        std::clamp<std::int64_t>(spot.timeUnix, 0, std::numeric_limits<std::uint32_t>::max());
    out.u32(static_cast<std::uint32_t>(time));
}

void spotSet(Writer& out, std::uint16_t templateId, std::span<const Spot> spots, bool withImd) {
    if (std::none_of(spots.begin(), spots.end(),
                     [&](const Spot& spot) { return spot.imdDb.has_value() == withImd; })) {
        return;
    }
    SetWriter set(out, templateId);
    for (const Spot& spot : spots) {
        if (spot.imdDb.has_value() == withImd) spotRecord(out, spot);
    }
    set.finish();
}

}  // namespace

std::string cutUtf8(std::string_view text, std::size_t maxBytes) {
    if (text.size() <= maxBytes) return std::string(text);
    std::size_t cut = maxBytes;
    // Back to the first byte of the character the cut falls in (continuation bytes are 10xxxxxx).
    while (cut > 0 && (static_cast<std::uint8_t>(text[cut]) & 0xC0) == 0x80) --cut;
    return std::string(text.substr(0, cut));
}

EncodedMessage encodeMessage(const MessageHeader& header, bool withTemplates,
                             const ReceiverInfo& receiver, std::span<const Spot> spots,
                             std::size_t maxBytes) {
    EncodedMessage message;
    Writer out(message.bytes);
    out.u16(kVersion);
    out.u16(0);  // the length, written at the end
    out.u32(header.exportTimeUnix);
    out.u32(header.sequenceNumber);
    out.u32(header.observationDomainId);
    if (withTemplates) templates(out);

    SetWriter receiverSet(out, kReceiverTemplateId);
    out.text(receiver.call);
    out.text(receiver.locator);
    out.text(receiver.software);
    out.text(receiver.antenna);
    receiverSet.finish();

    // As many spots as fit, with the two sets' headers and padding counted.
    std::size_t withImdBytes = 0;
    std::size_t withoutImdBytes = 0;
    const std::size_t fixedBytes = out.size();
    while (message.spots < spots.size()) {
        const Spot& spot = spots[message.spots];
        std::size_t nextWith = withImdBytes;
        std::size_t nextWithout = withoutImdBytes;
        (spot.imdDb ? nextWith : nextWithout) += spotBytes(spot);
        if (message.spots > 0 &&
            fixedBytes + setBytes(nextWith) + setBytes(nextWithout) > maxBytes) {
            break;
        }
        withImdBytes = nextWith;
        withoutImdBytes = nextWithout;
        ++message.spots;
    }
    const std::span<const Spot> taken = spots.first(message.spots);
    spotSet(out, kSpotTemplateId, taken, true);
    spotSet(out, kSpotWithoutImdTemplateId, taken, false);

    out.patch16(2, out.size());
    message.dataRecords = static_cast<std::uint32_t>(1 + message.spots);
    message.full = message.spots < spots.size();
    return message;
}

}  // namespace station::ipfix
