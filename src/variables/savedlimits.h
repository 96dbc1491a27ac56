// Saved control limits: a baseline's lines, held so that later readings are judged against them, kept in one
// readable JSON file of the program's own and replaced atomically on every change.
#pragma once

#include "common/appstate.h"
#include "variables/controllimits.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

namespace moldrin
{

// What a saved baseline belongs to: the product, the parameter's column, the chart type and the group size.
struct LimitsKey {
    QString product, column, chartType;
    int groupSize = 0;
    bool operator==(const LimitsKey&) const = default;
};

// The specification limits and nominal of the parameter; empty where none is given.
struct SpecificationLimitsAtSave {
    std::optional<double> lsl, usl, nominal;
    bool operator==(const SpecificationLimitsAtSave&) const = default;
};

struct SavedLimits {
    LimitsKey key;
    HeldChart centre, variation;
    double sigma = 0; // the estimated process sigma of the baseline
    long subgroups = 0; // points of the baseline
    QString range; // the range list item the baseline was plotted with ("Last 60 Days", "Custom"...)
    QDate first, last; // the dates of its first and last reading
    QDateTime savedAt;
    QString savedBy; // login name
    SpecificationLimitsAtSave specificationLimits;
    bool operator==(const SavedLimits&) const = default;
};

// The stage start dates of a product's parameter, ascending.
struct StageDates {
    QString product, column;
    QList<QDate> starts;
    bool operator==(const StageDates&) const = default;
};

// Where the limits file lies: `File=` of ATE.INI's [Control Limits] (relative to the configuration folder)
// when given, so a site judges against one file; else the user's settings folder.
QString LimitsFilePath(const QString& configFolder, const QString& settingsFolder);
inline const QString kLimitsFileName = QStringLiteral("control-limits.json");

// The login name of the user running the program ("" when the environment names none).
QString LoginName();

// The line that names a baseline on the panel, e.g. "Saved 2026-03-05 by ann: 2026-01-02 to 2026-03-02".
QString BaselineText(const SavedLimits& saved);
// The warning line when the parameter's specification limits differ from those the limits were saved with,
// "" when they are the same.
QString SpecificationLimitsChangeText(const SpecificationLimitsAtSave& then, const SpecificationLimitsAtSave& now);

// The parameter's specification limits and nominal as the product's configuration gives them.
SpecificationLimitsAtSave SpecificationLimitsOf(const AppState& state, int parameterIndex);

// The entry for a plotted chart's limits over `points` subgroups (or readings) read from first to last.
SavedLimits LimitsToSave(const LimitsKey& key, const ControlLimits& limits, long points, const QString& range,
    QDate first, QDate last, const SpecificationLimitsAtSave& specificationLimits);
// The held limits of a saved entry with its panel lines: the baseline's name, and a warning where the
// parameter's specification limits are no longer the ones it was saved with.
HeldLimits Held(const SavedLimits& saved, const SpecificationLimitsAtSave& now);

// The saved limits of one file. Loading reads the whole file; every change re-reads it, replaces or adds
// the one entry and writes the file atomically, so entries others saved meanwhile are kept.
class LimitsStore
{
public:
    explicit LimitsStore(QString path);
    const QString& path() const { return mPath; }

    // "" when the file was read or does not exist (no limits saved yet); else why it cannot be used.
    // A damaged file keeps the store empty and is never overwritten.
    QString load();
    std::optional<SavedLimits> find(const LimitsKey& key) const;
    const QList<SavedLimits>& entries() const { return mEntries; }
    // The stage start dates of a product's parameter (none: the chart is one stage).
    QList<QDate> stages(const QString& product, const QString& column) const;

    // Stores `limits` under its key (replacing an earlier entry of that key). "" when written, else the
    // message saying why not; the file is then as it was.
    QString save(const SavedLimits& limits);
    // Stores the stage start dates of a product's parameter (sorted, each once; none removes them), as save().
    QString saveStages(const QString& product, const QString& column, QList<QDate> starts);

private:
    // Re-reads the file, lets `change` alter its entries and writes them.
    QString update(const std::function<void(QList<SavedLimits>&, QList<StageDates>&)>& change);

    QString mPath;
    QList<SavedLimits> mEntries;
    QList<StageDates> mStages;
};

} // namespace moldrin
