#pragma once

// A clipboard for tests: keeps what the program put on it.

#include "platform/clipboard.h"

namespace testing_support {

class RecordingClipboard final : public platform::Clipboard {
  public:
    void setText(const QString& text) override {
        text_ = text;
        picture_ = QImage();
    }
    void setImage(const QImage& picture) override {
        text_.clear();
        picture_ = picture;
    }
    QString text() const override { return text_; }
    const QImage& picture() const noexcept { return picture_; }

  private:
    QString text_;
    QImage picture_;
};

}  // namespace testing_support
