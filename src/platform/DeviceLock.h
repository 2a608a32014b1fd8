#pragma once

#include <QLockFile>
#include <QString>

#include <memory>

namespace quorlin {

// The folder for the program's run-time locks: the user's own $XDG_RUNTIME_DIR, else the
// per-user application data folder (as the single-instance lock).
QString runtimeLockFolder();

// One headless run per serial device: a lock file in the run-time folder named after the
// device, so two runs on two devices go side by side and a second run on the same device is
// refused. A link (/dev/serial/by-id/...) and the device it names are the same device.
class DeviceLock {
  public:
    explicit DeviceLock(const QString& device, const QString& folder = runtimeLockFolder());

    // True when this run now holds the device; held until the object goes away.
    bool acquire();
    // After a refused acquire(): who holds the device, e.g. "process 1234 (quorlin)".
    QString holder() const;
    // The device the lock stands for (the link resolved when it exists).
    const QString& device() const { return device_; }
    const QString& path() const { return path_; }

  private:
    QString device_;
    QString path_;
    std::unique_ptr<QLockFile> lock_;
};

}  // namespace quorlin
