#include "app/WindowReports.h"

namespace quorlin {

WindowReports::WindowReports(ErrorHandler& errors, MessageBox& messages)
    : errors_(errors), messages_(messages) {}

void WindowReports::report(qint32 number, const QString& source, const QString& screen,
                           const QString& description) {
    show([this, number, source, screen, description] {
        errors_.SimpleErrorHandler(number, source, screen, description);
    });
}

void WindowReports::log(qint32 number, const QString& source, const QString& screen,
                        const QString& description) {
    errors_.LogError(number, source, screen, description);
}

void WindowReports::notice(const QString& text) {
    show([this, text] { messages_.showOk(text); });
}

void WindowReports::show(std::function<void()> box) {
    waiting_.push_back(std::move(box));
    if (showing_) {
        return;  // shown once the open box has been answered
    }
    showing_ = true;
    while (!waiting_.empty()) {
        const std::function<void()> next = std::move(waiting_.front());
        waiting_.pop_front();
        next();
    }
    showing_ = false;
}

}  // namespace quorlin
