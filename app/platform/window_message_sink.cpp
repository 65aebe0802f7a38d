#include "platform/window_message_sink.h"

#include <QCoreApplication>

#include "platform/window_proc.h"

namespace platform {

void WindowMessageSink::post(std::uint32_t message, std::intptr_t wParam, std::intptr_t lParam) {
    const std::lock_guard lock(mutex_);
    if (window_ != nullptr) {
        QCoreApplication::postEvent(window_,
                                    new platform::EngineMessageEvent(message, wParam, lParam));
    }
}

void WindowMessageSink::detach() {
    const std::lock_guard lock(mutex_);
    window_ = nullptr;
}

}  // namespace platform
