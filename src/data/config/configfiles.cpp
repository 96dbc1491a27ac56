// The configuration folder and its two INI files: product list, column names, parameter lines of the Spec section.
#include "configfiles.h"

#include "common/rounding.h"
#include "inifile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <cmath>
#include <exception>
#include <functional>

namespace moldrin::data
{

namespace
{

const QString kOpenIniTitle = QStringLiteral("Open INI files");
const QString kOpenIniFilter = QStringLiteral("INI file (ATE.INI)|ATE.INI");
const QString kOpenIniError = QStringLiteral("Open INI Error");

QString Caption(const QString& folder)
{
    return QStringLiteral("Tolvane SPC (") + folder + QLatin1Char(')');
}

bool HasConfigFiles(const QString& folder)
{
    return QFileInfo(ConfigFilePath(folder, kAteIni)).isFile()
        && QFileInfo(ConfigFilePath(folder, kProductsIni)).isFile();
}

enum class SpecWalkEnd { Eot, Incomplete, NoEot, NotAName };

// Walks keys 1, 2, ... of the product's Spec section: missing keys are skipped, <EOT> (any case)
// ends the walk, a line of fewer than seven fields, a column that is no name or no <EOT> among keys 1 to
// 499 is reported.
SpecWalkEnd WalkSpecSection(
    const IniFile& ini, const QString& product, Prompt& prompt, const std::function<void(int, const SpecLine&)>& accept)
{
    const QString section = product + QStringLiteral(" Spec");
    for (int n = 1; n < kSpecKeyLimit; ++n) {
        const QString text = ini.value(section, QString::number(n));
        if (text.isEmpty())
            continue;
        const QStringList fields = SplitSpecLine(text);
        if (fields.at(0).toUpper() == QLatin1String("<EOT>"))
            return SpecWalkEnd::Eot;
        const std::optional<SpecLine> line = ParseSpecLine(text);
        if (!line) {
            prompt.warn(QStringLiteral("Specification Info. in INI is not completed or missing at line#")
                + QString::number(n) + QLatin1Char('!'));
            return SpecWalkEnd::Incomplete;
        }
        if (!IsTableOrColumnName(line->column)) {
            prompt.warn(NotANameMessage(section, QString::number(n), line->column));
            return SpecWalkEnd::NotAName;
        }
        accept(n, *line);
    }
    prompt.warn(QStringLiteral("Can't reach to End Of Test <EOT> record!"));
    return SpecWalkEnd::NoEot;
}

void DisableParameters(SelectionLists& lists)
{
    lists.parameterList.append(kDisabledItem);
    lists.parameterIndex = lists.parameterList.size() - 1;
    lists.parameterListEnabled = false;
    lists.plotButtonEnabled = false;
}

} // namespace

QString ConfigFilePath(const QString& folder, const QString& name)
{
    const QString exact = QDir(folder).filePath(name);
    if (QFileInfo::exists(exact))
        return exact;
    QDir dir(QFileInfo(name).isAbsolute() ? QDir::rootPath() : folder);
    const QStringList parts = QDir::cleanPath(name).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (qsizetype i = 0; i < parts.size(); ++i) {
        QString found;
        if (dir.exists(parts[i])) {
            found = parts[i];
        } else {
            const QStringList entries
                = dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
            for (const QString& entry : entries) {
                if (entry.compare(parts[i], Qt::CaseInsensitive) == 0) {
                    found = entry;
                    break;
                }
            }
        }
        if (found.isEmpty())
            return exact;
        if (i + 1 == parts.size())
            return dir.filePath(found);
        if (!dir.cd(found))
            return exact;
    }
    return exact;
}

QString ProgramFolder()
{
    return QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QDir::currentPath();
}

bool SiteServerSide(const QString& folder)
{
    const QString v
        = ReadINI(QStringLiteral("Database"), QStringLiteral("ServerSideSubgroups"), ConfigFilePath(folder, kAteIni))
              .trimmed();
    return v == QLatin1String("1") || v.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0
        || v.compare(QLatin1String("yes"), Qt::CaseInsensitive) == 0;
}

QStringList SplitProducts(const QString& testProduct)
{
    return testProduct.isEmpty() ? QStringList() : testProduct.split(QLatin1Char(','));
}

std::optional<QString> LocateConfigFolder(AppState& state, SelectionLists& lists, const QString& overrideDir)
{
    QString folder = overrideDir.isEmpty() ? state.registry.read(QStringLiteral("INIPath")) : overrideDir;
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = ProgramFolder();
    folder = QDir(folder).absolutePath();
    state.gINIPath = folder;
    lists.caption = Caption(folder);
    if (!HasConfigFiles(folder))
        return std::nullopt;
    return ReadINI(kAteSection, QStringLiteral("TestProduct"), ConfigFilePath(folder, kAteIni));
}

FileDialogRequest ConfigFolderRequest(const AppState& state)
{
    FileDialogRequest request;
    request.title = kOpenIniTitle;
    request.filter = kOpenIniFilter;
    if (!state.gINIPath.isEmpty())
        request.fileName = QDir(state.gINIPath).filePath(kAteIni);
    return request;
}

QString OpenConfigFolder(AppState& state, Prompt& prompt, SelectionLists& lists, const QString& picked)
{
    if (picked.isEmpty() || picked.contains(QLatin1Char('*'))) {
        if (lists.productList.size() >= 2) {
            lists.productIndex = 1;
            lists.reselectFirstProduct = true;
        }
        return {};
    }

    // A folder that fails the checks below is not adopted: the configuration stays where it was.
    const QString folder = QFileInfo(picked).absolutePath();
    const QString atePath = ConfigFilePath(folder, kAteIni);
    if (!QFileInfo(atePath).isFile()) {
        prompt.warn(QStringLiteral("Missing ATE.INI!."), kOpenIniError);
        return {};
    }
    if (!QFileInfo(ConfigFilePath(folder, kProductsIni)).isFile()) {
        prompt.warn(QStringLiteral("Missing PRODUCTS.INI!."), kOpenIniError);
        return {};
    }

    const IniFile ate(atePath);
    lists.testIdList.clear();
    lists.testIdText.clear();
    const QString testIds = ate.value(kAteSection, QStringLiteral("TestID"));
    if (!testIds.isEmpty()) {
        lists.testIdList = testIds.split(QLatin1Char(','));
        const QString preset = ate.value(kAteSection, QStringLiteral("TestIDDefault"));
        if (!preset.isEmpty()) {
            if (lists.testIdList.contains(preset))
                lists.testIdText = preset;
        } else if (!lists.testIdList.isEmpty()) {
            lists.testIdText = lists.testIdList.first();
        }
    }

    const QString products = ate.value(kAteSection, QStringLiteral("TestProduct"));
    lists.caption = Caption(folder);
    state.gINIPath = folder;
    return products;
}

void FillProductList(SelectionLists& lists, const QString& testProduct)
{
    lists.productList = QStringList { kOpenIniItem } + SplitProducts(testProduct);
    lists.productIndex = lists.productList.size() >= 2 ? 1 : -1;
    lists.reselectFirstProduct = false;
}

void RefillTestIdList(const AppState& state, SelectionLists& lists)
{
    const QString testIds = ReadINI(kAteSection, QStringLiteral("TestID"), ConfigFilePath(state.gINIPath, kAteIni));
    lists.testIdList = QStringList { kAllItem };
    if (!testIds.isEmpty())
        lists.testIdList += testIds.split(QLatin1Char(','));
    // TestIDDefault is applied and then replaced by the selection of <All>.
    lists.testIdText = kAllItem;
}

QString NormaliseColumnName(const QString& value)
{
    return value.contains(QLatin1Char('[')) ? value : QLatin1Char('[') + value + QLatin1Char(']');
}

QString NormalisePassValue(const QString& value)
{
    return IsNumericText(value) ? value : QLatin1Char('\'') + value + QLatin1Char('\'');
}

bool IsTableOrColumnName(const QString& value)
{
    static const QRegularExpression notInName(QStringLiteral(R"(\]|;|--|/\*|['"`]|[\r\n])"));
    static const QRegularExpression bracketed(QStringLiteral(R"(^\s*\[[^\[\]]*\](\s*\.\s*\[[^\[\]]*\])*\s*$)"));
    if (!value.contains(QLatin1Char('[')))
        return !notInName.match(value).hasMatch();
    if (!bracketed.match(value).hasMatch())
        return false;
    QString inner = value;
    inner.remove(QLatin1Char('[')).remove(QLatin1Char(']'));
    return !notInName.match(inner).hasMatch();
}

QString NotANameMessage(const QString& section, const QString& key, const QString& value)
{
    return QStringLiteral("Not a table or column name in section ") + section + QStringLiteral(" and key ") + key
        + QStringLiteral(" (PRODUCTS.INI): ") + value + QLatin1Char('!');
}

bool LoadColumnNames(AppState& state, Prompt& prompt, const QString& product)
{
    state.gColTestID = QStringLiteral("[TestID]");
    state.gColTestStartTime = QStringLiteral("[TestStartTime]");
    state.gColSerialNumber = QStringLiteral("[SerialNumber]");
    state.gColPassFail = QStringLiteral("[PassFail]");
    state.gColATEID = QStringLiteral("[ATEID]");
    state.gPassValue = QStringLiteral("'PASS'");

    const IniFile ini(ConfigFilePath(state.gINIPath, kProductsIni));
    const std::pair<const char*, QString*> columns[]
        = { { "TestID", &state.gColTestID }, { "SerialNumber", &state.gColSerialNumber }, { "ATEID", &state.gColATEID },
              { "TestStartTime", &state.gColTestStartTime }, { "PassFail", &state.gColPassFail } };
    for (const auto& [key, target] : columns) {
        const QString value = ini.value(product, QLatin1String(key));
        if (value.isEmpty())
            continue;
        if (!IsTableOrColumnName(value)) {
            prompt.warn(NotANameMessage(product, QLatin1String(key), value));
            return false;
        }
        *target = NormaliseColumnName(value);
    }
    const QString pass = ini.value(product, QStringLiteral("PassIdentical"));
    if (!pass.isEmpty())
        state.gPassValue = NormalisePassValue(pass);
    return true;
}

void LoadProductSpec(AppState& state, Prompt& prompt, SelectionLists& lists, const QString& product)
{
    const QString path = ConfigFilePath(state.gINIPath, kProductsIni);
    if (!QFileInfo(path).isFile())
        return;
    try {
        lists.parameterList.clear();
        lists.parameterIndex = -1;
        state.gParamColumn = QStringList(kSpecTableSlots, QString());
        state.gSpecField4 = QStringList(kSpecTableSlots, QString());
        state.gLSL = QList<double>(kSpecTableSlots, 0.0);
        state.gUSL = QList<double>(kSpecTableSlots, 0.0);
        state.gNominal = QList<std::optional<double>>(kSpecTableSlots);

        const IniFile ini(path);
        const std::pair<const char*, QString*> attributes[]
            = { { "P_ChartNonConformitiesColumnName", &state.gPChartNonConfColumn },
                  { "P_ChartSubGroupColumnName", &state.gPChartSubGroupColumn },
                  { "NP_ChartNonConformitiesColumnName", &state.gNPChartNonConfColumn },
                  { "NP_ChartSubGroupColumnName", &state.gNPChartSubGroupColumn },
                  { "U_ChartNonConformitiesColumnName", &state.gUChartNonConfColumn },
                  { "U_ChartSubGroupColumnName", &state.gUChartSubGroupColumn },
                  { "C_ChartNonConformitiesColumnName", &state.gCChartNonConfColumn },
                  { "C_ChartY_AxisTitle", &state.gCChartYAxisTitle } };
        for (const auto& [key, target] : attributes) {
            *target = ini.value(product, QLatin1String(key));
            // The attribute columns are names; the c chart's axis title is text.
            if (target != &state.gCChartYAxisTitle && !IsTableOrColumnName(*target)) {
                prompt.warn(NotANameMessage(product, QLatin1String(key), *target));
                target->clear();
                DisableParameters(lists);
                return;
            }
        }

        const SpecWalkEnd end = WalkSpecSection(ini, product, prompt, [&](int, const SpecLine& line) {
            const qsizetype i = lists.parameterList.size();
            lists.parameterList.append(line.listItem());
            state.gParamColumn[i] = line.column;
            state.gSpecField4[i] = line.unit;
            state.gLSL[i] = line.lsl;
            state.gUSL[i] = line.usl;
            state.gNominal[i] = line.nominal;
        });
        if (end == SpecWalkEnd::NotAName)
            DisableParameters(lists);
        if (end != SpecWalkEnd::Eot)
            return;

        const qsizetype count = lists.parameterList.size();
        if (count >= 1) {
            lists.parameterIndex = 0;
            state.gParamColumn.resize(count);
            state.gSpecField4.resize(count);
            state.gLSL.resize(count);
            state.gUSL.resize(count);
            state.gNominal.resize(count);
            lists.parameterListEnabled = true;
            lists.plotButtonEnabled = true;
        } else {
            DisableParameters(lists);
        }
    } catch (const std::exception& failure) {
        DisableParameters(lists);
        prompt.warn(QString::fromLocal8Bit(failure.what()) + QLatin1Char('!'));
    }
}

void GetTestParameterName(AppState& state, Prompt& prompt, const SelectionLists& lists)
{
    if (lists.parameterList.isEmpty()) {
        prompt.warn(QStringLiteral("Not found parameters!"));
        return;
    }
    state.gParamName = QStringList(kSpecTableSlots, QString());
    if (state.gINIPath.isEmpty())
        state.gINIPath = QDir::currentPath();
    const IniFile ini(ConfigFilePath(state.gINIPath, QStringLiteral("Products.ini")));
    // Names are stored by list position, so that they stay parallel to gParamColumn when the
    // line numbering has gaps.
    int position = 0;
    const SpecWalkEnd end = WalkSpecSection(ini, lists.productText().trimmed(), prompt,
        [&](int, const SpecLine& line) { state.gParamName[position++] = line.name; });
    if (end == SpecWalkEnd::Eot)
        state.gParamName.resize(lists.parameterList.size());
}

QStringList SplitSpecLine(const QString& line)
{
    return line.split(QLatin1Char(','));
}

std::optional<SpecLine> ParseSpecLine(const QString& text)
{
    const QStringList f = SplitSpecLine(text);
    if (f.size() < 7)
        return std::nullopt;
    SpecLine line;
    line.column = f.at(0);
    line.lsl = IsNumericText(f.at(1)) ? LeadingNumber(f.at(1).toLatin1().constData()) : kNoLowerLimit;
    line.usl = IsNumericText(f.at(2)) ? LeadingNumber(f.at(2).toLatin1().constData()) : kNoUpperLimit;
    // Either sentinel in either field means that the limit is absent: LSL 999 is no lower limit, not a
    // lower limit above the upper one.
    if (IsLimitSentinel(line.lsl))
        line.lsl = kNoLowerLimit;
    if (IsLimitSentinel(line.usl))
        line.usl = kNoUpperLimit;
    if (IsNumericText(f.at(3)))
        line.nominal = LeadingNumber(f.at(3).toLatin1().constData());
    line.unit = f.at(4);
    line.testNo = f.at(5);
    line.name = f.at(6);
    return line;
}

bool IsNumericText(const QString& text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return false;
    bool ok = false;
    const double v = t.toDouble(&ok); // QString::toDouble reads the C locale: '.' as decimal point
    return ok && std::isfinite(v);
}

} // namespace moldrin::data
