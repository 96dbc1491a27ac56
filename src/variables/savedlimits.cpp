// The saved limits' file: reading, checking, replacing one entry, writing atomically.
#include "variables/savedlimits.h"

#include "common/numberformat.h"
#include "common/savefile.h"
#include "data/config/configfiles.h"
#include "data/config/inifile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

#include <pwd.h>
#include <unistd.h>

namespace moldrin
{

namespace
{

const QString kFormat = QStringLiteral("moldrin control limits");
constexpr int kVersion = 1;

// Reading one entry; the first field that is missing or of the wrong kind is the failure.
class EntryReader
{
public:
    explicit EntryReader(const QJsonObject& o)
        : mObject(o)
    {
    }
    QString failure;

    QString text(const QString& name)
    {
        const QJsonValue v = mObject.value(name);
        if (!v.isString())
            fail(name, QStringLiteral("no text"));
        return v.toString();
    }
    double number(const QJsonValue& v, const QString& name)
    {
        if (!v.isDouble())
            fail(name, QStringLiteral("no number"));
        return v.toDouble();
    }
    double number(const QString& name) { return number(mObject.value(name), name); }
    std::optional<double> optionalNumber(const QJsonObject& o, const QString& name)
    {
        const QJsonValue v = o.value(name);
        if (v.isUndefined() || v.isNull())
            return std::nullopt;
        return number(v, name);
    }
    HeldChart chart(const QString& name)
    {
        const QJsonObject c = mObject.value(name).toObject();
        return { number(c.value(QStringLiteral("centre")), name + QStringLiteral(".centre")),
            number(c.value(QStringLiteral("ucl")), name + QStringLiteral(".ucl")),
            number(c.value(QStringLiteral("lcl")), name + QStringLiteral(".lcl")) };
    }
    QDate date(const QString& name)
    {
        const QDate d = QDate::fromString(text(name), Qt::ISODate);
        if (!d.isValid())
            fail(name, QStringLiteral("no date"));
        return d;
    }

private:
    void fail(const QString& name, const QString& what)
    {
        if (failure.isEmpty())
            failure = QStringLiteral("\"") + name + QStringLiteral("\" holds ") + what;
    }
    const QJsonObject& mObject;
};

SavedLimits ReadEntry(const QJsonObject& o, QString& failure)
{
    EntryReader r(o);
    SavedLimits s;
    s.key = { r.text(QStringLiteral("product")), r.text(QStringLiteral("column")), r.text(QStringLiteral("chartType")),
        int(r.number(QStringLiteral("groupSize"))) };
    s.centre = r.chart(QStringLiteral("centreChart"));
    s.variation = r.chart(QStringLiteral("variationChart"));
    s.sigma = r.number(QStringLiteral("sigma"));
    s.subgroups = long(r.number(QStringLiteral("subgroups")));
    s.range = r.text(QStringLiteral("range"));
    s.first = r.date(QStringLiteral("first"));
    s.last = r.date(QStringLiteral("last"));
    s.savedAt = QDateTime::fromString(r.text(QStringLiteral("savedAt")), Qt::ISODate);
    s.savedBy = r.text(QStringLiteral("savedBy"));
    const QJsonObject limits = o.value(QStringLiteral("specificationLimits")).toObject();
    s.specificationLimits = { r.optionalNumber(limits, QStringLiteral("lsl")),
        r.optionalNumber(limits, QStringLiteral("usl")), r.optionalNumber(limits, QStringLiteral("nominal")) };
    failure = r.failure;
    return s;
}

QJsonObject ChartObject(const HeldChart& c)
{
    return { { QStringLiteral("centre"), c.centre }, { QStringLiteral("ucl"), c.ucl },
        { QStringLiteral("lcl"), c.lcl } };
}

QJsonValue OptionalNumber(const std::optional<double>& v)
{
    return v ? QJsonValue(*v) : QJsonValue(QJsonValue::Null);
}

QJsonObject EntryObject(const SavedLimits& s)
{
    return { { QStringLiteral("product"), s.key.product }, { QStringLiteral("column"), s.key.column },
        { QStringLiteral("chartType"), s.key.chartType }, { QStringLiteral("groupSize"), s.key.groupSize },
        { QStringLiteral("centreChart"), ChartObject(s.centre) },
        { QStringLiteral("variationChart"), ChartObject(s.variation) }, { QStringLiteral("sigma"), s.sigma },
        { QStringLiteral("subgroups"), double(s.subgroups) }, { QStringLiteral("range"), s.range },
        { QStringLiteral("first"), s.first.toString(Qt::ISODate) },
        { QStringLiteral("last"), s.last.toString(Qt::ISODate) },
        { QStringLiteral("savedAt"), s.savedAt.toString(Qt::ISODate) }, { QStringLiteral("savedBy"), s.savedBy },
        { QStringLiteral("specificationLimits"),
            QJsonObject { { QStringLiteral("lsl"), OptionalNumber(s.specificationLimits.lsl) },
                { QStringLiteral("usl"), OptionalNumber(s.specificationLimits.usl) },
                { QStringLiteral("nominal"), OptionalNumber(s.specificationLimits.nominal) } } } };
}

QJsonObject StagesObject(const StageDates& d)
{
    QJsonArray starts;
    for (const QDate& start : d.starts)
        starts.append(start.toString(Qt::ISODate));
    return { { QStringLiteral("product"), d.product }, { QStringLiteral("column"), d.column },
        { QStringLiteral("starts"), starts } };
}

StageDates ReadStages(const QJsonObject& o, QString& failure)
{
    EntryReader r(o);
    StageDates d { r.text(QStringLiteral("product")), r.text(QStringLiteral("column")), {} };
    for (const QJsonValue& v : o.value(QStringLiteral("starts")).toArray()) {
        const QDate start = QDate::fromString(v.toString(), Qt::ISODate);
        if (!start.isValid() && r.failure.isEmpty())
            r.failure = QStringLiteral("\"starts\" holds no date");
        d.starts << start;
    }
    failure = r.failure;
    return d;
}

// The items of one array of the file; "" when each was read, else which one failed and why.
template <class Item>
QString ReadArray(const QJsonObject& root, const QString& name, const QString& what,
    Item (*read)(const QJsonObject&, QString&), QList<Item>& out)
{
    const QJsonArray array = root.value(name).toArray();
    for (qsizetype i = 0; i < array.size(); ++i) {
        QString failure;
        out << read(array.at(i).toObject(), failure);
        if (!failure.isEmpty())
            return QStringLiteral("in ") + what + QLatin1Char(' ') + QString::number(i + 1) + QStringLiteral(", ")
                + failure;
    }
    return {};
}

QString Damaged(const QString& path, const QString& why)
{
    return QStringLiteral("The limits file ") + QDir::toNativeSeparators(path) + QStringLiteral(" cannot be used: ")
        + why + QStringLiteral(".");
}

QString SpecText(const std::optional<double>& v)
{
    return v ? FormatNumber(*v, QStringLiteral("#,##0.0###")) : QStringLiteral("none");
}

} // namespace

QString LimitsFilePath(const QString& configFolder, const QString& settingsFolder)
{
    const QString file = data::ReadINI(
        QStringLiteral("Control Limits"), QStringLiteral("File"), data::ConfigFilePath(configFolder, data::kAteIni));
    if (!file.isEmpty())
        return QDir::cleanPath(QDir(configFolder).absoluteFilePath(file));
    return QDir(settingsFolder).filePath(kLimitsFileName);
}

QString LoginName()
{
    for (const char* name : { "LOGNAME", "USER" })
        if (const QString v = qEnvironmentVariable(name); !v.isEmpty())
            return v;
    const passwd* pw = ::getpwuid(::getuid());
    return pw ? QString::fromLocal8Bit(pw->pw_name) : QString();
}

QString BaselineText(const SavedLimits& s)
{
    const QString by = s.savedBy.isEmpty() ? QString() : QStringLiteral(" by ") + s.savedBy;
    return QStringLiteral("Saved ") + s.savedAt.date().toString(Qt::ISODate) + by + QStringLiteral(": ")
        + s.first.toString(Qt::ISODate) + QStringLiteral(" to ") + s.last.toString(Qt::ISODate);
}

QString SpecificationLimitsChangeText(const SpecificationLimitsAtSave& then, const SpecificationLimitsAtSave& now)
{
    QStringList changes;
    for (const auto& [name, a, b] : { std::tuple { QStringLiteral("LSL"), then.lsl, now.lsl },
             std::tuple { QStringLiteral("USL"), then.usl, now.usl },
             std::tuple { QStringLiteral("nominal"), then.nominal, now.nominal } })
        if (a != b)
            changes << name + QLatin1Char(' ') + SpecText(a) + QStringLiteral(" now ") + SpecText(b);
    return changes.isEmpty() ? QString() : QStringLiteral("Warning: since saved ") + changes.join(QStringLiteral(", "));
}

SpecificationLimitsAtSave SpecificationLimitsOf(const AppState& state, int i)
{
    const auto limit = [&](const QList<double>& list) -> std::optional<double> {
        if (i < 0 || i >= list.size() || IsLimitSentinel(list[i]))
            return std::nullopt;
        return list[i];
    };
    return { limit(state.gLSL), limit(state.gUSL),
        i >= 0 && i < state.gNominal.size() ? state.gNominal[i] : std::nullopt };
}

SavedLimits LimitsToSave(const LimitsKey& key, const ControlLimits& l, long points, const QString& range, QDate first,
    QDate last, const SpecificationLimitsAtSave& specificationLimits)
{
    SavedLimits s;
    s.key = key;
    s.centre = { l.XDoubleBar.value(), l.UCLCentre.value(), l.LCLCentre.value() };
    s.variation = { l.AverageVariation.value(), l.UCLVar.value(), l.LCLVar.value() };
    s.sigma = l.EstSigma.value();
    s.subgroups = points;
    s.range = range;
    s.first = first;
    s.last = last;
    s.savedAt = QDateTime::currentDateTime();
    s.savedAt.setTime(QTime(s.savedAt.time().hour(), s.savedAt.time().minute(), s.savedAt.time().second()));
    s.savedBy = LoginName();
    s.specificationLimits = specificationLimits;
    return s;
}

HeldLimits Held(const SavedLimits& saved, const SpecificationLimitsAtSave& now)
{
    HeldLimits h { saved.centre, saved.variation, saved.sigma, { BaselineText(saved) } };
    if (const QString warning = SpecificationLimitsChangeText(saved.specificationLimits, now); !warning.isEmpty())
        h.notes << warning;
    return h;
}

LimitsStore::LimitsStore(QString path)
    : mPath(std::move(path))
{
}

QString LimitsStore::load()
{
    mEntries.clear();
    mStages.clear();
    QFile file(mPath);
    if (!file.exists())
        return {};
    if (!file.open(QIODevice::ReadOnly))
        return Damaged(mPath, file.errorString());
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &error);
    if (error.error != QJsonParseError::NoError)
        return Damaged(mPath, error.errorString() + QStringLiteral(" at byte ") + QString::number(error.offset));
    const QJsonObject root = doc.object();
    if (root.value(QStringLiteral("format")).toString() != kFormat)
        return Damaged(mPath, QStringLiteral("it is no limits file of this program"));
    if (root.value(QStringLiteral("version")).toInt() != kVersion)
        return Damaged(mPath, QStringLiteral("it was written by a different version"));
    QList<SavedLimits> entries;
    QList<StageDates> stages;
    QString failure = ReadArray(root, QStringLiteral("limits"), QStringLiteral("entry"), ReadEntry, entries);
    if (failure.isEmpty())
        failure = ReadArray(root, QStringLiteral("stages"), QStringLiteral("stages"), ReadStages, stages);
    if (!failure.isEmpty())
        return Damaged(mPath, failure);
    mEntries = std::move(entries);
    mStages = std::move(stages);
    return {};
}

std::optional<SavedLimits> LimitsStore::find(const LimitsKey& key) const
{
    for (const SavedLimits& s : mEntries)
        if (s.key == key)
            return s;
    return std::nullopt;
}

QList<QDate> LimitsStore::stages(const QString& product, const QString& column) const
{
    for (const StageDates& d : mStages)
        if (d.product == product && d.column == column)
            return d.starts;
    return {};
}

QString LimitsStore::save(const SavedLimits& limits)
{
    return update([&](QList<SavedLimits>& entries, QList<StageDates>&) {
        auto it
            = std::find_if(entries.begin(), entries.end(), [&](const SavedLimits& s) { return s.key == limits.key; });
        if (it != entries.end())
            *it = limits;
        else
            entries << limits;
    });
}

QString LimitsStore::saveStages(const QString& product, const QString& column, QList<QDate> starts)
{
    std::sort(starts.begin(), starts.end());
    starts.erase(std::unique(starts.begin(), starts.end()), starts.end());
    return update([&](QList<SavedLimits>&, QList<StageDates>& stages) {
        stages.removeIf([&](const StageDates& d) { return d.product == product && d.column == column; });
        if (!starts.isEmpty())
            stages << StageDates { product, column, starts };
    });
}

QString LimitsStore::update(const std::function<void(QList<SavedLimits>&, QList<StageDates>&)>& change)
{
    if (const QString failure = load(); !failure.isEmpty())
        return failure + QStringLiteral(" The limits were not saved.");
    const QString cannot = QStringLiteral("The limits could not be saved to ") + QDir::toNativeSeparators(mPath);
    if (!QDir().mkpath(QFileInfo(mPath).absolutePath()))
        return cannot + QStringLiteral(": its folder cannot be made.");
    QList<SavedLimits> entries = mEntries;
    QList<StageDates> stages = mStages;
    change(entries, stages);
    QJsonArray array, stageArray;
    for (const SavedLimits& s : entries)
        array.append(EntryObject(s));
    for (const StageDates& d : stages)
        stageArray.append(StagesObject(d));
    const QJsonObject root { { QStringLiteral("format"), kFormat }, { QStringLiteral("version"), kVersion },
        { QStringLiteral("limits"), array }, { QStringLiteral("stages"), stageArray } };
    const QByteArray bytes = QJsonDocument(root).toJson(QJsonDocument::Indented);
    const QString failure
        = SaveFileAtomically(mPath, [&](QIODevice& d) { return d.write(bytes) == qint64(bytes.size()); });
    if (!failure.isEmpty())
        return cannot + QStringLiteral(": ") + failure + QStringLiteral(".");
    mEntries = std::move(entries);
    mStages = std::move(stages);
    return {};
}

} // namespace moldrin
