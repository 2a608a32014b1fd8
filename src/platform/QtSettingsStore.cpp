#include "platform/QtSettingsStore.h"

#include "common/AppError.h"

#include <QSettings>

#include <memory>

namespace quorlin {

namespace {
// A fresh QSettings per operation: its status is sticky, and one failed write must not make
// every later one look failed. Instances share Qt's cache of the file.
std::unique_ptr<QSettings> openStore() {
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                       QStringLiteral("QRL"), QStringLiteral("QRL"));
}
}  // namespace

QString QtSettingsStore::fileName() const {
    return openStore()->fileName();
}

QString QtSettingsStore::value(const QString& section, const QString& key,
                               const QString& defaultValue) {
    const QVariant v = openStore()->value(section + u'/' + key);
    if (!v.isValid()) {
        return defaultValue;
    }
    // A hand-edited value with unquoted commas comes back as a list: give the text as written.
    if (v.typeId() == QMetaType::QStringList) {
        return v.toStringList().join(u',');
    }
    return v.toString();
}

void QtSettingsStore::setValue(const QString& section, const QString& key, const QString& value) {
    const auto settings = openStore();
    settings->setValue(section + u'/' + key, value);
    settings->sync();
    if (settings->status() != QSettings::NoError) {
        throw AppError(ErrorNumber::PathFileAccessError,
                       QStringLiteral("Path/File access error: the settings file %1 cannot be "
                                      "written")
                           .arg(settings->fileName()));
    }
}

}  // namespace quorlin
