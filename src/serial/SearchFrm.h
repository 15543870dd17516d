#pragma once
// The "Auto Search" dialog: runs the port search by itself shortly after it
// is shown, shows each port it tries and the card it found, and can search
// again.
#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;
class TSGNPanel;

class TSearchForm : public QDialog
{
    Q_OBJECT
public:
    // panel: borrowed; may be empty, and then the search does nothing.
    explicit TSearchForm(QWidget* owner, TSGNPanel* panel);

    // Makes the dialog owned by owner, shows it modally for the panel and
    // destroys it when it closes.
    static void ShowSearch(TSGNPanel* panel, QWidget* owner);

    // Runs the search once (the "Search" button and the start-up timer).
    void Search();

    QProgressBar* ProgressBar1;
    QLabel* Label1;
    QPushButton* TntButton1; // "Search"
    QPushButton* TntButton2; // "Custom"
    QPushButton* TntButton3; // "Close"
    QTimer* Timer1;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Timer1Timer();

    TSGNPanel* panel_;
    bool searching_ = false;
};
