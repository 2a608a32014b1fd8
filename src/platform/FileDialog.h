#pragma once

#include <QString>

namespace quorlin {

struct FileDialogRequest {
    QString filter;       // "All Files (*.*)|*.*|Text Files(*.txt)|*.txt|..."
    int filterIndex = 1;  // 1-based
    QString initDir;
    bool confirmOverwrite = false;
};

// The common file dialog; an empty result means the operator cancelled.
class FileDialog {
  public:
    virtual ~FileDialog() = default;
    virtual QString showSave(const FileDialogRequest& request) = 0;
    virtual QString showOpen(const FileDialogRequest& request) = 0;
};

}  // namespace quorlin
