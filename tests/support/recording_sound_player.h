#pragma once

// A sound player for tests: it plays nothing and records every file it is asked to play.

#include <QString>
#include <QStringList>

#include "platform/sound_player.h"

namespace testing_support {

class RecordingSoundPlayer final : public platform::SoundPlayer {
  public:
    void play(const QString& path) override { played_.append(path); }

    const QStringList& played() const noexcept { return played_; }
    void clear() { played_.clear(); }

  private:
    QStringList played_;
};

}  // namespace testing_support
