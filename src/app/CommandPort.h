#pragma once
// What the commands that talk to a card share: the --port option, the port
// as their messages name it, the cause of a failed exchange, and the hooks
// the core calls while a command waits for the card.
#include "model/SGNPanel.h"

#include <QString>
#include <QStringList>

// Takes every "--port COMn|DEVICE" and "--port=COMn|DEVICE" out of args and
// sets *portNumber to the last one's number. False, with the reason on
// stderr, for a missing or unusable value.
bool TakePortOption(QStringList& args, int* portNumber);

// "COM3 (/dev/pts/4)", or just "COM3" when no device has that number.
QString PortDescription(int portNumber);

// "cannot open COM3 (/dev/pts/4): why", for stderr when the panel's link
// did not open.
QString OpenFailureText(const TSGNPanel& panel);

// Why an exchange ended as it did, in words for stderr.
QString TransactOutcomeText(TSGNPanel::TransactOutcome outcome);

// While it lives the core processes pending events as it waits for a card
// and prints its one message on stderr; nothing waits for the user.
class TCommandHooks
{
public:
    TCommandHooks();
    ~TCommandHooks();
    TCommandHooks(const TCommandHooks&) = delete;
    TCommandHooks& operator=(const TCommandHooks&) = delete;
};
