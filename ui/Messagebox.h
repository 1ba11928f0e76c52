#pragma once

#include <memory>

#include <QString>
#include <QWidget>

namespace Ui { class Messagebox; }

// A frameless, application-modal confirm/cancel question. "cancelBtn" emits
// sigcancel and hides the box; "confirmBtn" emits sigconfirm and closes it,
// which deletes it (Qt::WA_DeleteOnClose).
class Messagebox : public QWidget
{
    Q_OBJECT

public:
    explicit Messagebox(const QString& text, QWidget* parent = nullptr);
    ~Messagebox() override;

    QString text() const;

signals:
    void sigcancel();
    void sigconfirm();

private slots:
    void onCloseBtnClicked();
    void onCancelBtnClicked();
    void onConfirmBtnClicked();

private:
    std::unique_ptr<Ui::Messagebox> ui;
};
