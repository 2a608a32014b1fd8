#pragma once

#include <QString>

namespace quorlin {

// The per-user settings store: text values under a section and key.
class SettingsStore {
  public:
    virtual ~SettingsStore() = default;
    virtual QString value(const QString& section, const QString& key,
                          const QString& defaultValue) = 0;
    virtual void setValue(const QString& section, const QString& key, const QString& value) = 0;
};

}  // namespace quorlin
