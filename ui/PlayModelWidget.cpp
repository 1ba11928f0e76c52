#include "PlayModelWidget.h"
#include "ui_PlayModelWidget.h"

PlayModelWidget::PlayModelWidget(QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::PlayModelWidget>())
{
    ui->setupUi(this);
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedSize(182, 146);
    connect(ui->autobtn, &QPushButton::clicked, this, &PlayModelWidget::sigAutobtnClicked);
    connect(ui->singlebtn, &QPushButton::clicked, this, &PlayModelWidget::sigSinglebtnClicked);
    connect(ui->randombtn, &QPushButton::clicked, this, &PlayModelWidget::sigRandombtnbtnClicked);
    connect(ui->stopbtn, &QPushButton::clicked, this, &PlayModelWidget::sigStopbtnbtnClicked);
}

PlayModelWidget::~PlayModelWidget()
{
}
