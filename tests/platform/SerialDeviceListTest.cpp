#include "platform/SerialDeviceList.h"

#include "support/TempFolder.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace quorlin {
namespace {

TEST(SerialDeviceList, stableLinksFollowTheDeviceTheyNameAndOthersAreLeftOut) {
    test::TempFolder dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("by-id")));
    const QString usb0 = dir.file(QStringLiteral("ttyUSB0"));
    const QString usb1 = dir.file(QStringLiteral("ttyUSB1"));
    for (const QString& device : {usb0, usb1}) {
        QFile f(device);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    const QString byId = dir.file(QStringLiteral("by-id"));
    ASSERT_TRUE(QFile::link(usb1, byId + QStringLiteral("/usb-QRL_B-if00")));
    ASSERT_TRUE(QFile::link(usb1, byId + QStringLiteral("/usb-QRL_A-if00")));
    ASSERT_TRUE(QFile::link(dir.file(QStringLiteral("gone")), byId + QStringLiteral("/dangling")));

    const QList<SerialDeviceInfo> listed =
        withStableLinks({{usb0, QStringLiteral("UART"), QStringLiteral("Maker")},
                         {usb1, QStringLiteral("UART"), QStringLiteral("Maker")}},
                        byId);
    QStringList paths;
    for (const SerialDeviceInfo& d : listed) {
        paths << d.path;
    }
    EXPECT_EQ(paths, QStringList({usb0, usb1, byId + QStringLiteral("/usb-QRL_A-if00"),
                                  byId + QStringLiteral("/usb-QRL_B-if00")}));
    EXPECT_EQ(listed[2].description, QStringLiteral("stable name of %1").arg(usb1));

    EXPECT_EQ(withStableLinks({{usb0, {}, {}}}, dir.file(QStringLiteral("none"))).size(), 1);
}

}  // namespace
}  // namespace quorlin
