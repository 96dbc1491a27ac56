// The settings file: a JSON object of full path -> text, replaced whole on every write.
#include "settingsstore.h"

#include "common/savefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>

namespace moldrin
{

QString SettingsStore::defaultPath()
{
    const QByteArray env = qgetenv("MOLDRIN_SETTINGS_FILE");
    if (!env.isEmpty())
        return QString::fromLocal8Bit(env);
    QString base = QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME"));
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/Tolvane/Moldrin/settings");
}

SettingsStore::SettingsStore(QString path)
    : mPath(std::move(path))
{
}

// The file is a JSON object of full path -> text; an unreadable or malformed file reads as empty.
QMap<QString, QString> SettingsStore::load() const
{
    QMap<QString, QString> values;
    QFile f(mPath);
    if (!f.open(QIODevice::ReadOnly))
        return values;
    const QJsonDocument doc = QJsonDocument::fromJson(f.readAll());
    if (!doc.isObject())
        return values;
    const QJsonObject o = doc.object();
    for (auto it = o.begin(); it != o.end(); ++it)
        if (it.value().isString())
            values.insert(it.key(), it.value().toString());
    return values;
}

QString SettingsStore::ReadRegistry(const QString& keyString) const
{
    return load().value(keyString);
}

bool SettingsStore::WriteRegistry(const QString& keyString, const QString& value)
{
    if (keyString.isEmpty() || mPath.isEmpty())
        return false;
    QMap<QString, QString> values = load();
    values.insert(keyString, value);
    QJsonObject o;
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        o.insert(it.key(), it.value());
    if (!QDir().mkpath(QFileInfo(mPath).absolutePath()))
        return false;
    const QByteArray bytes = QJsonDocument(o).toJson(QJsonDocument::Indented);
    return SaveFileAtomically(mPath, [&](QIODevice& f) { return f.write(bytes) == bytes.size(); }).isEmpty();
}

} // namespace moldrin
