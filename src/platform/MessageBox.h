#pragma once

#include <QString>

namespace quorlin {

// Modal message boxes titled "Quorlin".
class MessageBox {
  public:
    virtual ~MessageBox() = default;
    virtual void showOk(const QString& text) = 0;
    // Retry and Cancel, Retry first, no icon; Escape counts as Cancel. True for Retry.
    virtual bool showRetryCancel(const QString& text) = 0;
};

}  // namespace quorlin
