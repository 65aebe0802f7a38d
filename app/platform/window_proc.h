#pragma once

// Window procedures for Qt windows.
//
// A window that hosts a WindowProcedure hands every event it receives to its current
// procedure as a message with two parameters, and a procedure installed later can keep the
// previous one and pass on what it does not handle itself. Engine messages arrive as posted
// EngineMessageEvents and reach the procedure with their own message number and parameters;
// any other Qt event reaches it as the message EventMessage(type) with the event's address in
// lParam and wParam 0. The window's own default procedure turns such a message back into the
// event and lets the widget handle it, returning 1 when the event was handled and 0 otherwise.

#include <QEvent>
#include <cstdint>
#include <functional>
#include <utility>

class QWidget;

namespace platform {

using WindowHandle = QWidget*;
using WindowProc = std::function<std::intptr_t(WindowHandle hWnd, std::uint32_t message,
                                               std::intptr_t wParam, std::intptr_t lParam)>;

// Message numbers of Qt events lie above every number an engine posts.
inline constexpr std::uint32_t kEventMessageBase = 0x10000;

constexpr std::uint32_t EventMessage(QEvent::Type type) noexcept {
    return kEventMessageBase + static_cast<std::uint32_t>(type);
}

constexpr bool IsEventMessage(std::uint32_t message) noexcept {
    return message >= kEventMessageBase && message <= kEventMessageBase + QEvent::MaxUser;
}

// The event a Qt-event message carries in its lParam.
inline QEvent* EventOf(std::intptr_t lParam) noexcept {
    return reinterpret_cast<QEvent*>(lParam);
}

inline std::intptr_t EventParam(QEvent* event) noexcept {
    return reinterpret_cast<std::intptr_t>(event);
}

// A message posted to a window from any thread.
class EngineMessageEvent final : public QEvent {
  public:
    EngineMessageEvent(std::uint32_t message, std::intptr_t wParam, std::intptr_t lParam)
        : QEvent(eventType()), message_(message), wParam_(wParam), lParam_(lParam) {}

    // The event type, registered once with Qt.
    static QEvent::Type eventType();

    std::uint32_t message() const noexcept { return message_; }
    std::intptr_t wParam() const noexcept { return wParam_; }
    std::intptr_t lParam() const noexcept { return lParam_; }

  private:
    std::uint32_t message_;
    std::intptr_t wParam_;
    std::intptr_t lParam_;
};

// The replaceable procedure of one window.
class WindowProcedure {
  public:
    // Starts with `defaultProc`, the window's own handling.
    explicit WindowProcedure(WindowProc defaultProc) : current_(std::move(defaultProc)) {}

    // Installs `proc` and returns the procedure it replaces.
    WindowProc setWindowProc(WindowProc proc) { return std::exchange(current_, std::move(proc)); }

    const WindowProc& windowProc() const noexcept { return current_; }

    // Calls the current procedure.
    std::intptr_t dispatch(WindowHandle hWnd, std::uint32_t message, std::intptr_t wParam,
                           std::intptr_t lParam) const;

  private:
    WindowProc current_;
};

// Calls `proc` with the four arguments; an empty procedure answers 0.
std::intptr_t CallWindowProc(const WindowProc& proc, WindowHandle hWnd, std::uint32_t message,
                             std::intptr_t wParam, std::intptr_t lParam);

}  // namespace platform
