#pragma once
// The diagnostic log: lines the serial link records (port listings, ports
// that could not be opened and why) for the log window to show. Lines are
// only ever appended. Any thread may append; the listener is called on the
// appending thread.
#include <QString>
#include <QStringList>
#include <functional>

namespace DiagnosticLog {

void Append(const QString& line);
// Every line appended so far, oldest first.
QStringList Lines();
// Called with each new line (the log window installs one); empty to remove.
void SetListener(std::function<void(const QString&)> listener);

} // namespace DiagnosticLog
