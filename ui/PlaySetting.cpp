#include "PlaySetting.h"
#include "ui_PlaySetting.h"

#include "AppSettings.h"
#include "Linguist.h"
#include "Messagebox.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFileDialog>
#include <QTimer>

PlaySetting::PlaySetting(QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::PlaySetting>())
{
    ui->setupUi(this);
    setAttribute(Qt::WA_TranslucentBackground);
    ui->lineEdit->setText(AppSettings::PictureFolder());
    ui->lineEdit_2->setText(AppSettings::VideoFolder());
    ui->widget_2->setTextOn(QString());
    ui->widget_2->setTextOff(AppSettings::InterfaceIsChinese() ? QStringLiteral("英文") : QStringLiteral("Chinese"));
    emit sigsetPicPatch(ui->lineEdit->text());
    emit sigsetVideoPatch(ui->lineEdit_2->text());
    connect(ui->pushButton, &QPushButton::clicked, this, &PlaySetting::onPushButtonClicked);
    connect(ui->pushButton_2, &QPushButton::clicked, this, &PlaySetting::onPushButton2Clicked);
    connect(ui->widget_2, &SliderBtn::statusChanged, this, &PlaySetting::onWidget2StatusChanged);
    ui->videoRow->hide();
}

PlaySetting::~PlaySetting()
{
}

QString PlaySetting::pictureFolder() const
{
    return ui->lineEdit->text();
}

QString PlaySetting::videoFolder() const
{
    return ui->lineEdit_2->text();
}

void PlaySetting::onPushButtonClicked()
{
    const QString folder = QFileDialog::getExistingDirectory(
        this, tr("选择路径"), QCoreApplication::applicationDirPath(), QFileDialog::ShowDirsOnly);
    if (folder.isEmpty()) {
        return;
    }
    AppSettings::SetValue(QString::fromLatin1(AppSettings::kPictureFolder), folder);
    ui->lineEdit->setText(folder);
}

void PlaySetting::onPushButton2Clicked()
{
    ui->lineEdit->setText(AppSettings::DefaultPictureFolder());
    AppSettings::SetValue(QString::fromLatin1(AppSettings::kPictureFolder), QString());
}

void PlaySetting::onWidget2StatusChanged(bool checked)
{
    qDebug() << __LINE__ << "PlaySetting" << "language switch" << checked;
    if (!m_accept) {
        m_accept = true;
        return;
    }
    const QString text = AppSettings::InterfaceIsChinese()
        ? QStringLiteral("语言变更需要重新启动客户端才能生效")
        : QStringLiteral("Language changes require a client restart to take effect");
    m_question = new Messagebox(text, parentWidget() ? parentWidget() : this);
    connect(m_question, &Messagebox::sigconfirm, this, &PlaySetting::onQuestionConfirmed);
    connect(m_question, &Messagebox::sigcancel, this, &PlaySetting::onQuestionCancelled);
    m_question->show();
}

void PlaySetting::onQuestionConfirmed()
{
    const bool english = Linguist::instance()->currentLanguage() == Linguist::English;
    AppSettings::SetValue(QString::fromLatin1(AppSettings::kLanguageType),
                          QString::fromLatin1(english ? AppSettings::kChinese : AppSettings::kEnglish));
    emit sigStopPlay();
}

void PlaySetting::onQuestionCancelled()
{
    m_accept = false;
    ui->widget_2->setChecked(!ui->widget_2->checked());
    if (m_question) {
        m_question->close();
    }
}
