#pragma once

// The band activity window: one row per PSK signal of the band (frequency, mode with its speed,
// S/N, IMD, call signs, when last heard in UTC, the newest text on one line), by frequency. A
// click on a row tunes the main receiver to that signal in its mode and speed; a row in which an
// alarm string was found is highlighted, a signal silent for a minute fades.

#include <QPoint>
#include <QWidget>
#include <functional>
#include <span>
#include <vector>

#include "band/band_table.h"

class QTableWidget;

struct BandActivityServices {
    // Tunes the main receiver to `frequencyHz` in `mode` at `speed`, as a click on its trace and
    // the choice of its mode and speed would.
    std::function<void(double frequencyHz, pskmodem::Mode mode, pskmodem::Speed speed)> tune;
    // The window is closing where it stands: the top left corner of its contents, without the
    // window manager's frame, which is what setGeometry() takes back.
    std::function<void(QPoint where)> closing;
};

class BandActivityWindow final : public QWidget {
    Q_OBJECT
  public:
    enum Column { Frequency, Mode, Snr, Imd, Calls, Heard, Text, ColumnCount };

    explicit BandActivityWindow(BandActivityServices services, QWidget* parent = nullptr);

    bool isUnloaded() const noexcept { return unloaded_; }
    QTableWidget* table() const noexcept { return table_; }

    // Shows `rows` under the caption `title`.
    void showRows(std::span<const band::Row> rows, const QString& title);
    // A click on row `index`: tunes to its signal.
    void Row_Click(int index);

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    BandActivityServices services_;
    QTableWidget* table_ = nullptr;
    std::vector<band::Row> rows_;
    bool unloaded_ = false;
};
