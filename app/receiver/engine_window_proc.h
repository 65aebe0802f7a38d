#pragma once

// EngineWindowProc, the main window's procedure while the engine runs: it keeps what the
// engine's messages carry in the shared receive buffers and arms the two receive timers; it
// draws nothing. The engine's word that the sound card was lost, or delivers again, goes to the
// window at once (while the card is away no spectrum comes to arm a timer). Any message that
// is not the engine's goes on to the procedure the window had before.

#include <QString>
#include <cstdint>
#include <functional>
#include <utility>

#include "platform/receiver_buffers.h"
#include "platform/window_proc.h"

namespace platform {
class FormTimer;
class PskEngine;
}  // namespace platform

namespace APIStuff {

// Appends the received character `code` (an 8-bit Windows-1252 code; higher bits are
// ignored) to `buffer`: a CR becomes CR CR LF, an LF leaves no trace.
void AppendReceivedCharacter(QString& buffer, std::intptr_t code);

class EngineWindowProc {
  public:
    // `displayTimer` is the main window's Timer1, `textTimer` its Timer2; `soundCardStatus` is
    // told true when the engine opens the sound card again (it could not be opened, or was
    // lost) and false when audio flows.
    EngineWindowProc(ReceiverBuffers& buffers, platform::PskEngine& engine,
                     platform::FormTimer& displayTimer, platform::FormTimer& textTimer,
                     std::function<void(bool)> soundCardStatus = {})
        : buffers_(&buffers),
          engine_(&engine),
          displayTimer_(&displayTimer),
          textTimer_(&textTimer),
          soundCardStatus_(std::move(soundCardStatus)) {}

    std::intptr_t operator()(platform::WindowHandle hWnd, std::uint32_t message,
                             std::intptr_t wParam, std::intptr_t lParam) const;

  private:
    ReceiverBuffers* buffers_;
    platform::PskEngine* engine_;
    platform::FormTimer* displayTimer_;
    platform::FormTimer* textTimer_;
    std::function<void(bool)> soundCardStatus_;
};

}  // namespace APIStuff
