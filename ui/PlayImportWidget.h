#pragma once

#include <memory>

#include <QStringList>
#include <QVector>
#include <QWidget>

namespace Ui { class PlayImportWidget; }

// The import dialog: collects files (file dialog or drop) into a pending
// list shown with icon, name and size, and on "导入" hands the whole list
// over (sigSendFileList) and returns to its empty state. Files of an
// unsupported kind, or whose name is already pending, are skipped.
class PlayImportWidget : public QWidget
{
    Q_OBJECT

public:
    explicit PlayImportWidget(QWidget* parent = nullptr);
    ~PlayImportWidget() override;

    // Adds paths as a dialog choice or a drop does.
    void AddPaths(const QStringList& paths);
    QVector<QString> pendingFiles() const { return m_pending; }

signals:
    void sigHideImportWidget();
    void sigSendFileList(QVector<QString> fileList);
    void sigDeleteRow(int row);

public slots:
    void showWidget();
    void hideWidget();
    void onImportBtnclicked();

protected:
    // A click on the empty-state area opens the file dialog, as its text says.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private slots:
    void onSettingBtnClicked();
    void onPushButtonClicked();
    void onCloseBtnClicked();

private:
    bool AddPath(const QString& path);
    void ShowPendingState();

    std::unique_ptr<Ui::PlayImportWidget> ui;
    QVector<QString> m_pending;
};
