#include "platform/dialogs.h"

namespace platform {

namespace {

QString TitleOrAppTitle(const QString& title) {
    return title.isEmpty() ? QString::fromUtf16(kAppTitle) : title;
}

}  // namespace

MsgResult FirstButton(MsgButtons buttons) {
    switch (buttons) {
        case MsgButtons::Ok:
        case MsgButtons::OkCancel:
            return MsgResult::Ok;
        case MsgButtons::AbortRetryIgnore:
            return MsgResult::Abort;
        case MsgButtons::YesNoCancel:
        case MsgButtons::YesNo:
            return MsgResult::Yes;
        case MsgButtons::RetryCancel:
            return MsgResult::Retry;
    }
    return MsgResult::Ok;
}

MsgResult Dialogs::msgBox(const QString& text, MsgButtons buttons, MsgIcon icon,
                          const QString& title) {
    return showMessageBox(MessageBoxRequest{text, TitleOrAppTitle(title), buttons, icon});
}

MsgResult Dialogs::askOrCancel(const QString& text, MsgButtons buttons, MsgIcon icon,
                               const QString& title) {
    return showMessageBox(MessageBoxRequest{text, TitleOrAppTitle(title), buttons, icon, true});
}

QString Dialogs::inputBox(const QString& prompt, const QString& title, const QString& defaultText) {
    return showInputBox(InputBoxRequest{prompt, TitleOrAppTitle(title), defaultText});
}

}  // namespace platform
