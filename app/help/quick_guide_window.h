#pragma once

// The quick guide window: what PSK31 signals look like in the waterfall, the usual PSK31
// frequencies of each band, and what pictures sent through a waterfall look like. Only captions
// and pictures; Help > PSK Quick Guide opens it, modeless.

#include <QString>
#include <QWidget>

class QFrame;
class QLabel;

namespace guide {

// The frequency list as stored in its caption: eleven lines, each followed by CR LF, with a
// doubled "&&" where the list shows "&".
QString FrequencyList();

// A caption as a label shows it: "&&" is a single "&", a single "&" only marks the next
// character, and CR LF breaks the line.
QString ShownCaption(const QString& caption);

}  // namespace guide

class QuickGuideWindow final : public QWidget {
    Q_OBJECT
  public:
    explicit QuickGuideWindow(QWidget* parent = nullptr);

    bool isUnloaded() const noexcept { return unloaded_; }

    QLabel* Label1 = nullptr;  // above Image2
    QLabel* Label2 = nullptr;  // below Image2
    QLabel* Label3 = nullptr;  // heading of the frequency list
    QLabel* Label4 = nullptr;  // the frequency list
    QLabel* Label5 = nullptr;  // above Image3
    QLabel* Label7 = nullptr;  // below Image3
    QLabel* Image1 = nullptr;  // the program logo
    QLabel* Image2 = nullptr;  // PSK31 traces in a waterfall
    QLabel* Image3 = nullptr;  // letters sent through a waterfall
    QFrame* Line1 = nullptr;

    // Fills the frequency list.
    void Form_Load();
    // The frequency list's caption as it was set ("&&" and CR LF included).
    const QString& frequencyCaption() const noexcept { return frequencyCaption_; }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    QString frequencyCaption_;
    bool unloaded_ = false;
};
