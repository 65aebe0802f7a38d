#pragma once

// PortAudio's process-wide initialisation, counted in one place for every user in the process:
// the library's sound-card source and any other code that plays or records through PortAudio
// (the program's alarm sound). PortAudio's own initialisation is not thread-safe; sessions are.

#include <string>

namespace pskmodem {

// Keeps PortAudio initialised while alive. Instances may be created and destroyed on any
// thread; PortAudio is initialised by the first and terminated after the last.
class PortAudioSession {
  public:
    PortAudioSession();
    ~PortAudioSession();
    PortAudioSession(const PortAudioSession&) = delete;
    PortAudioSession& operator=(const PortAudioSession&) = delete;

    bool ok() const { return ok_; }
    const std::string& error() const { return error_; }

  private:
    bool ok_ = false;
    std::string error_;
};

}  // namespace pskmodem
