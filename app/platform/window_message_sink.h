#pragma once

// The engine's message sink for a window: each message becomes an EngineMessageEvent posted
// to the window's event queue, from whatever thread the engine posts on. Once detached (when
// the window goes away) the sink drops what it is given.

#include <QObject>
#include <mutex>

#include "pskmodem/engine/message_sink.h"

namespace platform {

class WindowMessageSink final : public pskmodem::MessageSink {
  public:
    explicit WindowMessageSink(QObject* window) : window_(window) {}

    void post(std::uint32_t message, std::intptr_t wParam, std::intptr_t lParam) override;
    void detach();

  private:
    std::mutex mutex_;
    QObject* window_;  // guarded by mutex_
};

}  // namespace platform
