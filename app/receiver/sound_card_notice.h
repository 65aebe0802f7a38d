#pragma once

// What the window caption says while the engine has lost its sound card and opens it again.

#include <QString>

namespace receiver {

inline constexpr char16_t kSoundCardLostNotice[] = u" [sound card lost - reopening]";

// `caption` without any notice, with the notice appended while the sound card is `lost`.
inline QString WithSoundCardNotice(QString caption, bool lost) {
    const QString notice = QString::fromUtf16(kSoundCardLostNotice);
    if (caption.endsWith(notice)) {
        caption.chop(notice.size());
    }
    return lost ? caption + notice : caption;
}

}  // namespace receiver
