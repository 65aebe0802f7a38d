#include "support/scripted_dialogs.h"

#include <stdexcept>
#include <utility>

namespace testing_support {

namespace {

template <typename Request>
std::vector<Request> ShownOfKind(const std::vector<ScriptedDialogs::Shown>& shown) {
    std::vector<Request> requests;
    for (const ScriptedDialogs::Shown& box : shown) {
        if (const auto* request = std::get_if<Request>(&box)) {
            requests.push_back(*request);
        }
    }
    return requests;
}

}  // namespace

std::vector<platform::MessageBoxRequest> ScriptedDialogs::messageBoxes() const {
    return ShownOfKind<platform::MessageBoxRequest>(shown_);
}

std::vector<platform::InputBoxRequest> ScriptedDialogs::inputBoxes() const {
    return ShownOfKind<platform::InputBoxRequest>(shown_);
}

std::vector<platform::FileDialogRequest> ScriptedDialogs::fileDialogs() const {
    return ShownOfKind<platform::FileDialogRequest>(shown_);
}

void ScriptedDialogs::clear() {
    script_.clear();
    shown_.clear();
    windows_.clear();
    whileOpen_ = nullptr;
}

void ScriptedDialogs::open(const Shown& request) {
    shown_.push_back(request);
    windows_.push_back(boxWindow());
    if (const std::function<void()> happening = std::exchange(whileOpen_, nullptr)) {
        happening();
    }
}

platform::MsgResult ScriptedDialogs::showMessageBox(const platform::MessageBoxRequest& request) {
    open(request);
    if (script_.empty()) {
        return FirstButton(request.buttons);
    }
    const auto next = script_.front();
    script_.pop_front();
    if (const auto* result = std::get_if<platform::MsgResult>(&next)) {
        return *result;
    }
    throw std::logic_error("scripted a text for a message box: " + request.text.toStdString());
}

QString ScriptedDialogs::showInputBox(const platform::InputBoxRequest& request) {
    open(request);
    if (script_.empty()) {
        return request.defaultText;
    }
    const auto next = script_.front();
    script_.pop_front();
    if (const auto* text = std::get_if<QString>(&next)) {
        return *text;
    }
    throw std::logic_error("scripted a button for an input box: " + request.prompt.toStdString());
}

QString ScriptedDialogs::showFileDialog(const platform::FileDialogRequest& request) {
    open(request);
    if (script_.empty()) {
        return {};
    }
    const auto next = script_.front();
    script_.pop_front();
    if (const auto* chosen = std::get_if<ChosenPath>(&next)) {
        return chosen->path;
    }
    throw std::logic_error("scripted a box's answer for a file dialog: " +
                           request.title.toStdString());
}

}  // namespace testing_support
