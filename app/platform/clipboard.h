#pragma once

// The clipboard as a service: the program puts text and pictures on it through this interface,
// so that tests can see what was copied without the desktop's clipboard.

#include <QImage>
#include <QString>

namespace platform {

class Clipboard {
  public:
    Clipboard() = default;
    virtual ~Clipboard() = default;
    Clipboard(const Clipboard&) = delete;
    Clipboard& operator=(const Clipboard&) = delete;

    // Empties the clipboard and puts `text` on it.
    virtual void setText(const QString& text) = 0;
    // Empties the clipboard and puts `picture` on it.
    virtual void setImage(const QImage& picture) = 0;
    // The text on the clipboard; empty when it holds none.
    virtual QString text() const = 0;
};

// The desktop's clipboard.
class SystemClipboard final : public Clipboard {
  public:
    void setText(const QString& text) override;
    void setImage(const QImage& picture) override;
    QString text() const override;
};

}  // namespace platform
