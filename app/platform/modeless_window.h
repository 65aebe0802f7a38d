#pragma once

// The program's modeless windows (the setup windows, the locator calculator): each is a
// window of its own, not a child of the main window, so that it stays open when the main
// window closes and the program ends with the last window. Closing one unloads it; opening it
// again loads a new one.

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>

namespace platform {

// Gives `window` its object name, caption and the program icon, makes it modeless and deletes
// it when it is closed.
void SetUpModelessWindow(QWidget& window, const QString& objectName, const QString& caption);

// Where a newly loaded window appears.
enum class Placement { CentredOverOwner, ChosenBySystem };

// The window `pointer` holds while it is open; a closed one is on its way out.
template <class Window>
Window* OpenWindow(const QPointer<Window>& pointer) {
    if (Window* window = pointer.data(); window != nullptr && !window->isUnloaded()) {
        return window;
    }
    return nullptr;
}

// Shows the window `pointer` holds, loading a new one with `load()` when none is open, and
// brings it to the front. Should `owner` (the main window) go first, the window goes with it.
template <class Window, class Load>
Window* ShowModeless(QWidget& owner, QPointer<Window>& pointer, Load load,
                     Placement placement = Placement::CentredOverOwner) {
    Window* window = OpenWindow(pointer);
    if (window == nullptr) {
        window = load();
        pointer = window;
        QObject::connect(&owner, &QObject::destroyed, window, [window] { delete window; });
        if (placement == Placement::CentredOverOwner) {
            window->adjustSize();
            window->move(owner.frameGeometry().center() - window->rect().center());
        }
    }
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

// A window that must stay usable while a modal dialog blocks the program's other windows (the
// help window opened from inside a dialog): moved under the active modal dialog, as a window of
// its own, so that the dialog does not block it; it closes with that dialog. Does nothing when
// no modal dialog is open or the window already belongs to it.
void KeepUsableOverModalDialog(QWidget& window);

// Calls `open` when F1 is pressed in any window of the program, modal dialogs included, for as
// long as `owner` lives. The key goes no further.
void InstallHelpKey(QObject& owner, std::function<void()> open);

}  // namespace platform
