#pragma once

#include "common/ErrorHandler.h"
#include "config/SettingsModel.h"
#include "platform/Clock.h"
#include "platform/MessageBox.h"
#include "platform/SerialDeviceList.h"
#include "platform/SerialPort.h"
#include "platform/SettingsStore.h"

#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

namespace quorlin {

// The presentation model of the Comm Port dialog: the port field, the device bound to it,
// the two buttons' enabled states, and the detection itself on a port of its own (the main
// window's port is never touched).
class CommPortDialogModel : public QObject {
    Q_OBJECT
  public:
    static constexpr qint16 kMaxPort = 16;
    static constexpr int kDetectWaitMs = 1000;

    CommPortDialogModel(SettingsModel& settings, SettingsStore& store, SerialPortFactory& ports,
                        Clock& clock, MessageBox& box, ErrorHandler& errors,
                        SerialDeviceLister lister = listSerialDevices, QObject* parent = nullptr);
    ~CommPortDialogModel() override;

    // Each time the dialog is shown: the field takes CurrentCommPort, the device list is
    // read afresh.
    void Load();

    qint16 portField() const { return portField_; }  // NumEditCommPort, 0..16
    void setPortField(qint16 port);

    // The device the field's number stands for (cboDevice's text); empty for port 0.
    const QString& devicePath() const { return devicePath_; }
    void setDevicePath(const QString& path);
    // lblDevice: the device with its description when the system lists one.
    QString deviceLabel() const;
    const QList<SerialDeviceInfo>& devices() const { return devices_; }

    bool okEnabled() const { return okEnabled_; }
    bool detectEnabled() const { return detectEnabled_; }

    void cmdDetect_Click();
    void cmdOK_Click();
    bool TestCommPortAvailable(qint16 port);

  signals:
    void portFieldChanged();
    void deviceChanged();  // path or label
    void devicesChanged();
    void okEnabledChanged();
    void detectEnabledChanged();
    void closeRequested();

  private:
    void setOkEnabled(bool enabled);
    void setDetectEnabled(bool enabled);

    SettingsModel& settings_;
    SettingsStore& store_;
    Clock& clock_;
    MessageBox& box_;
    ErrorHandler& errors_;
    SerialDeviceLister lister_;
    std::unique_ptr<SerialPort> port_;

    qint16 portField_ = 0;
    QString devicePath_;
    QList<SerialDeviceInfo> devices_;
    bool okEnabled_ = true;
    bool detectEnabled_ = true;
};

}  // namespace quorlin
