#pragma once

// The rig's dial, where the parts of the program meet: the rig controller reads it, the receive
// controller sets the receiver's QPSK sideband by it and the band activity shows each signal's
// frequency on the air by it.

#include <optional>

#include "pskmodem/types.h"
#include "station/dial.h"

namespace platform {

class RigDial {
  public:
    RigDial() = default;
    virtual ~RigDial() = default;
    RigDial(const RigDial&) = delete;
    RigDial& operator=(const RigDial&) = delete;

    // The dial while the rig answers; nothing without a rig or while it does not answer. Never
    // waits on the rig.
    virtual std::optional<station::DialReading> dial() const = 0;
};

// The mode in which a signal sent in `onAir` reaches the audio through the rig: on the lower
// sideband the audio spectrum is inverted and QPSK turns over to the other sideband. The same
// mapping takes a mode heard back to the mode on the air.
inline pskmodem::Mode HeardMode(pskmodem::Mode onAir,
                                const std::optional<station::DialReading>& dial) {
    return dial && dial->sideband == station::Sideband::Lower ? pskmodem::mirroredMode(onAir)
                                                              : onAir;
}

}  // namespace platform
