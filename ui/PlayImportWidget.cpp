#include "PlayImportWidget.h"
#include "ui_PlayImportWidget.h"

#include "MediaKind.h"
#include "VorelResources.h"

#include <QDebug>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QMimeData>
#include <QUrl>

PlayImportWidget::PlayImportWidget(QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::PlayImportWidget>())
{
    VorelResourcesInit();
    ui->setupUi(this);
    setAttribute(Qt::WA_TranslucentBackground);
    setAcceptDrops(true);
    ui->tableWidget->setColumnCount(3);
    ui->tableWidget->ApplyListLook(60);
    ui->tableWidget->setColumnWidth(0, 90);
    ui->tableWidget->setColumnWidth(1, 260);
    ui->tableWidget->setColumnWidth(2, 70);
    ui->tableWidget->horizontalHeader()->setStretchLastSection(true);
    ui->cancelBtn->hide();
    ui->importBtn->hide();
    ui->addListWidget->hide();
    ui->widget_3->setCursor(Qt::PointingHandCursor);
    ui->widget_3->installEventFilter(this);
    connect(ui->settingBtn, &QPushButton::clicked, this, &PlayImportWidget::onSettingBtnClicked);
    connect(ui->pushButton, &QPushButton::clicked, this, &PlayImportWidget::onPushButtonClicked);
    connect(ui->importBtn, &QPushButton::clicked, this, &PlayImportWidget::onImportBtnclicked);
    connect(ui->closeBtn, &QPushButton::clicked, this, &PlayImportWidget::onCloseBtnClicked);
}

PlayImportWidget::~PlayImportWidget()
{
}

void PlayImportWidget::showWidget()
{
    show();
    raise();
}

void PlayImportWidget::hideWidget()
{
    hide();
}

void PlayImportWidget::onSettingBtnClicked()
{
    const QStringList paths = QFileDialog::getOpenFileNames(
        this, tr("选择转码文件"), QStringLiteral("/home"),
        tr("视频文件(*.mp4 *.mov *.mvr *.flv *.wmv *.avi *.mkv *.rtm);;所有文件 (*)"));
    for (const QString& path : paths) {
        qDebug() << __LINE__ << "PlayImportWidget" << "path=" << path;
    }
    AddPaths(paths);
}

void PlayImportWidget::AddPaths(const QStringList& paths)
{
    for (const QString& path : paths) {
        AddPath(path);
    }
    ShowPendingState();
}

bool PlayImportWidget::AddPath(const QString& path)
{
    const QString name = QFileInfo(path).fileName();
    for (const QString& pending : m_pending) {
        if (QFileInfo(pending).fileName() == name) {
            return false;
        }
    }
    if (!MediaKind::IsPlayable(path)) {
        return false;
    }
    m_pending.append(path);
    const int row = ui->tableWidget->rowCount();
    ui->tableWidget->insertRow(row);
    ui->tableWidget->setCellWidget(row, 0, MediaKind::IconCell(path));
    QString size;
    const QFileInfo info(path);
    if (info.exists()) {
        size = MediaKind::SizeText(info.size());
    } else {
        qDebug() << __LINE__ << "PlayImportWidget" << "文件路径不存在！";
    }
    ui->tableWidget->setCellWidget(row, 1, MediaKind::NameCell(name, size));
    return true;
}

void PlayImportWidget::ShowPendingState()
{
    const bool any = !m_pending.isEmpty();
    ui->label_15->setText(QString::number(m_pending.size()));
    ui->addListWidget->setVisible(any);
    ui->importBtn->setVisible(any);
    ui->tableWidget->setVisible(any);
    ui->widget_3->setVisible(!any);
}

void PlayImportWidget::onPushButtonClicked()
{
    const QModelIndexList selected = ui->tableWidget->selectionModel()->selectedRows();
    for (const QModelIndex& index : selected) {
        const int row = index.row();
        qDebug() << __LINE__ << "PlayImportWidget" << "selectRow" << row;
        ui->tableWidget->removeRow(row);
        if (row >= 0 && row < m_pending.size()) {
            m_pending.remove(row);
        }
    }
    // With nothing left pending, "导入" would only empty the play list.
    ShowPendingState();
}

void PlayImportWidget::onImportBtnclicked()
{
    emit sigSendFileList(m_pending);
    ui->tableWidget->clearContents();
    ui->tableWidget->setRowCount(0);
    m_pending.clear();
    ui->label_15->setText(QStringLiteral("0"));
    ui->addListWidget->hide();
    ui->importBtn->hide();
    ui->cancelBtn->hide();
    ui->widget_3->show();
    hide();
}

void PlayImportWidget::onCloseBtnClicked()
{
    emit sigHideImportWidget();
}

bool PlayImportWidget::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ui->widget_3 && event->type() == QEvent::MouseButtonRelease) {
        onSettingBtnClicked();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void PlayImportWidget::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
    }
}

void PlayImportWidget::dropEvent(QDropEvent* event)
{
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) {
            paths << url.toLocalFile();
        }
    }
    AddPaths(paths);
    event->acceptProposedAction();
}
