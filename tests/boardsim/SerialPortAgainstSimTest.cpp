// The simulated board through Qt's serial port, the class the program's port adapter uses:
// it must open the device, keep its raw settings and answer across close and reopen.
#include "BoardSim.h"

#include <QSerialPort>

#include <gtest/gtest.h>

using namespace std::chrono_literals;
using quorlin::sim::BoardSim;
using quorlin::sim::Source;

namespace {

QByteArray ask(QSerialPort& port, char request, int want = 3) {
    port.write(&request, 1);
    port.flush();
    QByteArray got;
    while (got.size() < want && port.waitForReadyRead(30000)) {
        got += port.readAll();
    }
    return got;
}

}  // namespace

TEST(BoardSimSerialPort, answersThroughQSerialPortAcrossReopen) {
    BoardSim board;
    ASSERT_TRUE(board.start());
    board.setSource(1, Source::scripted({0x2001, 0x3FFF}));
    for (int round = 0; round < 2; ++round) {
        QSerialPort port(board.devicePath());
        port.setBaudRate(9600);
        ASSERT_TRUE(port.open(QIODevice::ReadWrite)) << port.errorString().toStdString();
        EXPECT_EQ(ask(port, 0x78),
                  round == 0 ? QByteArray("\xFF\x20\x01", 3) : QByteArray("\xFF\x3F\xFF", 3));
        // Bytes 0x0D and 0x0A and 0x11 pass untouched: the line is raw.
        board.setSource(0, Source::scripted({0x0D0A, 0x1113}));
        EXPECT_EQ(ask(port, 0x66), QByteArray("\xFF\x0D\x0A", 3));
        EXPECT_EQ(ask(port, 0x66), QByteArray("\xFF\x11\x13", 3));
        port.close();
    }
}
