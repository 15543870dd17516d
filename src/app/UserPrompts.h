#pragma once
// The modal questions the main window asks the user (file choosers, message
// boxes), behind one small interface so that tests can answer them without
// a modal loop. The default implementation shows the real dialogs.
#include <QString>

class QWidget;

class TUserPrompts
{
public:
    enum class Icon
    {
        Information,
        Warning
    };

    virtual ~TUserPrompts() = default;

    // File chooser for reading / writing; empty when the user cancels.
    // filter is a Qt name filter such as "*.sgn (*.sgn)".
    virtual QString OpenFileName(QWidget* parent, const QString& filter);
    virtual QString SaveFileName(QWidget* parent, const QString& filter);
    // Message box with an OK button.
    virtual void Message(QWidget* parent, const QString& caption, const QString& text,
                         Icon icon = Icon::Information);
    // OK / Cancel question; true for OK.
    virtual bool Confirm(QWidget* parent, const QString& caption, const QString& text);
    // Yes / No question; true for Yes.
    virtual bool AskYesNo(QWidget* parent, const QString& caption, const QString& text);
};
