#include "platform/qt_dialogs.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <algorithm>
#include <initializer_list>
#include <utility>
#include <vector>

#include "platform/dialog_sizes.h"

namespace platform {

namespace {

QMessageBox::Icon QtIcon(MsgIcon icon) {
    switch (icon) {
        case MsgIcon::None:
            return QMessageBox::NoIcon;
        case MsgIcon::Critical:
            return QMessageBox::Critical;
        case MsgIcon::Question:
            return QMessageBox::Question;
        case MsgIcon::Exclamation:
            return QMessageBox::Warning;
        case MsgIcon::Information:
            return QMessageBox::Information;
    }
    return QMessageBox::NoIcon;
}

using ButtonPair = std::pair<QMessageBox::StandardButton, MsgResult>;

// The buttons of a set, in the order they are shown.
std::vector<ButtonPair> ButtonsOf(MsgButtons buttons) {
    switch (buttons) {
        case MsgButtons::Ok:
            return {{QMessageBox::Ok, MsgResult::Ok}};
        case MsgButtons::OkCancel:
            return {{QMessageBox::Ok, MsgResult::Ok}, {QMessageBox::Cancel, MsgResult::Cancel}};
        case MsgButtons::AbortRetryIgnore:
            return {{QMessageBox::Abort, MsgResult::Abort},
                    {QMessageBox::Retry, MsgResult::Retry},
                    {QMessageBox::Ignore, MsgResult::Ignore}};
        case MsgButtons::YesNoCancel:
            return {{QMessageBox::Yes, MsgResult::Yes},
                    {QMessageBox::No, MsgResult::No},
                    {QMessageBox::Cancel, MsgResult::Cancel}};
        case MsgButtons::YesNo:
            return {{QMessageBox::Yes, MsgResult::Yes}, {QMessageBox::No, MsgResult::No}};
        case MsgButtons::RetryCancel:
            return {{QMessageBox::Retry, MsgResult::Retry},
                    {QMessageBox::Cancel, MsgResult::Cancel}};
    }
    return {{QMessageBox::Ok, MsgResult::Ok}};
}

// Texts break their lines with CR LF or a lone CR; Qt's labels break only at LF.
QString DisplayText(const QString& text) {
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    return shown;
}

// A filter as Qt's dialogs take it: the description, then its patterns in parentheses, blank
// separated. "*.*" matches every file, also one without a dot in its name.
QString QtFilter(const FileFilter& filter) {
    QString description = filter.description;
    if (const qsizetype open = description.lastIndexOf(u'(');
        open > 0 && description.endsWith(u')')) {
        description = description.left(open).trimmed();
    }
    QStringList patterns = filter.patterns.split(u';', Qt::SkipEmptyParts);
    for (QString& pattern : patterns) {
        pattern =
            pattern.trimmed() == QStringLiteral("*.*") ? QStringLiteral("*") : pattern.trimmed();
    }
    return description + QStringLiteral(" (") + patterns.join(u' ') + u')';
}

}  // namespace

// The window a box belongs to: the window it was asked for over, else the program's active
// window (a modeless window's box shows over that window and gives the focus back to it), else
// the owner.
QWidget* QtDialogs::boxParent() const {
    if (QWidget* window = boxWindow()) {
        return window;
    }
    if (QWidget* active = QApplication::activeWindow()) {
        return active;
    }
    return owner_.data();
}

MsgResult QtDialogs::showMessageBox(const MessageBoxRequest& request) {
    QMessageBox box(QtIcon(request.icon), request.title, DisplayText(request.text),
                    QMessageBox::NoButton, boxParent());
    const auto pairs = ButtonsOf(request.buttons);
    for (const auto& [button, result] : pairs) {
        box.addButton(button);
    }
    box.setDefaultButton(pairs.front().first);
    // Without a Cancel of its own, Qt's box would answer Escape and its close button with No
    // (or not close at all); a Cancel button that is never shown takes them instead.
    const bool hasCancel = std::any_of(pairs.begin(), pairs.end(), [](const ButtonPair& pair) {
        return pair.second == MsgResult::Cancel;
    });
    if (request.closeCancels && !hasCancel) {
        QPushButton* closed = box.addButton(QMessageBox::Cancel);
        closed->hide();
        box.setEscapeButton(closed);
    }
    FitCaption(box);
    const auto clicked = static_cast<QMessageBox::StandardButton>(box.exec());
    for (const auto& [button, result] : pairs) {
        if (button == clicked) {
            return result;
        }
    }
    // Closed without a button: Escape's answer.
    if (request.closeCancels) {
        return MsgResult::Cancel;
    }
    for (const MsgResult escape : {MsgResult::Cancel, MsgResult::No}) {
        for (const auto& [button, result] : pairs) {
            if (result == escape) {
                return result;
            }
        }
    }
    return pairs.front().second;
}

QString QtDialogs::showInputBox(const InputBoxRequest& request) {
    bool accepted = false;
    const QString text =
        QInputDialog::getText(boxParent(), request.title, DisplayText(request.prompt),
                              QLineEdit::Normal, request.defaultText, &accepted);
    return accepted ? text : QString();
}

}  // namespace platform

namespace platform {

QString QtDialogs::showFileDialog(const FileDialogRequest& request) {
    QFileDialog dialog(boxParent(), request.title, request.folder);
    dialog.setAcceptMode(request.kind == FileDialogKind::Save ? QFileDialog::AcceptSave
                                                              : QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The callers ask before overwriting, in their own words.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    QStringList filters;
    for (const FileFilter& filter : request.filters) {
        filters.append(QtFilter(filter));
    }
    dialog.setNameFilters(filters);
    if (!filters.isEmpty()) {
        dialog.selectNameFilter(filters.front());
    }
    if (!request.initialName.isEmpty()) {
        dialog.selectFile(request.initialName);
    }
    SizeFileDialog(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return QDir::toNativeSeparators(dialog.selectedFiles().front().trimmed());
}

}  // namespace platform
