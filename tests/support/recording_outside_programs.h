#pragma once

// Outside programs for tests: nothing is started; every start is recorded and answered with
// `available` (and, when the opener is to fail, its failure at once).

#include <QString>
#include <functional>
#include <vector>

#include "platform/outside_programs.h"

namespace testing_support {

class RecordingOutsidePrograms final : public platform::OutsidePrograms {
  public:
    struct Started {
        platform::OutsideProgram program;
        QString file;
        friend bool operator==(const Started&, const Started&) = default;
    };

    bool start(platform::OutsideProgram program, const QString& file = QString(),
               std::function<void()> openFailed = {}) override {
        started.push_back({program, file});
        if (available && openerFails && openFailed) {
            openFailed();
        }
        return available;
    }

    void openLink(const QUrl& link) override { links.push_back(link); }

    bool available = true;
    // With `available`: the program started was the desktop's opener, and it found nothing to
    // open the file with.
    bool openerFails = false;
    std::vector<Started> started;
    std::vector<QUrl> links;
};

}  // namespace testing_support
