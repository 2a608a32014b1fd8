#pragma once

#include "publishing/MqttDialogModel.h"

#include <QDialog>

#include <functional>
#include <thread>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace quorlin {

// The modal MQTT Publishing dialog: mirrors an MqttDialogModel and forwards the operator's
// clicks to it. Test connects on a thread of its own, so the window stays live meanwhile.
class MqttDialog : public QDialog {
    Q_OBJECT
  public:
    // Connects once with the settings: empty when it worked, otherwise why not. Runs off the
    // window's thread.
    using Probe = std::function<QString(const MqttSettings&)>;

    // An empty probe uses libmosquitto.
    MqttDialog(MqttDialogModel& model, Probe probe = {}, QWidget* parent = nullptr);
    ~MqttDialog() override;  // waits for a test still connecting

    // A Test connection is under way.
    bool testing() const { return probeThread_.joinable() && !probeDone_; }

  signals:
    void testFinished();

  private:
    void readFields();
    void showMessage();
    void onOk();
    void onTest();

    MqttDialogModel& model_;
    Probe probe_;
    std::thread probeThread_;
    bool probeDone_ = true;
    QLineEdit* url_;
    QLineEdit* topic_;
    QLineEdit* everyMs_;
    QComboBox* qos_;
    QLineEdit* caFile_;
    QLineEdit* credentialsFile_;
    QLabel* message_;
    QPushButton* test_;
};

}  // namespace quorlin
