#include "platform/window_caption.h"

namespace platform {

QString VisibleCaption(QStringView text) {
    QString shown = text.toString();
    for (QChar& c : shown) {
        if (c.category() != QChar::Other_Control) {
            continue;
        }
        const bool whiteSpace = c == u'\t' || c == u'\n' || c == u'\r';
        c = whiteSpace ? QChar(u' ') : QChar(QChar::ReplacementCharacter);
    }
    return shown;
}

}  // namespace platform
