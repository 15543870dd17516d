#include "app/UserPrompts.h"

#include <QFileDialog>
#include <QMessageBox>

QString TUserPrompts::OpenFileName(QWidget* parent, const QString& filter)
{
    return QFileDialog::getOpenFileName(parent, QString(), QString(), filter);
}

QString TUserPrompts::SaveFileName(QWidget* parent, const QString& filter)
{
    return QFileDialog::getSaveFileName(parent, QString(), QString(), filter);
}

void TUserPrompts::Message(QWidget* parent, const QString& caption, const QString& text, Icon icon)
{
    if (icon == Icon::Warning)
        QMessageBox::warning(parent, caption, text);
    else
        QMessageBox::information(parent, caption, text);
}

bool TUserPrompts::Confirm(QWidget* parent, const QString& caption, const QString& text)
{
    return QMessageBox::question(parent, caption, text, QMessageBox::Ok | QMessageBox::Cancel,
                                 QMessageBox::Ok) == QMessageBox::Ok;
}

bool TUserPrompts::AskYesNo(QWidget* parent, const QString& caption, const QString& text)
{
    return QMessageBox::question(parent, caption, text, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::Yes) == QMessageBox::Yes;
}
