#pragma once

#include <memory>

#include <QWidget>

namespace Ui { class PlayModelWidget; }

// The play-mode chooser: four buttons, one per mode, each relayed as its
// own signal. The main window places, shows and hides it.
class PlayModelWidget : public QWidget
{
    Q_OBJECT

public:
    explicit PlayModelWidget(QWidget* parent = nullptr);
    ~PlayModelWidget() override;

signals:
    void sigAutobtnClicked();
    void sigSinglebtnClicked();
    void sigRandombtnbtnClicked();
    void sigStopbtnbtnClicked();

private:
    std::unique_ptr<Ui::PlayModelWidget> ui;
};
