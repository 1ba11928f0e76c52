#include "ExportViewDialog.h"

#include "ExportTask.h"
#include "ui_ExportViewDialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QTime>

namespace
{

constexpr int kDefaultWidth = 1280;
constexpr int kDefaultHeight = 720;

QTime TimeOf(qint64 ms)
{
    return QTime(0, 0).addMSecs(static_cast<int>(std::max<qint64>(0, ms)));
}

qint64 MsOf(const QTime& time)
{
    return QTime(0, 0).msecsTo(time);
}

// Even sides: 4:2:0 pictures have whole chroma samples.
int Even(int side)
{
    return std::max(16, side - side % 2);
}

} // namespace

ExportViewDialog::ExportViewDialog(const Source& source, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::ExportViewDialog>()), m_source(source)
{
    ui->setupUi(this);
    const QTime end = TimeOf(source.durationMs);
    ui->fromEdit->setMinimumTime(QTime(0, 0));
    ui->toEdit->setMinimumTime(QTime(0, 0));
    ui->fromEdit->setMaximumTime(end);
    ui->toEdit->setMaximumTime(end);
    UseWholeFile();
    ui->fromPositionRadio->setEnabled(source.positionMs > 0);
    ui->widthSpin->setValue(kDefaultWidth);
    ui->heightSpin->setValue(kDefaultHeight);
    ui->windowSizeButton->setEnabled(!source.windowSize.isEmpty());
    ui->pathEdit->setText(DefaultPath(source.filePath));
    ui->progressBar->setValue(0);
    ShowRunning(false);
    connect(ui->wholeRadio, &QRadioButton::clicked, this, &ExportViewDialog::UseWholeFile);
    connect(ui->fromPositionRadio, &QRadioButton::clicked, this,
            &ExportViewDialog::UseFromPosition);
    connect(ui->windowSizeButton, &QPushButton::clicked, this, &ExportViewDialog::UseWindowSize);
    connect(ui->browseButton, &QPushButton::clicked, this, &ExportViewDialog::Browse);
    connect(ui->exportButton, &QPushButton::clicked, this, &ExportViewDialog::Export);
    connect(ui->cancelButton, &QPushButton::clicked, this, &ExportViewDialog::CancelOrClose);
}

ExportViewDialog::~ExportViewDialog()
{
    if (m_task) {
        m_task->Release();
    }
}

QString ExportViewDialog::DefaultPath(const QString& input)
{
    const QFileInfo info(input);
    const QString folder = info.absolutePath().isEmpty() ? QDir::homePath() : info.absolutePath();
    return QDir(folder).filePath(info.completeBaseName() + QStringLiteral("-view.mp4"));
}

void ExportViewDialog::UseWholeFile()
{
    ui->wholeRadio->setChecked(true);
    ui->fromEdit->setTime(QTime(0, 0));
    ui->toEdit->setTime(TimeOf(m_source.durationMs));
}

void ExportViewDialog::UseFromPosition()
{
    ui->fromPositionRadio->setChecked(true);
    // Whole seconds, as the field shows them.
    ui->fromEdit->setTime(TimeOf(m_source.positionMs - m_source.positionMs % 1000));
    ui->toEdit->setTime(TimeOf(m_source.durationMs));
}

void ExportViewDialog::UseWindowSize()
{
    // The window's shape at the default height.
    const QSize window = m_source.windowSize;
    ui->heightSpin->setValue(kDefaultHeight);
    ui->widthSpin->setValue(Even(kDefaultHeight * window.width() / std::max(1, window.height())));
}

void ExportViewDialog::Browse()
{
    const QString path = QFileDialog::getSaveFileName(this, tr("导出此画面"), ui->pathEdit->text(),
                                                      tr("MP4 视频 (*.mp4)"));
    if (!path.isEmpty()) {
        ui->pathEdit->setText(path.endsWith(QStringLiteral(".mp4"), Qt::CaseInsensitive)
                                  ? path
                                  : path + QStringLiteral(".mp4"));
    }
}

ExportRequest ExportViewDialog::Request() const
{
    ExportRequest request;
    request.input = m_source.filePath;
    request.output = ui->pathEdit->text().trimmed();
    request.view = m_source.view;
    request.size = QSize(Even(ui->widthSpin->value()), Even(ui->heightSpin->value()));
    request.fromMs = MsOf(ui->fromEdit->time());
    const qint64 toMs = MsOf(ui->toEdit->time());
    // The end of the file is the end, whatever the rounding of its duration.
    request.toMs = toMs >= MsOf(TimeOf(m_source.durationMs)) ? -1 : toMs;
    return request;
}

bool ExportViewDialog::IsExporting() const
{
    return m_task && m_task->IsRunning();
}

void ExportViewDialog::Export()
{
    if (IsExporting()) {
        return;
    }
    const ExportRequest request = Request();
    if (request.output.isEmpty() || (request.toMs >= 0 && request.toMs <= request.fromMs)) {
        ui->statusLabel->setText(tr("请选择文件和有效的时间范围"));
        return;
    }
    m_task = new ExportTask(request, this);
    connect(m_task, &ExportTask::sigProgress, this, &ExportViewDialog::OnProgress);
    connect(m_task, &ExportTask::sigFinished, this, &ExportViewDialog::OnFinished);
    ui->progressBar->setValue(0);
    ui->statusLabel->setText(tr("正在导出..."));
    ui->timeLeftLabel->clear();
    m_clock.start();
    ShowRunning(true);
    m_task->Start();
}

void ExportViewDialog::CancelOrClose()
{
    if (IsExporting()) {
        m_task->Cancel();
        ui->statusLabel->setText(tr("正在取消..."));
        return;
    }
    reject();
}

void ExportViewDialog::OnProgress(qint64 doneMs, qint64 totalMs)
{
    if (totalMs <= 0) {
        return;
    }
    const double share = std::min(1.0, double(doneMs) / double(totalMs));
    ui->progressBar->setValue(static_cast<int>(share * ui->progressBar->maximum()));
    if (share > 0.01) {
        const qint64 leftMs = static_cast<qint64>(m_clock.elapsed() * (1.0 - share) / share);
        ui->timeLeftLabel->setText(
            tr("剩余 %1").arg(TimeOf(leftMs).toString(QStringLiteral("mm:ss"))));
    }
}

void ExportViewDialog::OnFinished(ViewExport::Result result, const QString& message)
{
    ShowRunning(false);
    ui->timeLeftLabel->clear();
    m_task->deleteLater();
    m_task = nullptr;
    switch (result) {
    case ViewExport::Result::Done:
        ui->progressBar->setValue(ui->progressBar->maximum());
        ui->statusLabel->setText(tr("已导出"));
        break;
    case ViewExport::Result::Cancelled:
        ui->progressBar->setValue(0);
        ui->statusLabel->setText(tr("已取消"));
        break;
    case ViewExport::Result::Failed:
        ui->statusLabel->setText(tr("导出失败: %1").arg(message));
        break;
    }
    emit sigExportFinished(result);
}

// The settings hold while an export runs.
void ExportViewDialog::ShowRunning(bool running)
{
    for (QWidget* widget :
         {static_cast<QWidget*>(ui->wholeRadio), static_cast<QWidget*>(ui->fromPositionRadio),
          static_cast<QWidget*>(ui->fromEdit), static_cast<QWidget*>(ui->toEdit),
          static_cast<QWidget*>(ui->widthSpin), static_cast<QWidget*>(ui->heightSpin),
          static_cast<QWidget*>(ui->windowSizeButton), static_cast<QWidget*>(ui->pathEdit),
          static_cast<QWidget*>(ui->browseButton), static_cast<QWidget*>(ui->exportButton)}) {
        widget->setEnabled(!running);
    }
    if (!running) {
        ui->fromPositionRadio->setEnabled(m_source.positionMs > 0);
        ui->windowSizeButton->setEnabled(!m_source.windowSize.isEmpty());
    }
    ui->cancelButton->setText(running ? tr("取消") : tr("关闭"));
}
