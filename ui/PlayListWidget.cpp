#include "PlayListWidget.h"
#include "ui_PlayListWidget.h"

#include "DurationProbe.h"
#include "MediaKind.h"
#include "VorelResources.h"

#include <QDebug>
#include <QFileInfo>
#include <QHeaderView>

PlayListWidget::PlayListWidget(QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::PlayListWidget>())
{
    VorelResourcesInit();
    ui->setupUi(this);
    setAttribute(Qt::WA_TranslucentBackground);
    ui->tableWidget->setColumnCount(2);
    ui->tableWidget->ApplyListLook(60);
    ui->tableWidget->setColumnWidth(0, 60);
    ui->tableWidget->horizontalHeader()->setStretchLastSection(true);
    m_rearmTimer.setInterval(kDeleteRearmMs);
    m_rearmTimer.setSingleShot(true);
    m_probe = new DurationProbe(this);
    connect(m_probe, &DurationProbe::sigDuration, this, &PlayListWidget::onProbeDuration);
    connect(&m_rearmTimer, &QTimer::timeout, this, &PlayListWidget::onRearmTimerTimeout);
    connect(ui->tableWidget, &QTableWidget::cellDoubleClicked, this, &PlayListWidget::onTableWidgetCellDoubleClicked);
    connect(ui->deleteBtn, &QPushButton::clicked, this, &PlayListWidget::onDeleteBtnClicked);
    connect(ui->addBtn, &QPushButton::clicked, this, &PlayListWidget::onAddBtnClicked);
}

PlayListWidget::~PlayListWidget()
{
}

QString PlayListWidget::DurationText(qint64 ms)
{
    if (ms < 0) {
        return tr("时间:") + QStringLiteral("--");
    }
    const qint64 seconds = ms / 1000;
    return tr("时间:") + QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60);
}

void PlayListWidget::onAddFile(QVector<QString> fileList)
{
    m_probe->Cancel();
    m_durationLabels.clear();
    ui->tableWidget->clearContents();
    ui->tableWidget->setRowCount(0);
    for (const QString& path : fileList) {
        const int row = ui->tableWidget->rowCount();
        ui->tableWidget->insertRow(row);
        ui->tableWidget->setCellWidget(row, 0, MediaKind::IconCell(path));
        QWidget* cell = MediaKind::NameCell(QFileInfo(path).fileName(), QString());
        ui->tableWidget->setCellWidget(row, 1, cell);
        m_durationLabels.append(cell->findChild<QLabel*>(QStringLiteral("detailLabel")));
    }
    m_probe->Start(fileList);
}

void PlayListWidget::onProbeDuration(int index, qint64 ms)
{
    if (index < 0 || index >= m_durationLabels.size() || !m_durationLabels.at(index)) {
        return; // its row was deleted meanwhile
    }
    m_durationLabels.at(index)->setText(DurationText(ms));
}

void PlayListWidget::setListChange(int row)
{
    qDebug() << __LINE__ << "PlayListWidget::setListChange" << "setCurrentCell:" << row;
    ui->tableWidget->setCurrentCell(row, 0);
}

int PlayListWidget::rowCount() const
{
    return ui->tableWidget->rowCount();
}

int PlayListWidget::currentRow() const
{
    return ui->tableWidget->currentRow();
}

void PlayListWidget::onTableWidgetCellDoubleClicked(int row, int column)
{
    qDebug() << __LINE__ << "PlayListWidget" << "doubleclicked" << row << column;
    emit sigShowVideo(row);
}

void PlayListWidget::onDeleteBtnClicked()
{
    const QModelIndexList selected = ui->tableWidget->selectionModel()->selectedRows();
    if (selected.isEmpty()) {
        return;
    }
    for (const QModelIndex& index : selected) {
        const int row = index.row();
        qDebug() << __LINE__ << "PlayListWidget" << "selectRow" << row;
        ui->tableWidget->removeRow(row);
        emit sigDeleteRow(row);
    }
    ui->deleteBtn->setEnabled(false);
    m_rearmTimer.start();
}

void PlayListWidget::onAddBtnClicked()
{
    emit sigShowImportWidget();
}

void PlayListWidget::onRearmTimerTimeout()
{
    ui->deleteBtn->setEnabled(true);
}
