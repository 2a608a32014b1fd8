#pragma once

#include "platform/SettingsStore.h"

namespace quorlin {

// The per-user settings store: an INI file of the user's configuration folder
// ($XDG_CONFIG_HOME/QRL/QRL.ini on Linux).
class QtSettingsStore : public SettingsStore {
  public:
    QString value(const QString& section, const QString& key, const QString& defaultValue) override;
    // Written through at once; throws AppError 75 when the file cannot be written.
    void setValue(const QString& section, const QString& key, const QString& value) override;

    QString fileName() const;
};

}  // namespace quorlin
