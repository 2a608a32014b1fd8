#include "device/CommPortDialog.h"
#include "device/CommPortDialogModel.h"
#include "platform/PortDevice.h"
#include "support/AccessibleRoute.h"
#include "support/Fakes.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include <gtest/gtest.h>

namespace quorlin {
namespace {

using test::FakeClock;
using test::FakeSerialPort;

// A port that notes when it is read, and can have bytes arrive right after the read.
class TimedPort : public FakeSerialPort {
  public:
    explicit TimedPort(FakeClock& clock) : clock_(clock) {}
    QByteArray input() override {
        ++reads;
        readAtMs = clock_.ms;
        QByteArray got = FakeSerialPort::input();
        feedQuietly(afterRead);
        return got;
    }
    int reads = 0;
    qint64 readAtMs = -1;
    QByteArray afterRead;

  private:
    FakeClock& clock_;
};

class TimedPortFactory : public SerialPortFactory {
  public:
    explicit TimedPortFactory(FakeClock& clock) : clock_(clock) {}
    std::unique_ptr<SerialPort> create() override {
        auto port = std::make_unique<TimedPort>(clock_);
        created.push_back(port.get());
        return port;
    }
    std::vector<TimedPort*> created;

  private:
    FakeClock& clock_;
};

QByteArray bytes(std::initializer_list<int> values) {
    QByteArray out;
    for (int v : values) {
        out.append(static_cast<char>(v));
    }
    return out;
}

class CommPortDialogTest : public ::testing::Test {
  protected:
    CommPortDialogTest() {
        clock.autoAdvanceMs = 7;  // lets the busy wait end
        settings.CurrentCommPort = 3;
        model = std::make_unique<CommPortDialogModel>(settings, store, factory, clock, box, errors,
                                                      [this] { return listed; });
        port = factory.created.at(0);
        model->Load();
    }

    // The board answers the identification request with the given bytes.
    void boardAnswers(const QByteArray& reply) {
        port->onOutput = [this, reply](const QByteArray& written) {
            writtenAtMs = clock.ms;
            if (written == bytes({0x78})) {
                port->feedQuietly(reply);
            }
        };
    }

    SettingsModel settings;
    test::MemorySettingsStore store;
    FakeClock clock;
    TimedPortFactory factory{clock};
    test::RecordingMessageBox box;
    test::RecordingErrorHandler errors;
    QList<SerialDeviceInfo> listed{
        {QStringLiteral("/dev/ttyS0"), {}, {}},
        {QStringLiteral("/dev/ttyUSB0"), QStringLiteral("USB Serial"), QStringLiteral("Maker")}};
    std::unique_ptr<CommPortDialogModel> model;
    TimedPort* port = nullptr;
    qint64 writtenAtMs = -1;
};

TEST_F(CommPortDialogTest, ownPortIsSetUpForTheBoardAndLoadTakesCurrentPort) {
    EXPECT_EQ(port->settings(), QStringLiteral("9600,N,8,1"));
    EXPECT_EQ(port->inputLen(), 0);
    EXPECT_EQ(model->portField(), 3);
    EXPECT_EQ(model->devicePath(), QStringLiteral("/dev/ttyS2"));
}

TEST_F(CommPortDialogTest, detectWithPortZero_refusesAndOpensNothing) {
    model->setPortField(0);
    model->cmdDetect_Click();
    EXPECT_EQ(
        box.okTexts,
        QStringList{QStringLiteral("You must select a comm port between 1 and 16 to run Detect!")});
    EXPECT_EQ(port->openCount(), 0);
    EXPECT_TRUE(port->written().isEmpty());
}

TEST_F(CommPortDialogTest, detectOnMissingOrBusyPort_reportsNumberAndChangesNothing) {
    model->setPortField(12);
    port->failOpen(ErrorNumber::PortAlreadyOpen, QStringLiteral("Port already open"));
    model->cmdDetect_Click();
    EXPECT_EQ(box.okTexts, QStringList{QStringLiteral(
                               "Serial port 12 does not exist, is not available, or is consumed "
                               "by another application!")});
    EXPECT_TRUE(port->written().isEmpty());
    EXPECT_TRUE(errors.reports.empty());
    EXPECT_TRUE(model->okEnabled());
    EXPECT_TRUE(model->detectEnabled());
}

TEST_F(CommPortDialogTest, goodReply_foundAfterOneRequestOneSecondAndOneRead) {
    boardAnswers(bytes({0xFF, 0x12, 0x34}));
    model->cmdDetect_Click();
    EXPECT_EQ(box.okTexts, QStringList{QStringLiteral("Quorlin found on serial port 3!")});
    EXPECT_EQ(port->written(), bytes({0x78}));
    EXPECT_EQ(port->commPort(), 3);
    EXPECT_EQ(port->reads, 1);
    EXPECT_GE(port->readAtMs - writtenAtMs, 1000);
    EXPECT_FALSE(port->isOpen());
    EXPECT_TRUE(model->okEnabled());
    EXPECT_TRUE(model->detectEnabled());
    // Detection alone stores nothing.
    EXPECT_EQ(settings.CurrentCommPort, 3);
    EXPECT_TRUE(store.values.isEmpty());
}

TEST_F(CommPortDialogTest, badReplies_notFoundAndButtonsUsableAgain) {
    const QList<QByteArray> replies{bytes({0xFE, 0x20, 0x00}), bytes({0xFF}), bytes({0xFF, 0x20}),
                                    bytes({0xFF, 0x20, 0x00, 0x00}), QByteArray()};
    for (const QByteArray& reply : replies) {
        box.okTexts.clear();
        boardAnswers(reply);
        model->cmdDetect_Click();
        EXPECT_EQ(box.okTexts, QStringList{QStringLiteral("Quorlin not found on serial port 3!")})
            << reply.toHex().constData();
        EXPECT_TRUE(model->okEnabled());
        EXPECT_TRUE(model->detectEnabled());
        EXPECT_FALSE(port->isOpen());
    }
}

TEST_F(CommPortDialogTest, bytesArrivingAfterTheRead_areNotSeen) {
    boardAnswers(bytes({0xFF, 0x20}));
    port->afterRead = bytes({0x00});
    model->cmdDetect_Click();
    EXPECT_EQ(box.okTexts, QStringList{QStringLiteral("Quorlin not found on serial port 3!")});

    box.okTexts.clear();
    boardAnswers(bytes({0xFF, 0x20, 0x00}));
    port->afterRead = bytes({0x55});
    model->cmdDetect_Click();
    EXPECT_EQ(box.okTexts, QStringList{QStringLiteral("Quorlin found on serial port 3!")});
}

TEST_F(CommPortDialogTest, failedWrite_goesToHandler_thenClosesThePortAndEnablesBothButtons) {
    port->failOutput(ErrorNumber::DeviceIoError, QStringLiteral("write failed"));
    model->cmdDetect_Click();
    ASSERT_EQ(errors.reports.size(), 1u);
    EXPECT_EQ(errors.reports[0].number, ErrorNumber::DeviceIoError);
    EXPECT_EQ(errors.reports[0].source, QStringLiteral("cmdDetect_Click"));
    EXPECT_EQ(errors.reports[0].screen, QStringLiteral("CommPort"));
    EXPECT_TRUE(box.okTexts.isEmpty());
    EXPECT_TRUE(model->okEnabled());
    EXPECT_TRUE(model->detectEnabled());
    EXPECT_FALSE(port->isOpen());
}

TEST_F(CommPortDialogTest, ok_storesDecimalTextAndCloses) {
    int closes = 0;
    QObject::connect(model.get(), &CommPortDialogModel::closeRequested, [&] { ++closes; });
    model->setPortField(16);
    model->cmdOK_Click();
    EXPECT_EQ(settings.CurrentCommPort, 16);
    EXPECT_EQ(store.values.value(QStringLiteral("Startup/CurrentCommPort")), QStringLiteral("16"));
    EXPECT_TRUE(box.okTexts.isEmpty());
    EXPECT_EQ(closes, 1);
}

TEST_F(CommPortDialogTest, okWithZero_warnsThenStoresZero) {
    QStringList order;
    box.onShow = [&](const QString&) {
        order.append(store.values.value(QStringLiteral("Startup/CurrentCommPort"), "unset"));
    };
    model->setPortField(0);
    model->cmdOK_Click();
    EXPECT_EQ(box.okTexts, QStringList{QStringLiteral("No comm port has been selected!")});
    EXPECT_EQ(order, QStringList{QStringLiteral("unset")});  // warned before storing
    EXPECT_EQ(store.values.value(QStringLiteral("Startup/CurrentCommPort")), QStringLiteral("0"));
    EXPECT_EQ(settings.CurrentCommPort, 0);
}

TEST_F(CommPortDialogTest, chosenDevice_usedByDetectButStoredOnlyByOk) {
    QString boundDuringOpen;
    boardAnswers(bytes({0xFF, 0, 0}));
    port->onOutput = [&, inner = port->onOutput](const QByteArray& b) {
        boundDuringOpen = store.values.value(QStringLiteral("Ports/3"));
        inner(b);
    };
    model->setDevicePath(QStringLiteral("/dev/ttyUSB0"));
    EXPECT_EQ(model->deviceLabel(), QStringLiteral("/dev/ttyUSB0 (USB Serial, Maker)"));
    model->cmdDetect_Click();
    EXPECT_EQ(boundDuringOpen, QStringLiteral("/dev/ttyUSB0"));
    // Afterwards port 3 names the device it named before.
    EXPECT_EQ(store.values.value(QStringLiteral("Ports/3")), QStringLiteral("/dev/ttyS2"));
    EXPECT_FALSE(store.values.contains(QStringLiteral("Startup/CurrentCommPort")));

    model->cmdOK_Click();
    EXPECT_EQ(store.values.value(QStringLiteral("Ports/3")), QStringLiteral("/dev/ttyUSB0"));
    EXPECT_EQ(store.values.value(QStringLiteral("Startup/CurrentCommPort")), QStringLiteral("3"));
}

TEST_F(CommPortDialogTest, changingTheNumber_showsTheDeviceBoundToIt) {
    store.values.insert(QStringLiteral("Ports/5"), QStringLiteral("/tmp/board"));
    model->setPortField(5);
    EXPECT_EQ(model->devicePath(), QStringLiteral("/tmp/board"));
    model->setPortField(1);
    EXPECT_EQ(model->devicePath(), QStringLiteral("/dev/ttyS0"));
    model->setPortField(0);
    EXPECT_TRUE(model->devicePath().isEmpty());
}

TEST_F(CommPortDialogTest, paddedBinding_showsTheDeviceThePortOpens) {
    store.values.insert(QStringLiteral("Ports/5"), QStringLiteral(" /tmp/board "));
    model->setPortField(5);
    EXPECT_EQ(model->devicePath(), QStringLiteral("/tmp/board"));
    EXPECT_EQ(model->devicePath(), portDeviceName(5, store));
}

TEST_F(CommPortDialogTest, window_carriesNamesAndMirrorsTheModel) {
    CommPortDialog dialog(*model);
    dialog.show();
    EXPECT_EQ(dialog.objectName(), QStringLiteral("CommPort"));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Comm Port"));
    auto* field = dialog.findChild<QSpinBox*>(QStringLiteral("NumEditCommPort"));
    auto* detect = dialog.findChild<QPushButton*>(QStringLiteral("cmdDetect"));
    auto* ok = dialog.findChild<QPushButton*>(QStringLiteral("cmdOK"));
    auto* device = dialog.findChild<QLabel*>(QStringLiteral("lblDevice"));
    auto* devices = dialog.findChild<QComboBox*>(QStringLiteral("cboDevice"));
    ASSERT_TRUE(field && detect && ok && device && devices);
    EXPECT_EQ(field->accessibleName(), QStringLiteral("Comm Port"));
    EXPECT_EQ(field->minimum(), 0);
    EXPECT_EQ(field->maximum(), 16);
    EXPECT_EQ(field->value(), 3);
    EXPECT_EQ(detect->text(), QStringLiteral("Detect"));
    EXPECT_EQ(ok->text(), QStringLiteral("OK"));
    EXPECT_EQ(devices->accessibleName(), QStringLiteral("Device"));
    EXPECT_EQ(devices->count(), 2);
    EXPECT_EQ(devices->currentText(), QStringLiteral("/dev/ttyS2"));

    field->setValue(7);
    EXPECT_EQ(model->portField(), 7);
    EXPECT_EQ(device->text(), QStringLiteral("/dev/ttyS6"));
    devices->setCurrentIndex(1);
    emit devices->activated(1);
    EXPECT_EQ(model->devicePath(), QStringLiteral("/dev/ttyUSB0"));
    EXPECT_EQ(devices->currentText(), QStringLiteral("/dev/ttyUSB0"));

    ok->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(store.values.value(QStringLiteral("Ports/7")), QStringLiteral("/dev/ttyUSB0"));
}

// OK stores what the fields show, also when assistive technology or a paste put it there.
TEST_F(CommPortDialogTest, fieldsSetWithoutMouseOrKeys_areWhatOkStores) {
    CommPortDialog dialog(*model);
    dialog.show();
    auto* field = dialog.findChild<QSpinBox*>(QStringLiteral("NumEditCommPort"));
    auto* devices = dialog.findChild<QComboBox*>(QStringLiteral("cboDevice"));
    ASSERT_TRUE(field && devices);
    QAccessible::queryAccessibleInterface(field)->valueInterface()->setCurrentValue(9);
    test::accessibleReplaceText(devices->lineEdit(), QStringLiteral("/dev/ttyACM3"));
    EXPECT_EQ(devices->currentText(), QStringLiteral("/dev/ttyACM3"));
    dialog.findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
    EXPECT_EQ(store.values.value(QStringLiteral("Startup/CurrentCommPort")), QStringLiteral("9"));
    EXPECT_EQ(store.values.value(QStringLiteral("Ports/9")), QStringLiteral("/dev/ttyACM3"));

    // A listed device picked without the mouse stands for its path alone.
    CommPortDialog again(*model);
    again.show();
    auto* list = again.findChild<QComboBox*>(QStringLiteral("cboDevice"));
    list->setCurrentIndex(1);
    EXPECT_EQ(model->devicePath(), QStringLiteral("/dev/ttyUSB0"));
}

}  // namespace
}  // namespace quorlin
