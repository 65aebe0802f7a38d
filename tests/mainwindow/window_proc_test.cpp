// The engine's window procedure: what each engine message leaves in the receive buffers, which
// timer it arms, and that every other message reaches the previous procedure unchanged. Then
// the same through a real main window: messages posted from another thread, Qt events routed
// through the installed procedure.

#include "platform/window_proc.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QPlainTextEdit>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "mainwindow/main_window.h"
#include "platform/form_timer.h"
#include "platform/psk_engine.h"
#include "pskmodem/engine/message_sink.h"
#include "receiver/engine_window_proc.h"
#include "receiver/receive_controller.h"
#include "receivetext/received_text_controller.h"
#include "settings/settings_record.h"
#include "support/form_harness.h"
#include "support/recording_clipboard.h"
#include "support/recording_engine.h"
#include "support/scripted_dialogs.h"

namespace {

using APIStuff::EngineWindowProc;
using APIStuff::ReceiverBuffers;
using testing_support::EngineCall;
using testing_support::FormHarness;
using testing_support::RecordingEngine;

struct ForwardedMessage {
    platform::WindowHandle hWnd;
    std::uint32_t message;
    std::intptr_t wParam;
    std::intptr_t lParam;

    friend bool operator==(const ForwardedMessage&, const ForwardedMessage&) = default;
};

// A procedure with its buffers, timers and a recording previous procedure.
class EngineProcTest : public ::testing::Test {
  protected:
    EngineProcTest() {
        buffers.PreviousWindowProc = [this](platform::WindowHandle hWnd, std::uint32_t message,
                                            std::intptr_t wParam, std::intptr_t lParam) {
            forwarded.push_back({hWnd, message, wParam, lParam});
            return previousResult;
        };
        displayTimer.setInterval(10);
        textTimer.setInterval(10);
    }

    std::intptr_t send(std::uint32_t message, std::intptr_t wParam, std::intptr_t lParam = 0) {
        const EngineWindowProc proc(buffers, engine, displayTimer, textTimer);
        return proc(windowHandle, message, wParam, lParam);
    }

    void sendCharacters(std::initializer_list<int> codes) {
        for (const int code : codes) {
            EXPECT_EQ(send(platform::kMsgCharacter, code), 0);
        }
    }

    ReceiverBuffers buffers;
    RecordingEngine engine;
    platform::FormTimer displayTimer;
    platform::FormTimer textTimer;
    std::vector<ForwardedMessage> forwarded;
    std::intptr_t previousResult = 0;
    // Any distinct value: the procedure only passes it on.
    platform::WindowHandle windowHandle = reinterpret_cast<platform::WindowHandle>(0x1234);
};

TEST_F(EngineProcTest, LineBreakBecomesCrCrLfAndLineFeedLeavesNoTrace) {
    sendCharacters({'A', 13, 10, 'B'});
    EXPECT_EQ(buffers.RxTextBuffer, QStringLiteral("A\r\r\nB"));
    EXPECT_TRUE(forwarded.empty());
}

TEST_F(EngineProcTest, LoneLineFeedChangesNothingButArmsTheTextTimer) {
    buffers.RxTextBuffer = QStringLiteral("xy");
    sendCharacters({10});
    EXPECT_EQ(buffers.RxTextBuffer, QStringLiteral("xy"));
    EXPECT_TRUE(textTimer.isActive());
    EXPECT_FALSE(displayTimer.isActive());
}

TEST_F(EngineProcTest, CharactersAreWindows1252AndBackspaceIsKept) {
    sendCharacters({0x80, 0xE9, 8, 0x20});
    EXPECT_EQ(buffers.RxTextBuffer, QString::fromUtf16(u"\u20AC\u00E9\b "));
}

TEST_F(EngineProcTest, CharacterArmsTextTimerOnly) {
    sendCharacters({'Q'});
    EXPECT_TRUE(textTimer.isActive());
    EXPECT_FALSE(displayTimer.isActive());
    EXPECT_TRUE(engine.calls().empty());
}

TEST_F(EngineProcTest, SpectrumStoresFrequencyQualityAndSpectrumAndArmsDisplayTimer) {
    for (std::size_t k = 0; k < engine.fftData.size(); ++k) {
        engine.fftData[k] = static_cast<std::int32_t>(k % 256);
    }
    EXPECT_EQ(send(platform::kMsgSpectrum, 1502, 87), 0);
    EXPECT_EQ(buffers.ActiveFrequency, 1502);
    EXPECT_EQ(buffers.SignalQuality, 87);
    EXPECT_EQ(buffers.FFTData, engine.fftData);
    ASSERT_EQ(engine.calls().size(), 1U);
    EXPECT_EQ(engine.calls()[0],
              (EngineCall{"fnGetFFTData", {0, platform::kFFTDataSize - 1}, nullptr}));
    EXPECT_TRUE(displayTimer.isActive());
    EXPECT_FALSE(textTimer.isActive());
    EXPECT_TRUE(forwarded.empty());
}

TEST_F(EngineProcTest, NewestSpectrumWins) {
    send(platform::kMsgSpectrum, 1000, 10);
    send(platform::kMsgSpectrum, 1100, 20);
    send(platform::kMsgSpectrum, 1200, 30);
    EXPECT_EQ(buffers.ActiveFrequency, 1200);
    EXPECT_EQ(buffers.SignalQuality, 30);
}

TEST_F(EngineProcTest, StatusAndReservedMessagesAreConsumed) {
    previousResult = 77;
    buffers.RxTextBuffer = QStringLiteral("keep");
    buffers.ActiveFrequency = 1500;
    for (const std::uint32_t message : {platform::kMsgStatus, platform::kMsgReserved}) {
        for (const std::intptr_t value : {1, 2, 3, 4, 5}) {
            EXPECT_EQ(send(message, value, 3), 0);
        }
    }
    EXPECT_TRUE(forwarded.empty());
    EXPECT_TRUE(engine.calls().empty());
    EXPECT_EQ(buffers.RxTextBuffer, QStringLiteral("keep"));
    EXPECT_EQ(buffers.ActiveFrequency, 1500);
    EXPECT_FALSE(displayTimer.isActive());
    EXPECT_FALSE(textTimer.isActive());
}

TEST_F(EngineProcTest, OnlyReopeningAndStartedTellTheWindowAboutTheSoundCard) {
    std::vector<bool> told;
    const EngineWindowProc proc(buffers, engine, displayTimer, textTimer,
                                [&told](bool lost) { told.push_back(lost); });
    for (const pskmodem::Status status :
         {pskmodem::Status::Reopening, pskmodem::Status::Overrun, pskmodem::Status::Started,
          pskmodem::Status::EndOfInput, pskmodem::Status::DeviceLost}) {
        EXPECT_EQ(proc(windowHandle, platform::kMsgStatus, static_cast<std::intptr_t>(status), 0),
                  0);
    }
    EXPECT_EQ(told, (std::vector<bool>{true, false}));
    EXPECT_TRUE(forwarded.empty());
}

TEST_F(EngineProcTest, OtherMessagesPassThroughWithTheirArgumentsAndResult) {
    previousResult = -5;
    const std::uint32_t paint = 0x000F;
    EXPECT_EQ(send(paint, 11, 22), -5);
    const std::uint32_t mouseMove = platform::EventMessage(QEvent::MouseMove);
    previousResult = 1;
    EXPECT_EQ(send(mouseMove, 0, 0x7654321), 1);
    EXPECT_EQ(send(2023, -1, -2), 1);
    EXPECT_EQ(send(2028, 3, 4), 1);
    const std::vector<ForwardedMessage> expected{{windowHandle, paint, 11, 22},
                                                 {windowHandle, mouseMove, 0, 0x7654321},
                                                 {windowHandle, 2023, -1, -2},
                                                 {windowHandle, 2028, 3, 4}};
    EXPECT_EQ(forwarded, expected);
    EXPECT_TRUE(buffers.RxTextBuffer.isEmpty());
    EXPECT_FALSE(displayTimer.isActive());
    EXPECT_FALSE(textTimer.isActive());
}

TEST_F(EngineProcTest, ArmingARunningTimerKeepsItsPhase) {
    displayTimer.setInterval(1000);
    send(platform::kMsgSpectrum, 1, 1);
    const int before = displayTimer.remainingTime();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    send(platform::kMsgSpectrum, 2, 2);
    EXPECT_LT(displayTimer.remainingTime(), before);
}

TEST(WindowProcedure, SetWindowProcReturnsThePreviousProcedure) {
    std::vector<int> order;
    platform::WindowProcedure procedure([&order](auto, auto, auto, auto) {
        order.push_back(1);
        return std::intptr_t{10};
    });
    platform::WindowProc previous =
        procedure.setWindowProc([&order, &previous](platform::WindowHandle h, std::uint32_t m,
                                                    std::intptr_t w, std::intptr_t l) {
            order.push_back(2);
            return platform::CallWindowProc(previous, h, m, w, l) + 1;
        });
    EXPECT_EQ(procedure.dispatch(nullptr, 5, 0, 0), 11);
    EXPECT_EQ(order, (std::vector<int>{2, 1}));
    EXPECT_EQ(platform::CallWindowProc(platform::WindowProc{}, nullptr, 1, 2, 3), 0);
}

// ---- through the main window ----

TEST(MainWindowProc, EngineMessagesPostedFromAnotherThreadReachTheBuffers) {
    FormHarness harness;
    MainWindow& form = harness.load();
    std::thread dsp([&form] {
        pskmodem::MessageSink& sink = form.messageSink();
        for (const int code : {int{'A'}, 13, 10, int{'B'}}) {
            sink.post(platform::kMsgCharacter, code, 0);
        }
        sink.post(platform::kMsgSpectrum, 1234, 56);
        sink.post(platform::kMsgStatus, 1, 0);
    });
    dsp.join();
    QCoreApplication::sendPostedEvents(&form);
    EXPECT_EQ(form.receive().receiverBuffers.RxTextBuffer, QStringLiteral("A\r\r\nB"));
    EXPECT_EQ(form.receive().receiverBuffers.ActiveFrequency, 1234);
    EXPECT_EQ(form.receive().receiverBuffers.SignalQuality, 56);
    EXPECT_TRUE(form.Timer1->isActive());
    EXPECT_TRUE(form.Timer2->isActive());
}

// The caption says while the engine has no sound card: "lost" only once a card gave audio and
// went; a card that could not be opened since the start is not called lost.
TEST(MainWindowProc, TheCaptionSaysWhileTheSoundCardIsMissingAndTheReceiverKeepsItsState) {
    FormHarness harness;
    MainWindow& form = harness.load();
    const QString caption = form.windowTitle();
    form.Text1->setPlainText(QStringLiteral("CQ CQ"));
    form.receive().receiverBuffers.ActiveFrequency = 1234;
    const QString none = QStringLiteral(" [no sound card - retrying]");
    const QString lost = QStringLiteral(" [sound card lost - reopening]");
    struct Step {
        pskmodem::Status status;
        QString notice;
    };
    const std::vector<Step> steps{
        {pskmodem::Status::Reopening, none}, {pskmodem::Status::Reopening, none},
        {pskmodem::Status::Started, {}},     {pskmodem::Status::Reopening, lost},
        {pskmodem::Status::Reopening, lost}, {pskmodem::Status::Started, {}},
        {pskmodem::Status::Reopening, lost},
    };
    for (const Step& step : steps) {
        form.messageSink().post(platform::kMsgStatus, static_cast<std::intptr_t>(step.status), 0);
        QCoreApplication::sendPostedEvents(&form);
        EXPECT_EQ(form.windowTitle(), caption + step.notice);
    }
    EXPECT_TRUE(harness.dialogs.shown().empty()) << "no box stops the program";

    // A new call sign meanwhile keeps the notice.
    harness.dialogs.answer(QStringLiteral("DL1ABC"));
    form.menuopcall->trigger();
    const QString withCall = form.settings.CaptionPrefix + QStringLiteral("DL1ABC");
    EXPECT_EQ(form.windowTitle(), withCall + lost);

    form.messageSink().post(platform::kMsgStatus,
                            static_cast<std::intptr_t>(pskmodem::Status::Started), 0);
    QCoreApplication::sendPostedEvents(&form);
    EXPECT_EQ(form.windowTitle(), withCall);
    EXPECT_EQ(form.Text1->toPlainText(), QStringLiteral("CQ CQ"));
    EXPECT_EQ(form.receive().receiverBuffers.ActiveFrequency, 1234);
}

TEST(MainWindowProc, TheTextTimerMovesTheBufferIntoTheReceiveWindowAndStops) {
    FormHarness harness;
    MainWindow& form = harness.load();
    for (const int code : {int{'C'}, int{'Q'}, 13, 10}) {
        form.messageSink().post(platform::kMsgCharacter, code, 0);
    }
    QCoreApplication::sendPostedEvents(&form);
    form.receivedText().Timer2_Timer();
    EXPECT_TRUE(form.receive().receiverBuffers.RxTextBuffer.isEmpty());
    EXPECT_FALSE(form.Timer2->isActive());
    EXPECT_TRUE(form.Text1->toPlainText().endsWith(QStringLiteral("CQ\n")));
}

TEST(MainWindowProc, EngineMessagesBeforeInitPskAreIgnored) {
    FormHarness harness;
    MainWindow& form = harness.create();
    form.messageSink().post(platform::kMsgCharacter, 'X', 0);
    QCoreApplication::sendPostedEvents(&form);
    EXPECT_TRUE(form.receive().receiverBuffers.RxTextBuffer.isEmpty());
    EXPECT_FALSE(form.Timer2->isActive());
}

TEST(MainWindowProc, QtEventsPassThroughTheInstalledProcedureToTheWindow) {
    FormHarness harness;
    MainWindow& form = harness.load();
    std::vector<std::uint32_t> seen;
    platform::WindowProc previous;
    previous = form.SetWindowProc(
        [&](platform::WindowHandle h, std::uint32_t m, std::intptr_t w, std::intptr_t l) {
            seen.push_back(m);
            return platform::CallWindowProc(previous, h, m, w, l);
        });
    form.setWindowTitle(QStringLiteral("changed"));
    QEvent titleChange(QEvent::WindowTitleChange);
    QCoreApplication::sendEvent(&form, &titleChange);
    EXPECT_NE(
        std::find(seen.begin(), seen.end(), platform::EventMessage(QEvent::WindowTitleChange)),
        seen.end());

    // Engine messages still reach the engine's procedure behind the new one.
    seen.clear();
    form.messageSink().post(platform::kMsgCharacter, 'Z', 0);
    QCoreApplication::sendPostedEvents(&form);
    std::erase_if(seen, [](std::uint32_t m) { return platform::IsEventMessage(m); });
    EXPECT_EQ(seen, (std::vector<std::uint32_t>{platform::kMsgCharacter}));
    EXPECT_EQ(form.receive().receiverBuffers.RxTextBuffer, QStringLiteral("Z"));
}

TEST(MainWindowProc, PendingMessagesGoWithTheWindow) {
    RecordingEngine engine;
    KVXmodules::SettingsRecord settings;
    testing_support::ScriptedDialogs dialogs;
    testing_support::RecordingClipboard clipboard;
    auto form = std::make_unique<MainWindow>(
        MainWindowServices{settings, dialogs, clipboard, engine, QString()});
    form->messageSink().post(platform::kMsgCharacter, 'X', 0);
    form.reset();
    QCoreApplication::sendPostedEvents();
    // A window that never started the engine does not stop it either.
    EXPECT_TRUE(engine.calls().empty());
}

}  // namespace
