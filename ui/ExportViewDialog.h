#pragma once

#include "ViewExport.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>

#include <memory>

namespace Ui
{
class ExportViewDialog;
}
class ExportTask;

// "Export this view...": writes the dewarped view shown when the dialog
// opened (layout, mount, circle, lens and every view's pan, tilt and zoom)
// as an MP4 file. It chooses the time range (the whole file, or from the
// current position), the output size (1280x720, or the window's shape) and
// the file; the export runs on a worker thread (ExportTask) with a progress
// bar, the time left and Cancel, while the player goes on. A cancelled or
// failed export leaves nothing under the chosen name.
//
// Widgets keep object names for tests: "wholeRadio", "fromPositionRadio",
// "fromEdit", "toEdit", "widthSpin", "heightSpin", "windowSizeButton",
// "pathEdit", "browseButton", "progressBar", "timeLeftLabel", "statusLabel",
// "exportButton", "cancelButton".
//
// Threads: GUI thread only; the export's signals arrive queued.
class ExportViewDialog : public QDialog
{
    Q_OBJECT

public:
    struct Source {
        QString filePath;
        DewarpSettings view;
        int positionMs = 0;
        int durationMs = 0;
        // The view's size in device pixels, for "the window's shape".
        QSize windowSize;
    };

    explicit ExportViewDialog(const Source& source, QWidget* parent = nullptr);
    // A running export is cancelled and left to end by itself; nothing waits.
    ~ExportViewDialog() override;

    // What Export would write now.
    ExportRequest Request() const;
    bool IsExporting() const;

public slots:
    void Export();
    // Cancels a running export; otherwise closes the dialog.
    void CancelOrClose();

signals:
    void sigExportFinished(ViewExport::Result result);

private:
    void UseWholeFile();
    void UseFromPosition();
    void UseWindowSize();
    void Browse();
    void OnProgress(qint64 doneMs, qint64 totalMs);
    void OnFinished(ViewExport::Result result, const QString& message);
    void ShowRunning(bool running);
    static QString DefaultPath(const QString& input);

    std::unique_ptr<Ui::ExportViewDialog> ui;
    Source m_source;
    QPointer<ExportTask> m_task;
    QElapsedTimer m_clock;
};
