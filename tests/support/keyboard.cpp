#include "support/keyboard.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>

#include "support/form_harness.h"

namespace testing_support {

QWidget* FocusOn(QWidget* widget) {
    widget->activateWindow();
    widget->setFocus(Qt::OtherFocusReason);
    processEvents();
    QWidget* focused = QApplication::focusWidget();
    EXPECT_NE(focused, nullptr) << "nothing has the keyboard focus";
    return focused;
}

void PressKeyInFocus(int key, const QString& text) {
    QWidget* focused = QApplication::focusWidget();
    ASSERT_NE(focused, nullptr) << "nothing has the keyboard focus";
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(focused, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(focused, &release);
}

void TypeInFocus(const QString& text) {
    for (const QChar c : text) {
        const int key = c.isDigit() ? Qt::Key_0 + c.digitValue()
                        : c == u'-' ? Qt::Key_Minus
                                    : static_cast<int>(c.toUpper().unicode());
        PressKeyInFocus(key, QString(c));
    }
}

}  // namespace testing_support
