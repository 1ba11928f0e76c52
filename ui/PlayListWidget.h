#pragma once

#include <memory>

#include <QTimer>
#include <QVector>
#include <QWidget>

namespace Ui { class PlayListWidget; }

// The play-list side panel: one row per file of the main window's list,
// with its icon, name and duration. A double click plays a row, the delete
// button removes the selected row (at most one deletion per 500 ms), the add
// button asks for the import dialog.
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
    // "时间:" with minutes and seconds without leading zeros (3:5).
    static QString DurationText(qint64 ms);

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

private:
    std::unique_ptr<Ui::PlayListWidget> ui;
    QTimer m_rearmTimer;
};
