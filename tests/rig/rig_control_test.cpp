// The rig in the program, against hamlib's rig daemon with its dummy rig on a free loopback
// port: Setup > "Rig Control..." with its Test, the dial in the caption as it changes,
// "rig not answering" when the daemon goes and the dial again when it comes back, the receiver's
// QPSK sideband following the rig, and the UI thread never waiting on the rig.

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <functional>

#include "mainwindow/main_window.h"
#include "platform/psk_engine.h"
#include "receiver/receive_controller.h"
#include "rig/rig_control_window.h"
#include "rig/rig_controller.h"
#include "rig_daemon.h"
#include "settings/settings_record.h"
#include "support/form_harness.h"
#include "support/recording_engine.h"

namespace {

using station::testing::RigDaemon;
using testing_support::FormHarness;

// Lets Qt work until `condition` holds or `limitMs` passes; the longest time one round of
// events took goes to `longestMs` (the UI thread must never wait on the rig).
bool WaitFor(int limitMs, const std::function<bool()>& condition, qint64* longestMs = nullptr) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > limitMs) {
            return false;
        }
        QElapsedTimer round;
        round.start();
        testing_support::processEvents();
        if (longestMs != nullptr) {
            *longestMs = std::max(*longestMs, round.elapsed());
        }
        QThread::msleep(5);
    }
    return true;
}

// The last receive mode the engine was given.
std::int64_t LastEngineMode(const testing_support::RecordingEngine& engine) {
    std::int64_t mode = -1;
    for (const auto& call : engine.calls()) {
        if (call.name == "fnSetRXPSKMode") {
            mode = call.args.at(0);
        }
    }
    return mode;
}

TEST(RigControl, OffByDefaultWithItsMenuItem) {
    FormHarness harness;
    MainWindow& form = harness.load();
    EXPECT_EQ(form.menurig->text(), QStringLiteral("Rig Control..."));
    EXPECT_EQ(form.menurig->parent(), form.menusetup);
    EXPECT_FALSE(form.rig().dial());
    EXPECT_TRUE(form.rig().dialText().isEmpty());
    EXPECT_FALSE(form.windowTitle().contains(u"rig"));
    form.menurig->trigger();
    RigControlWindow* window = form.rig().rigControlWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->objectName(), QStringLiteral("RigControl"));
    EXPECT_TRUE(window->Option1->isChecked());
    EXPECT_FALSE(window->Command3->isEnabled());
    EXPECT_GT(window->Combo1->count(), 100);
    window->Command2_Click();
    EXPECT_EQ(harness.settings.RigModel, 0);
}

TEST(RigControl, WindowTestsAndChoosesRigctld) {
    RigDaemon daemon(QUORVIN_RIGCTLD, station::testing::freeLoopbackPort());
    ASSERT_TRUE(daemon.start());
    ASSERT_TRUE(daemon.setFrequency(14'070'000));
    ASSERT_TRUE(daemon.setMode("USB"));

    FormHarness harness;
    MainWindow& form = harness.load();
    form.menurig->trigger();
    RigControlWindow* window = form.rig().rigControlWindow();
    ASSERT_NE(window, nullptr);

    // A port nobody listens on: the test says so, clearly, and the window stays usable.
    const std::string nobody = "127.0.0.1:" + std::to_string(station::testing::freeLoopbackPort());
    window->Option2->setChecked(true);
    window->Text1->setText(QString::fromStdString(nobody));
    window->Command3_Click();
    EXPECT_EQ(window->Label3->text(), QStringLiteral("Reading..."));
    ASSERT_TRUE(WaitFor(3000, [&] { return window->Command3->isEnabled(); }));
    EXPECT_TRUE(window->Label3->text().contains(QString::fromStdString(nobody)))
        << window->Label3->text().toStdString();

    // The daemon: read once.
    window->Text1->setText(QString::fromStdString(daemon.hostPort()));
    window->Command3_Click();
    ASSERT_TRUE(WaitFor(3000, [&] { return window->Command3->isEnabled(); }));
    EXPECT_EQ(window->Label3->text(), QStringLiteral("Read 14.070.000 USB"));
    EXPECT_EQ(harness.settings.RigModel, 0);  // nothing changes before OK

    // An incomplete choice is refused with the reason, the window stays.
    window->Text1->setText(QStringLiteral("localhost"));
    window->Command1_Click();
    EXPECT_NE(form.rig().rigControlWindow(), nullptr);
    EXPECT_TRUE(window->Label3->text().contains(u"HOST:PORT"));

    window->Text1->setText(QString::fromStdString(daemon.hostPort()));
    window->Command1_Click();
    EXPECT_EQ(form.rig().rigControlWindow(), nullptr);
    EXPECT_EQ(harness.settings.RigModel, station::kNetworkRigModel);
    EXPECT_EQ(harness.settings.RigPort, QString::fromStdString(daemon.hostPort()));
    ASSERT_TRUE(WaitFor(3000, [&] { return form.windowTitle().endsWith(u" - 14.070.000 USB"); }))
        << form.windowTitle().toStdString();
}

TEST(RigControl, CaptionFollowsTheDialTheLossAndTheReturn) {
    RigDaemon daemon(QUORVIN_RIGCTLD, station::testing::freeLoopbackPort());
    ASSERT_TRUE(daemon.start());
    ASSERT_TRUE(daemon.setFrequency(14'070'000));
    ASSERT_TRUE(daemon.setMode("USB"));

    FormHarness harness;
    harness.settings.RigModel = station::kNetworkRigModel;
    harness.settings.RigPort = QString::fromStdString(daemon.hostPort());
    MainWindow& form = harness.create();
    // The load shows the settings as the record holds them (this one starts from defaults and
    // no file): the rig is set before the load through the window's choice.
    form.Form_Load();
    form.rig().follow(station::RigAddress::daemon(daemon.hostPort()));
    form.Option2->setChecked(true);  // QPSK usb
    qint64 longestMs = 0;
    ASSERT_TRUE(WaitFor(
        3000, [&] { return form.windowTitle().endsWith(u" - 14.070.000 USB"); }, &longestMs))
        << form.windowTitle().toStdString();
    EXPECT_EQ(LastEngineMode(harness.engine), platform::kModeQpskUsb);

    // Another program turns the rig to 40 m LSB: seen within two seconds, and the receiver's
    // QPSK sideband turns with it while the option still names the sideband on the air.
    ASSERT_TRUE(daemon.setFrequency(7'040'000));
    ASSERT_TRUE(daemon.setMode("LSB"));
    QElapsedTimer changed;
    changed.start();
    ASSERT_TRUE(WaitFor(
        2000, [&] { return form.windowTitle().endsWith(u" - 7.040.000 LSB"); }, &longestMs))
        << form.windowTitle().toStdString();
    std::printf("dial change in the caption after %lld ms\n",
                static_cast<long long>(changed.elapsed()));
    EXPECT_TRUE(form.Option2->isChecked());
    EXPECT_EQ(LastEngineMode(harness.engine), platform::kModeQpskLsb);
    form.Option3->setChecked(true);
    EXPECT_EQ(LastEngineMode(harness.engine), platform::kModeQpskUsb);
    form.Option2->setChecked(true);
    EXPECT_EQ(LastEngineMode(harness.engine), platform::kModeQpskLsb);

    // The daemon goes: "rig not answering" within three seconds, the rest as it was.
    daemon.stop();
    ASSERT_TRUE(WaitFor(
        3000, [&] { return form.windowTitle().endsWith(u" - rig not answering"); }, &longestMs))
        << form.windowTitle().toStdString();
    EXPECT_EQ(LastEngineMode(harness.engine), platform::kModeQpskLsb);
    EXPECT_EQ(form.windowTitle(),
              MainWindow::designedCaption() + QStringLiteral(" - rig not answering"));

    // It comes back: the dial again, without anything done.
    ASSERT_TRUE(daemon.start());
    ASSERT_TRUE(daemon.setFrequency(14'070'000));
    ASSERT_TRUE(daemon.setMode("USB"));
    ASSERT_TRUE(WaitFor(
        4000, [&] { return form.windowTitle().endsWith(u" - 14.070.000 USB"); }, &longestMs))
        << form.windowTitle().toStdString();
    EXPECT_EQ(LastEngineMode(harness.engine), platform::kModeQpskUsb);
    // No round of events waited on the rig.
    EXPECT_LT(longestMs, 100);

    // No rig: the caption loses the dial.
    QElapsedTimer letGo;
    letGo.start();
    form.rig().follow(std::nullopt);
    EXPECT_LT(letGo.elapsed(), 100);
    EXPECT_FALSE(form.windowTitle().contains(u"14.070.000"));
}

}  // namespace
