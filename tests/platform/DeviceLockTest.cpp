#include "platform/DeviceLock.h"

#include "support/TempFolder.h"

#include <QFile>

#include <gtest/gtest.h>

#include <unistd.h>

using namespace quorlin;

TEST(DeviceLock, oneRunPerDevice_aLinkIsItsDevice_otherDevicesAreFree) {
    test::TempFolder folder;
    const QString locks = folder.path();
    const QString ttyA = folder.file(QStringLiteral("ttyA"));
    const QString ttyB = folder.file(QStringLiteral("ttyB"));
    const QString linkA = folder.file(QStringLiteral("by-id-A"));
    for (const QString& device : {ttyA, ttyB}) {
        QFile f(device);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    ASSERT_TRUE(QFile::link(ttyA, linkA));

    auto first = std::make_unique<DeviceLock>(linkA, locks);
    ASSERT_TRUE(first->acquire());
    EXPECT_EQ(first->device(), ttyA);

    DeviceLock other(ttyB, locks);
    EXPECT_TRUE(other.acquire());

    DeviceLock same(ttyA, locks);
    EXPECT_FALSE(same.acquire());
    EXPECT_TRUE(same.holder().startsWith(QStringLiteral("process %1").arg(::getpid())))
        << same.holder().toStdString();

    first.reset();
    DeviceLock afterwards(ttyA, locks);
    EXPECT_TRUE(afterwards.acquire());
}
