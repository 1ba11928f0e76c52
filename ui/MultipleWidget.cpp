#include "MultipleWidget.h"
#include "ui_MultipleWidget.h"

MultipleWidget::MultipleWidget(QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::MultipleWidget>())
{
    ui->setupUi(this);
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedSize(177, 109);
    connect(ui->shalfbtn, &QPushButton::clicked, this, &MultipleWidget::sigshalfbtnClicked);
    connect(ui->s1btn, &QPushButton::clicked, this, &MultipleWidget::sigs1btnClicked);
    connect(ui->s2btn, &QPushButton::clicked, this, &MultipleWidget::sigs2btnClicked);
}

MultipleWidget::~MultipleWidget()
{
}
