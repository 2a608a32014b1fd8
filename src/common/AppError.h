#pragma once

#include <QString>

#include <exception>

namespace quorlin {

// Stable failure numbers. Classic runtime numbers where one fits, so that error-log entries
// read the same whatever layer raised them.
namespace ErrorNumber {
constexpr qint32 Overflow = 6;
constexpr qint32 OutOfMemory = 7;
constexpr qint32 SubscriptOutOfRange = 9;
constexpr qint32 TypeMismatch = 13;
constexpr qint32 BadFileName = 52;
constexpr qint32 FileNotFound = 53;
constexpr qint32 BadFileMode = 54;
constexpr qint32 DeviceIoError = 57;
constexpr qint32 DiskFull = 61;
constexpr qint32 InputPastEndOfFile = 62;
constexpr qint32 PermissionDenied = 70;
constexpr qint32 PathNotFound = 76;
constexpr qint32 PathFileAccessError = 75;
constexpr qint32 InvalidPortNumber = 8002;
constexpr qint32 PortAlreadyOpen = 8005;
constexpr qint32 DeviceNotOpen = 8012;
constexpr qint32 LineLost = 8020;  // the serial device went away while open
}  // namespace ErrorNumber

// A trapped failure: what a procedure's error trap catches and hands to the error handler.
struct AppError : std::exception {
    AppError(qint32 n, QString d) : number(n), description(std::move(d)) {}
    const char* what() const noexcept override { return "quorlin::AppError"; }

    qint32 number;
    QString description;
};

}  // namespace quorlin
