#include "platform/window_proc.h"

namespace platform {

QEvent::Type EngineMessageEvent::eventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

std::intptr_t CallWindowProc(const WindowProc& proc, WindowHandle hWnd, std::uint32_t message,
                             std::intptr_t wParam, std::intptr_t lParam) {
    return proc ? proc(hWnd, message, wParam, lParam) : 0;
}

std::intptr_t WindowProcedure::dispatch(WindowHandle hWnd, std::uint32_t message,
                                        std::intptr_t wParam, std::intptr_t lParam) const {
    return CallWindowProc(current_, hWnd, message, wParam, lParam);
}

}  // namespace platform
