#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "pskmodem/band/band_activity.h"
#include "pskmodem/dsp/waterfall_fft.h"
#include "pskmodem/engine/message_sink.h"
#include "pskmodem/types.h"

namespace pskmodem {

class AudioSource;

// The running modem: one DSP thread that reads an audio source, converts it to 8000 Hz, runs
// the spectrum and the receiver, and posts their results to a message sink:
//   kMsgSpectrum  for each spectrum frame (wParam: receive frequency in Hz after AFC,
//                 lParam: quality 0..100); the frame is readable with getFftData() before the
//                 message is posted;
//   kMsgCharacter for each decoded character (wParam: 8-bit code);
//   kMsgStatus    Started when audio begins to flow, EndOfInput / DeviceLost when the source
//                 ends the flow, Overrun when audio was dropped because the DSP fell behind;
//                 with reopening on (setReopenInterval), Reopening when the input could not be
//                 opened or was lost, and Started again once it is back.
//
// All calls are thread-safe. Settings may be changed from any thread at any time, also while
// stopped: they reach the DSP thread without blocking it and persist across restarts.
class Engine {
  public:
    // Ranges the settings are clamped into (the frequencies' are kMinFrequencyHz,
    // kMaxFrequencyHz and kMaxSearchRangeHz of pskmodem/types.h).
    static constexpr int kMinSmoothing = WaterfallFft::kMinSmoothing;
    static constexpr int kMaxSmoothing = WaterfallFft::kMaxSmoothing;
    static constexpr int kMinSensitivity = WaterfallFft::kMinSensitivity;
    static constexpr int kMaxSensitivity = WaterfallFft::kMaxSensitivity;
    static constexpr int kMaxSquelchThreshold = 99;

    // Start-up failures that are not the source's own (which returns SourceError codes).
    static constexpr int kErrorInvalidArgument = 100;
    static constexpr int kErrorInternal = 101;
    // restartCapture() without a running flow.
    static constexpr int kErrorNotRunning = 102;

    Engine();
    ~Engine();  // stops
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    // Starts `source` and the DSP thread, posting to `sink` (which must outlive the flow, i.e.
    // until stop()). Returns 0 when audio flows, otherwise the error code (see lastError()).
    // On failure nothing is posted, unless reopening is on and the source can come back
    // (AudioSource::reopenable): then the flow begins without audio, posts Reopening, and opens
    // the source every reopen interval until audio flows (Started) or stop(). While a flow
    // exists, a call changes nothing and returns 0. After the flow ended on its own
    // (EndOfInput, DeviceLost) a call starts a new flow.
    int start(MessageSink* sink, std::unique_ptr<AudioSource> source);
    // Ends the flow and returns once the DSP thread has posted its last message and exited;
    // afterwards no message arrives. Does nothing when not started. Not to be called from the
    // sink's post(), which runs on the DSP thread.
    void stop();

    // Restarts the capture of a running flow while the DSP keeps its state (spectrum
    // smoothing, receiver lock, AFC, squelch): the DSP thread pauses, the sample-rate
    // conversion is set up afresh for the source's rate and the current clock correction, and
    // the thread goes on. With a new `source` the old one is stopped first and the new one
    // started; should the new one fail to start, the old one is started again and the code of
    // the failure returned (lastError() says why). Should the old one then fail too, the flow
    // ends as with a lost device. Without a source (nullptr) the running one goes on, so a new
    // clock correction takes effect without touching the device. With reopening on, a flow
    // whose old source fails to start again (or was waiting for it) keeps waiting for the old
    // source instead of ending. Returns 0 on success and kErrorNotRunning, taking nothing, when
    // no flow runs.
    int restartCapture(std::unique_ptr<AudioSource> source);

    // How often an input that cannot be opened, or was lost, is opened again; 0 (the default)
    // ends the flow instead with DeviceLost, and fails a start at once. A running input counts
    // as lost when it reports a failure or stays silent for kDeviceSilenceLimit. Takes effect
    // at the next attempt.
    void setReopenInterval(std::chrono::milliseconds interval);

    // True from a successful start() (or one that waits for its input to come back) until
    // stop() or until the source ends the flow.
    bool running() const;
    // Waits until the flow has ended (on its own or by stop()); true when it has, false when
    // `timeout` passed first. Returns true at once when not started.
    bool waitUntilFinished(std::chrono::milliseconds timeout) const;
    // Why the last start() failed; empty after a successful start.
    std::string lastError() const;

    // Receive frequency (clamped into kMinFrequencyHz..kMaxFrequencyHz) and the AFC search
    // range either side (0 = AFC off, at most kMaxSearchRangeHz). Retunes at once.
    void setFrequency(double centreHz, double searchRangeHz);
    void setMode(Mode mode);
    // PSK31 unless set; a change starts the receiver afresh (tuned and set as before).
    void setSpeed(Speed speed);
    // Waterfall smoothing 1..10 and sensitivity 100..2500 (clamped).
    void setFftMode(int smoothing, int sensitivity);
    // Squelch threshold 0..99 (0 = open) and speed (1 slow, 0 fast); clamped.
    void setSquelch(int threshold, int speed);
    // Sound-card clock correction in ppm (-5000..+5000), applied to the sample-rate conversion
    // from the next start() or restartCapture() on.
    void setClockCorrectionPpm(double ppm);

    // Copies spectrum values first..last (each clamped into 0..kSpectrumValues - 1) of the newest
    // frame to dest[0..]; returns how many were copied (0 for a null dest or last < first). Zeros
    // before the first frame. Never waits for the DSP thread.
    int getFftData(std::int32_t* dest, int first, int last) const;
    // Copies the kVectorValues tuning-indicator values of the newest frame; returns how many (0
    // for a null dest).
    int getVectorData(std::int32_t* dest) const;

    // Whole-band decoding beside the tuned receiver: while on, the DSP thread also runs a
    // BandActivity over 100..3000 Hz and publishes a snapshot of it every kBandSnapshotSeconds
    // of audio. Off (the default) frees it; on again starts afresh.
    static constexpr double kBandSnapshotSeconds = 0.5;
    void setBandActivity(bool on);
    // Copies the newest band snapshot into `out` when there is one newer than out.serial and
    // it can be had without waiting for the DSP thread; returns whether `out` changed.
    bool bandActivity(BandActivitySnapshot& out) const;

    // 8 kHz samples processed since the last start (for tools and tests).
    std::uint64_t samplesProcessed() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace pskmodem
