#pragma once

// A window timer with an Enabled switch: enabling a running timer changes nothing (it keeps
// its phase), disabling stops it. QTimer::start() on a running timer would restart it, which
// would let a steady stream of enabling calls postpone the tick for ever.

#include <QTimer>

namespace platform {

class FormTimer final : public QTimer {
    Q_OBJECT
  public:
    explicit FormTimer(QObject* parent = nullptr) : QTimer(parent) {}

    void setEnabled(bool enabled) {
        if (!enabled) {
            stop();
        } else if (!isActive()) {
            start();
        }
    }
    bool isEnabled() const { return isActive(); }
};

}  // namespace platform
