#pragma once

#include <memory>

#include <QPointer>
#include <QString>
#include <QWidget>

namespace Ui { class PlaySetting; }
class Messagebox;

// The settings panel: the screenshot folder (choose, reset), the interface
// language switch (stored, then the program restarts) and the version line.
// The recording-folder row exists but stays hidden.
class PlaySetting : public QWidget
{
    Q_OBJECT

public:
    explicit PlaySetting(QWidget* parent = nullptr);
    ~PlaySetting() override;

    QString pictureFolder() const;
    QString videoFolder() const;

signals:
    void sigsetPicPatch(QString patch);
    void sigsetVideoPatch(QString patch);
    void sigStopPlay();

private slots:
    void onPushButtonClicked();
    void onPushButton2Clicked();
    void onWidget2StatusChanged(bool checked);
    void onQuestionConfirmed();
    void onQuestionCancelled();

private:
    std::unique_ptr<Ui::PlaySetting> ui;
    bool m_accept = true; // false: the next switch change is our own revert
    QPointer<Messagebox> m_question;
};
