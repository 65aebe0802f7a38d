#pragma once

// What the window caption says while the engine has no sound card and keeps opening it: a card
// that gave audio and was lost is "lost", one that could not be opened since the start is not.

#include <QString>
#include <array>

namespace receiver {

inline constexpr char16_t kSoundCardLostNotice[] = u" [sound card lost - reopening]";
inline constexpr char16_t kNoSoundCardNotice[] = u" [no sound card - retrying]";

enum class SoundCardNotice { None, NoSoundCard, Lost };

// Follows the engine's sound card status: which notice the caption carries.
class SoundCardWatch {
  public:
    // The engine opens the sound card again: lost when audio flowed before, else none opened.
    void reopening() {
        notice_ = hasFlowed_ ? SoundCardNotice::Lost : SoundCardNotice::NoSoundCard;
    }
    // Audio flows.
    void started() {
        hasFlowed_ = true;
        notice_ = SoundCardNotice::None;
    }
    SoundCardNotice notice() const noexcept { return notice_; }

  private:
    bool hasFlowed_ = false;
    SoundCardNotice notice_ = SoundCardNotice::None;
};

// `caption` without any notice, with `notice` appended.
inline QString WithSoundCardNotice(QString caption, SoundCardNotice notice) {
    const std::array<QString, 2> notices{QString::fromUtf16(kNoSoundCardNotice),
                                         QString::fromUtf16(kSoundCardLostNotice)};
    for (const QString& shown : notices) {
        if (caption.endsWith(shown)) {
            caption.chop(shown.size());
        }
    }
    switch (notice) {
        case SoundCardNotice::NoSoundCard:
            return caption + notices[0];
        case SoundCardNotice::Lost:
            return caption + notices[1];
        case SoundCardNotice::None:
            break;
    }
    return caption;
}

}  // namespace receiver
