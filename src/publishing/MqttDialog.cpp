#include "publishing/MqttDialog.h"

#include "publishing/MosquittoClient.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace quorlin {

namespace {
constexpr int kTestTimeoutMs = 5000;

QLineEdit* makeEdit(QWidget* parent, const char* name, const QString& text,
                    const QString& placeholder) {
    auto* edit = new QLineEdit(text, parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setPlaceholderText(placeholder);
    return edit;
}
}  // namespace

MqttDialog::MqttDialog(MqttDialogModel& model, Probe probe, QWidget* parent)
    : QDialog(parent), model_(model), probe_(std::move(probe)) {
    if (!probe_) {
        probe_ = [](const MqttSettings& s) {
            return MosquittoClient::probe(clientOptions(s), kTestTimeoutMs);
        };
    }
    setObjectName(QStringLiteral("MqttPublishing"));
    setWindowTitle(QStringLiteral("MQTT Publishing"));
    setModal(true);

    const MqttDialogModel::Fields& f = model_.fields;
    url_ = makeEdit(this, "txtUrl", f.url, QStringLiteral("mqtt://host:1883 (empty: off)"));
    topic_ = makeEdit(this, "txtTopic", f.topic, defaultMqttTopic());
    everyMs_ = makeEdit(this, "txtEveryMs", f.everyMs, QStringLiteral("0 = every scan"));
    qos_ = new QComboBox(this);
    qos_->setObjectName(QStringLiteral("cboQos"));
    qos_->addItems({QStringLiteral("0"), QStringLiteral("1")});
    qos_->setCurrentIndex(f.qos == 1 ? 1 : 0);
    caFile_ = makeEdit(this, "txtCaFile", f.caFile, QStringLiteral("mqtts: system CAs"));
    credentialsFile_ =
        makeEdit(this, "txtCredentialsFile", f.credentialsFile, QStringLiteral("none"));
    message_ = new QLabel(this);
    message_->setObjectName(QStringLiteral("lblMessage"));
    message_->setWordWrap(true);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Broker &URL:"), url_);
    form->addRow(QStringLiteral("&Topic prefix:"), topic_);
    form->addRow(QStringLiteral("&Every (ms):"), everyMs_);
    form->addRow(QStringLiteral("&QoS:"), qos_);
    form->addRow(QStringLiteral("&CA file:"), caFile_);
    form->addRow(QStringLiteral("C&redentials file:"), credentialsFile_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    test_ = buttons->addButton(QStringLiteral("Te&st"), QDialogButtonBox::ActionRole);
    test_->setObjectName(QStringLiteral("cmdTest"));
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("cmdOK"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cmdCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &MqttDialog::onOk);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(test_, &QPushButton::clicked, this, &MqttDialog::onTest);
    connect(&model_, &MqttDialogModel::messageChanged, this, &MqttDialog::showMessage);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(message_);
    layout->addWidget(buttons);
    showMessage();
}

MqttDialog::~MqttDialog() {
    if (probeThread_.joinable()) {
        probeThread_.join();
    }
}

void MqttDialog::readFields() {
    MqttDialogModel::Fields& f = model_.fields;
    f.url = url_->text();
    f.topic = topic_->text();
    f.everyMs = everyMs_->text();
    f.qos = qos_->currentIndex();
    f.caFile = caFile_->text();
    f.credentialsFile = credentialsFile_->text();
}

void MqttDialog::showMessage() {
    message_->setText(model_.message());
    QWidget* focus = nullptr;
    switch (model_.problem()) {
        case MqttField::Url:
            focus = url_;
            break;
        case MqttField::Topic:
            focus = topic_;
            break;
        case MqttField::EveryMs:
            focus = everyMs_;
            break;
        case MqttField::Qos:
            focus = qos_;
            break;
        case MqttField::CaFile:
            focus = caFile_;
            break;
        case MqttField::CredentialsFile:
            focus = credentialsFile_;
            break;
        case MqttField::None:
            break;
    }
    if (focus) {
        focus->setFocus();
    }
}

void MqttDialog::onOk() {
    readFields();
    if (model_.ok()) {
        accept();
    }
}

void MqttDialog::onTest() {
    if (testing()) {
        return;
    }
    readFields();
    const std::optional<MqttSettings> settings = model_.testRequest();
    if (!settings) {
        return;
    }
    if (probeThread_.joinable()) {
        probeThread_.join();
    }
    probeDone_ = false;
    test_->setEnabled(false);
    probeThread_ = std::thread([this, s = *settings] {
        const QString failure = probe_(s);
        // The dialog waits for this thread before it goes, so `this` is still there.
        QMetaObject::invokeMethod(
            this,
            [this, s, failure] {
                probeDone_ = true;
                test_->setEnabled(true);
                model_.testFinished(s, failure);
                emit testFinished();
            },
            Qt::QueuedConnection);
    });
}

}  // namespace quorlin
