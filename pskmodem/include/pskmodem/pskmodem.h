#pragma once

// The engine interface of the PSK31 modem library: one engine per process, driven by these
// calls, delivering its results as messages to the sink given at start. Where the audio comes
// from is chosen by the caller at each start, never by a setting of the library.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

#include "pskmodem/band/band_activity.h"
#include "pskmodem/engine/message_sink.h"
#include "pskmodem/types.h"

namespace pskmodem {

class AudioSource;

// Makes the audio source for card `cardNumber` (numbered as for fnStartSoundCard). The program
// passes one for recordings (--input) and the built-in simulator (--demo); tests pass scripted
// cards.
using SourceFactory = std::function<std::unique_ptr<AudioSource>(std::int32_t cardNumber)>;

// How often a sound card that cannot be opened, or was lost while running, is opened again.
inline constexpr std::chrono::milliseconds kReopenInterval{2000};

// Starts sampling on sound card `cardNumber` (0 = the system's default input) and posts messages
// to `sink`. Returns 0 when audio flows, non-zero on failure. A sound card that fails to open,
// or is lost later, is opened again every kReopenInterval (the same input: a chosen card is
// found again by its name) until it delivers or fnStopSoundCard: Status::Reopening is posted
// while it is away and Status::Started when audio flows; the receiver keeps its state meanwhile.
// A recording or the simulator that fails to start posts nothing. A call while running (or
// waiting for the card) changes nothing and returns 0. `channelMode` is accepted for
// compatibility.
std::int32_t fnStartSoundCard(MessageSink* sink, std::int32_t cardNumber, std::int32_t channelMode);
// The same with the audio from `sources` instead of the sound card: the flow takes its source
// from sources(cardNumber), and so does every fnSetSoundCardInput while it runs. An empty
// `sources` is the sound card.
std::int32_t fnStartSoundCard(MessageSink* sink, std::int32_t cardNumber, std::int32_t channelMode,
                              SourceFactory sources);
// Stops sampling; returns once the last message has been posted.
std::int32_t fnStopSoundCard();
// Receive frequency in Hz and AFC search range in Hz (0 = off).
std::int32_t fnSetRXFrequency(std::int32_t frequencyHz, std::int32_t searchRangeHz,
                              std::int32_t reserved);
// 0 BPSK, 1 QPSK upper sideband, 2 QPSK lower sideband.
std::int32_t fnSetRXPSKMode(std::int32_t mode, std::int32_t reserved);
// Symbol rate: 0 PSK31, 1 PSK63, 2 PSK125, 3 PSK250 (Speed); PSK31 until set. Non-zero for an
// unknown speed, which is ignored.
std::int32_t fnSetRXPSKSpeed(std::int32_t speed);
// Waterfall smoothing 1..10 (10 = most) and sensitivity 100..2500.
std::int32_t fnSetFFTMode(std::int32_t smoothing, std::int32_t sensitivity, std::int32_t reserved);
// Squelch threshold 0..99 (0 = open) and speed (1 slow, 0 fast).
std::int32_t fnSetSquelchThreshold(std::int32_t threshold, std::int32_t speed,
                                   std::int32_t reserved);
// Accepted for compatibility; this library has no transmitter.
std::int32_t fnSetTXFrequency(std::int32_t frequencyHz);
// Copies spectrum elements first..last (0..kSpectrumValues - 1) of the newest spectrum to
// dest[0..].
std::int32_t fnGetFFTData(std::int32_t* dest, std::int32_t first, std::int32_t last);
// Copies the kVectorValues (16) tuning-indicator values of the newest symbols to dest[0..].
std::int32_t fnGetVectorData(std::int32_t* dest, std::int32_t reserved);

// Chooses the sound card input and its clock correction in ppm (-5000..+5000, passed to the
// sample-rate conversion). While running, the capture restarts at once on card `cardNumber`
// (numbered as for fnStartSoundCard, its source made as the start made its own) with the
// correction, and the receiver keeps its state; when that card cannot start, the previous one
// goes on and the start's error code is returned. While stopped only the correction is taken,
// for the next fnStartSoundCard. Returns 0 on success.
std::int32_t fnSetSoundCardInput(std::int32_t cardNumber, double clockPpm);

// Whole-band decoding beside the tuned receiver (non-zero = on; off by default): every PSK31
// signal of 100..3000 Hz, published about twice a second while running.
std::int32_t fnSetBandActivity(std::int32_t on);
// Copies the newest whole-band snapshot into `snapshot` when one newer than snapshot.serial can
// be had without waiting; returns 1 when it did, 0 otherwise.
std::int32_t fnGetBandActivity(BandActivitySnapshot& snapshot);

}  // namespace pskmodem
