#pragma once

// Window captions made of text the program did not write itself (the call sign from the
// settings file): control codes never reach the title bar as they are.

#include <QString>
#include <QStringView>

namespace platform {

// `text` with every control character (C0, DEL and C1) shown visibly, one character for one,
// so that nothing is dropped and the caption keeps the length the settings file's reader kept:
// a tab, line feed or carriage return becomes a blank, any other control character U+FFFD, the
// replacement character. Everything else stays as it is.
QString VisibleCaption(QStringView text);

}  // namespace platform
