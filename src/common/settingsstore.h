// File-backed store of named text values, addressed by full registry-style paths.
#pragma once

#include <QMap>
#include <QString>

namespace moldrin
{

inline const QString kProgramKey = QStringLiteral("HKLM\\SOFTWARE\\Tolvane\\Moldrin");
inline const QString kSaveConfigKey = kProgramKey + QStringLiteral("\\SaveConfig\\");

class SettingsStore
{
public:
    // The file named by MOLDRIN_SETTINGS_FILE, else $XDG_CONFIG_HOME/Tolvane/Moldrin/settings.
    static QString defaultPath();
    explicit SettingsStore(QString path = defaultPath());

    // The value at the full path, or "" on any failure (missing value, unreadable file).
    QString ReadRegistry(const QString& keyString) const;
    // Writes the value; the file is replaced atomically. False on any failure.
    bool WriteRegistry(const QString& keyString, const QString& value);

    // Shorthands for values under SaveConfig.
    QString read(const QString& name) const { return ReadRegistry(kSaveConfigKey + name); }
    bool write(const QString& name, const QString& value) { return WriteRegistry(kSaveConfigKey + name, value); }

    const QString& path() const { return mPath; }

private:
    QMap<QString, QString> load() const;
    QString mPath;
};

} // namespace moldrin
