#pragma once

#include <memory>

#include <QLabel>
#include <QPointer>
#include <QTimer>
#include <QVector>
#include <QWidget>

namespace Ui { class PlayListWidget; }
class DurationProbe;

// The play-list side panel: one row per file of the main window's list,
// with its icon, name and duration. A double click plays a row, the delete
// button removes the selected row (at most one deletion per 500 ms), the add
// button asks for the import dialog.
//
// The rows appear at once, in list order; the durations are probed on a
// worker thread (DurationProbe) and filled in as they arrive. A file that
// cannot be probed keeps its row and reads "时间:--".
class PlayListWidget : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kDeleteRearmMs = 500;

    explicit PlayListWidget(QWidget* parent = nullptr);
    ~PlayListWidget() override;

    // Selects the row of the file that starts playing.
    void setListChange(int row);
    int rowCount() const;
    int currentRow() const;
    // "时间:" with minutes and seconds without leading zeros (3:5); a
    // negative (unknown) duration reads "时间:--".
    static QString DurationText(qint64 ms);
    // The worker that finds the durations of the rows.
    DurationProbe* durationProbe() const { return m_probe; }

signals:
    void sigShowImportWidget();
    void sigShowVideo(int rows);
    void sigDeleteRow(int row);

public slots:
    void onAddFile(QVector<QString> fileList);

private slots:
    void onTableWidgetCellDoubleClicked(int row, int column);
    void onDeleteBtnClicked();
    void onAddBtnClicked();
    void onRearmTimerTimeout();
    void onProbeDuration(int index, qint64 ms);

private:
    std::unique_ptr<Ui::PlayListWidget> ui;
    QTimer m_rearmTimer;
    DurationProbe* m_probe = nullptr; // child
    // The duration label of each entry of the list being probed, by list
    // index; null once its row was deleted.
    QVector<QPointer<QLabel>> m_durationLabels;
};
