#include "Messagebox.h"
#include "ui_Messagebox.h"

#include "VorelResources.h"

#include <QIcon>

Messagebox::Messagebox(const QString& text, QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::Messagebox>())
{
    VorelResourcesInit();
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setWindowModality(Qt::ApplicationModal);
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_TranslucentBackground);
    setWindowIcon(QIcon(QStringLiteral(":/img/bitbug_favicon.ico")));
    ui->titleWidget->hide();
    ui->msg->setText(text);
    connect(ui->closeBtn, &QPushButton::clicked, this, &Messagebox::onCloseBtnClicked);
    connect(ui->cancelBtn, &QPushButton::clicked, this, &Messagebox::onCancelBtnClicked);
    connect(ui->confirmBtn, &QPushButton::clicked, this, &Messagebox::onConfirmBtnClicked);
}

Messagebox::~Messagebox()
{
}

QString Messagebox::text() const
{
    return ui->msg->text();
}

void Messagebox::onCloseBtnClicked()
{
    hide();
}

void Messagebox::onCancelBtnClicked()
{
    emit sigcancel();
    hide();
}

void Messagebox::onConfirmBtnClicked()
{
    emit sigconfirm();
    close();
}
