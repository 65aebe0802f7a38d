#include "support/scripted_dialogs.h"

#include <stdexcept>

namespace testing_support {

std::vector<platform::MessageBoxRequest> ScriptedDialogs::messageBoxes() const {
    std::vector<platform::MessageBoxRequest> boxes;
    for (const Shown& box : shown_) {
        if (const auto* request = std::get_if<platform::MessageBoxRequest>(&box)) {
            boxes.push_back(*request);
        }
    }
    return boxes;
}

std::vector<platform::InputBoxRequest> ScriptedDialogs::inputBoxes() const {
    std::vector<platform::InputBoxRequest> boxes;
    for (const Shown& box : shown_) {
        if (const auto* request = std::get_if<platform::InputBoxRequest>(&box)) {
            boxes.push_back(*request);
        }
    }
    return boxes;
}

void ScriptedDialogs::clear() {
    script_.clear();
    shown_.clear();
}

platform::MsgResult ScriptedDialogs::showMessageBox(const platform::MessageBoxRequest& request) {
    shown_.emplace_back(request);
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
    shown_.emplace_back(request);
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

}  // namespace testing_support
