#pragma once

#include <QString>

namespace quorlin {

class SettingsStore;

// The device a port number stands for when the store binds none to it: the n-th built-in
// serial port. Empty for a number below 1.
QString defaultDeviceOfPort(qint16 port);

// The device that port number n (1..16) stands for: the store's "Ports/<n>" (trimmed) when
// set, otherwise the default device. Empty for a number below 1.
QString portDeviceName(qint16 port, SettingsStore& store);

}  // namespace quorlin
