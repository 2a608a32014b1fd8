#pragma once

#include <QDialog>

namespace quorlin {

class EventGate;

// The About box: the program's name, what it is and its version.
class AboutBox : public QDialog {
    Q_OBJECT
  public:
    explicit AboutBox(const QString& versionText, QWidget* parent = nullptr);
};

// Shows the About box modally until OK closes it. While it is open, port events wait at the
// gate (when one is given) instead of running inside the box's event loop.
void mnuAbout_Click(const QString& versionText, QWidget* parent, EventGate* gate = nullptr);

}  // namespace quorlin
