#include "PlayTableWidget.h"

#include <QHeaderView>

PlayTableWidget::PlayTableWidget(QWidget* parent)
    : QTableWidget(parent)
{
}

void PlayTableWidget::ApplyListLook(int rowHeightPx)
{
    horizontalHeader()->hide();
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(rowHeightPx);
    setShowGrid(false);
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::NoFocus);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setStyleSheet(QStringLiteral(
        "QTableWidget{background: transparent;}"
        "QTableWidget::item:selected{background: rgba(76, 132, 255, 60);}"
        "QScrollBar:horizontal{height: 6px;background: #FFFFFF;}"
        "QScrollBar::handle:horizontal{background: #d7dbe3;}"
        "QScrollBar:vertical{width: 18px;padding-left: 12px;padding-top: 5px;background: transparent;}"
        "QScrollBar::handle:vertical{background: #d7dbe3;}"));
}
