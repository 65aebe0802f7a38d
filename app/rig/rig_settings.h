#pragma once

// The rig's settings and what the program shows of its dial, without widgets.

#include <QString>
#include <QStringList>
#include <QStringView>
#include <optional>
#include <vector>

#include "station/rig.h"

namespace KVXmodules {
struct SettingsRecord;
}

namespace rig {

// What the main window's caption carries while the rig does not answer.
inline constexpr char16_t kRigNotAnswering[] = u"rig not answering";

// The rig the record names, or nothing when it names none (model 0, the default).
std::optional<station::RigAddress> RigAddressOf(const KVXmodules::SettingsRecord& record);
// Puts `address` (or no rig) into the record.
void KeepRigAddress(const std::optional<station::RigAddress>& address,
                    KVXmodules::SettingsRecord& record);

// "14.070.000 USB" while the rig answers, "rig not answering" when it does not, empty while it
// has not answered yet.
QString DialText(const station::RigStatus& status);

// The caption with the dial after it, " - 14.070.000 USB", put in place of the dial text
// `shownBefore` that the caption ends with; an empty `dialText` takes it away.
QString CaptionWithDial(QStringView caption, QStringView shownBefore, QStringView dialText);

// The serial speeds the window offers; 0 is the model's own.
const std::vector<int>& SerialSpeeds();

// A model as the window lists it: "Dummy (1)", "Hamlib NET rigctl (2)", "Icom IC-7300 (3073)".
QString ModelLabel(const station::RigModel& model);

// What the Test button says of a read: "Read 14.070.000 USB" or the reason for none.
QString TestResultText(const station::RigRead& read);

// What the Rig Control window shows as chosen.
struct RigChoice {
    enum class Kind { None, Daemon, Model };
    Kind kind = Kind::None;
    QString hostPort;  // rigctld's HOST:PORT
    int model = 0;     // hamlib's model number
    QString port;      // the model's serial device or path
    int speed = 0;     // serial speed, 0 = the model's own
};
// The window's choice for what the record holds: rigctld for the network model.
RigChoice ChoiceOf(const KVXmodules::SettingsRecord& record);
// The rig a choice names, or why it names none.
struct ChosenRig {
    std::optional<station::RigAddress> address;  // nothing: no rig
    QString error;                               // the choice is incomplete
};
ChosenRig RigOfChoice(const RigChoice& choice);

}  // namespace rig
