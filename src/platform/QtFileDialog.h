#pragma once

#include "platform/EventGate.h"
#include "platform/FileDialog.h"

#include <QList>
#include <QPointer>
#include <QWidget>

namespace quorlin {

// One entry of a filter text, as a Qt name filter ("CSV Files (*.csv)") and the extension a
// saved name without one gets ("csv"; empty for "*.*").
struct NameFilter {
    QString filter;
    QString suffix;
};

// Turns "All Files (*.*)|*.*|Text Files(*.txt)|*.txt" (description|pattern pairs, patterns
// separated by ";") into Qt name filters. "*.*" means every file.
QList<NameFilter> translateFilterText(const QString& filterText);

// The chosen file as an absolute path; a name saved without extension gets the selected
// filter's one. Empty when the operator cancels.
class QtFileDialog : public FileDialog {
  public:
    explicit QtFileDialog(EventGate& gate, QWidget* parent = nullptr)
        : gate_(gate), parent_(parent) {}
    void setParentWidget(QWidget* parent) { parent_ = parent; }

    QString showSave(const FileDialogRequest& request) override;
    QString showOpen(const FileDialogRequest& request) override;

  private:
    QString show(const FileDialogRequest& request, bool save);

    EventGate& gate_;
    QPointer<QWidget> parent_;
};

}  // namespace quorlin
