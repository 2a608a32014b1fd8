#pragma once

#include <QDir>
#include <QTemporaryDir>

namespace quorlin::test {

// A fresh folder per test, below QUORLIN_TEST_TMP when set (CTest sets it to the build tree).
class TempFolder {
  public:
    TempFolder() : dir_(base() + QStringLiteral("/quorlin-XXXXXX")) {}
    QString path() const { return dir_.path(); }
    QString file(const QString& name) const { return dir_.filePath(name); }
    bool isValid() const { return dir_.isValid(); }

  private:
    static QString base() {
        const QString b = qEnvironmentVariable("QUORLIN_TEST_TMP", QDir::tempPath());
        QDir().mkpath(b);
        return b;
    }
    QTemporaryDir dir_;
};

}  // namespace quorlin::test
