#pragma once

// Outside programs for tests: nothing is started; every start is recorded and answered with
// `available`.

#include <QString>
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

    bool start(platform::OutsideProgram program, const QString& file = QString()) override {
        started.push_back({program, file});
        return available;
    }

    void openLink(const QUrl& link) override { links.push_back(link); }

    bool available = true;
    std::vector<Started> started;
    std::vector<QUrl> links;
};

}  // namespace testing_support
