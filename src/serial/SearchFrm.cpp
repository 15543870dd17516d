#include "serial/SearchFrm.h"

#include "serial/PortSearch.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

TSearchForm::TSearchForm(QWidget* owner, TSGNPanel* panel) : QDialog(owner), panel_(panel)
{
    setWindowTitle(QStringLiteral("Auto Search"));
    resize(482, 129);

    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(100);
    Label1 = new QLabel(QStringLiteral("Test:"), this);
    TntButton1 = new QPushButton(QStringLiteral("Search"), this);
    TntButton2 = new QPushButton(QStringLiteral("Custom"), this);
    TntButton3 = new QPushButton(QStringLiteral("Close"), this);
    TntButton1->setAutoDefault(false);
    TntButton2->setAutoDefault(false);
    TntButton3->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(TntButton1);
    buttons->addWidget(TntButton2);
    buttons->addWidget(TntButton3);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ProgressBar1);
    layout->addWidget(Label1);
    layout->addLayout(buttons);

    Timer1 = new QTimer(this);
    Timer1->setInterval(80);
    Timer1->setSingleShot(true);
    connect(Timer1, &QTimer::timeout, this, &TSearchForm::Timer1Timer);
    connect(TntButton1, &QPushButton::clicked, this, &TSearchForm::Search);
    // "Custom" has no command of its own.
    connect(TntButton3, &QPushButton::clicked, this, &QDialog::close);
}

void TSearchForm::ShowSearch(TSGNPanel* panel, QWidget* owner)
{
    TSearchForm form(owner, panel);
    if (owner) {
        const QRect o = owner->frameGeometry();
        form.move(o.center() - form.rect().center());
    }
    form.exec();
}

void TSearchForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    Timer1->start();
}

void TSearchForm::Timer1Timer()
{
    Timer1->stop();
    Search();
}

void TSearchForm::Search()
{
    // The search lets the interface run while it waits; a second click or
    // timer must not start another one on the same link.
    if (!panel_ || searching_)
        return;
    searching_ = true;
    TntButton1->setEnabled(false);
    TntButton2->setEnabled(false);
    TPortSearchView view;
    view.Label = [this](const QString& text) { Label1->setText(text); };
    view.Progress = [this](int value) { ProgressBar1->setValue(value); };
    RunPortSearch(panel_, view);
    TntButton1->setEnabled(true);
    TntButton2->setEnabled(true);
    searching_ = false;
}
