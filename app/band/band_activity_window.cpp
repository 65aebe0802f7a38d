#include "band/band_activity_window.h"

#include <QCloseEvent>
#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <utility>

#include "platform/modeless_window.h"

namespace {

constexpr QRgb kAlarmBackground = qRgb(255, 255, 120);
constexpr QRgb kFadedText = qRgb(150, 150, 150);
// Above and below a row's line of text, together.
constexpr int kRowPaddingPx = 6;
// Left and right of a cell's text, together.
constexpr int kCellPaddingPx = 14;

}  // namespace

BandActivityWindow::BandActivityWindow(BandActivityServices services, QWidget* parent)
    : QWidget(parent), services_(std::move(services)) {
    platform::SetUpModelessWindow(*this, QStringLiteral("BandActivity"),
                                  QStringLiteral("Band Activity"));
    table_ = new QTableWidget(0, ColumnCount, this);
    table_->setHorizontalHeaderLabels({QStringLiteral("Frequency"), QStringLiteral("Mode"),
                                       QStringLiteral("S/N"), QStringLiteral("IMD"),
                                       QStringLiteral("Calls"), QStringLiteral("Heard (UTC)"),
                                       QStringLiteral("Text")});
    table_->verticalHeader()->hide();
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setWordWrap(false);
    table_->setTextElideMode(Qt::ElideLeft);  // the newest text is at the end of the line
    table_->horizontalHeader()->setStretchLastSection(true);
    // A row is one line of text high, as the cells never wrap.
    QHeaderView* rowHeader = table_->verticalHeader();
    const int rowHeight = table_->fontMetrics().height() + kRowPaddingPx;
    rowHeader->setMinimumSectionSize(rowHeight);
    rowHeader->setDefaultSectionSize(rowHeight);
    rowHeader->setSectionResizeMode(QHeaderView::Fixed);
    const std::array<int, Text> widths{80, 90, 55, 55, 140, 80};
    for (int c = 0; c < Text; ++c) {
        table_->setColumnWidth(c, widths[static_cast<std::size_t>(c)]);
    }
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(table_);
    resize(900, 360);
    // Enter on a row tunes as a click does.
    connect(table_, &QTableWidget::cellClicked, this, [this](int row, int) { Row_Click(row); });
    connect(table_, &QTableWidget::cellActivated, this, [this](int row, int) { Row_Click(row); });
}

void BandActivityWindow::showRows(std::span<const band::Row> rows, const QString& title) {
    setWindowTitle(title);
    rows_.assign(rows.begin(), rows.end());
    table_->setRowCount(static_cast<int>(rows_.size()));
    for (int r = 0; r < static_cast<int>(rows_.size()); ++r) {
        const band::Row& row = rows_[static_cast<std::size_t>(r)];
        const std::array<const QString*, ColumnCount> texts{
            &row.frequency, &row.modeName, &row.snr, &row.imd, &row.calls, &row.heard, &row.text};
        for (int c = 0; c < ColumnCount; ++c) {
            QTableWidgetItem* item = table_->item(r, c);
            if (item == nullptr) {
                item = new QTableWidgetItem;
                table_->setItem(r, c, item);
            }
            item->setText(*texts[static_cast<std::size_t>(c)]);
            item->setTextAlignment(c <= Imd ? Qt::AlignRight | Qt::AlignVCenter
                                            : Qt::AlignLeft | Qt::AlignVCenter);
            item->setBackground(row.alarm ? QBrush(QColor(kAlarmBackground)) : QBrush());
            item->setForeground(row.faded ? QBrush(QColor(kFadedText)) : QBrush());
        }
    }
    // Frequencies on the air are longer than audio frequencies: the column grows to hold them.
    int wanted = 0;
    for (const band::Row& row : rows_) {
        wanted = std::max(wanted,
                          table_->fontMetrics().horizontalAdvance(row.frequency) + kCellPaddingPx);
    }
    if (wanted > table_->columnWidth(Frequency)) {
        table_->setColumnWidth(Frequency, wanted);
    }
}

void BandActivityWindow::Row_Click(int index) {
    if (index < 0 || index >= static_cast<int>(rows_.size()) || !services_.tune) {
        return;
    }
    const band::Row& row = rows_[static_cast<std::size_t>(index)];
    services_.tune(row.frequencyHz, row.mode, row.speed);
}

void BandActivityWindow::closeEvent(QCloseEvent* event) {
    if (!unloaded_ && services_.closing) {
        services_.closing(geometry().topLeft());
    }
    unloaded_ = true;
    event->accept();
}
