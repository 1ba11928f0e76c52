#include "MsgBox.h"
#include "ui_MsgBox.h"

MsgBox::MsgBox(QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::MsgBox>())
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setWindowModality(Qt::ApplicationModal);
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_TranslucentBackground);
    connect(ui->cancelBtn, &QPushButton::clicked, this, &MsgBox::onCancelBtnClicked);
    connect(ui->confirmBtn, &QPushButton::clicked, this, &MsgBox::onConfirmBtnClicked);
}

MsgBox::~MsgBox()
{
}

void MsgBox::setText(const QString& text)
{
    ui->msg->setText(text);
}

QString MsgBox::text() const
{
    return ui->msg->text();
}

void MsgBox::onCancelBtnClicked()
{
    close();
}

void MsgBox::onConfirmBtnClicked()
{
    close();
}
