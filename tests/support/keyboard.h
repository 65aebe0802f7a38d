#pragma once

// Keys as a keyboard sends them: to the widget that has the focus.

#include <QString>
#include <QWidget>

namespace testing_support {

// The widget with the keyboard focus, after `widget` was given it; fails the test when none.
QWidget* FocusOn(QWidget* widget);
// Presses and releases `key` (a Qt key code) with `text` on the focused widget.
void PressKeyInFocus(int key, const QString& text = QString());
// Types each character of `text` on the focused widget.
void TypeInFocus(const QString& text);

}  // namespace testing_support
