#include "receiver/engine_window_proc.h"

#include "platform/form_timer.h"
#include "platform/psk_engine.h"
#include "platform/windows1252.h"

namespace APIStuff {

namespace {
constexpr char kCR = '\r';
constexpr char kLF = '\n';
}  // namespace

void AppendReceivedCharacter(QString& buffer, std::intptr_t code) {
    const char byte = static_cast<char>(code & 0xFF);
    if (byte == kLF) {
        return;
    }
    buffer.append(KVXmodules::FromWindows1252(byte));
    if (byte == kCR) {
        buffer.append(QChar(kCR));
        buffer.append(QChar(kLF));
    }
}

std::intptr_t EngineWindowProc::operator()(platform::WindowHandle hWnd, std::uint32_t message,
                                           std::intptr_t wParam, std::intptr_t lParam) const {
    switch (message) {
        case platform::kMsgSpectrum:
            buffers_->ActiveFrequency = static_cast<std::int32_t>(wParam);
            engine_->fnGetFFTData(buffers_->FFTData.data(), 0, platform::kFFTDataSize - 1);
            buffers_->SignalQuality = static_cast<std::int32_t>(lParam);
            displayTimer_->setEnabled(true);
            return 0;
        case platform::kMsgCharacter:
            AppendReceivedCharacter(buffers_->RxTextBuffer, wParam);
            textTimer_->setEnabled(true);
            return 0;
        case platform::kMsgStatus:
            if (soundCardStatus_ &&
                (wParam == platform::kStatusReopening || wParam == platform::kStatusStarted)) {
                soundCardStatus_(wParam == platform::kStatusReopening);
            }
            return 0;
        case platform::kMsgReserved:
            return 0;
        default:
            return platform::CallWindowProc(buffers_->PreviousWindowProc, hWnd, message, wParam,
                                            lParam);
    }
}

}  // namespace APIStuff
