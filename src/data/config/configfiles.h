// The configuration folder and its two INI files: product list, column names, parameter lines of the Spec section.
#pragma once

#include "common/appstate.h"
#include "common/figure.h"
#include "common/prompt.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace moldrin::data
{

inline const QString kOpenIniItem = QStringLiteral("<Open INI>");
inline const QString kDisabledItem = QStringLiteral("<Disabled>");
inline const QString kAllItem = QStringLiteral("<All>");
inline const QString kAteIni = QStringLiteral("ATE.INI");
inline const QString kProductsIni = QStringLiteral("PRODUCTS.INI");
inline const QString kAteSection = QStringLiteral("ATE Configuration");
// Spec keys 1 to kSpecKeyLimit - 1 are read; the table slots run 0 to kSpecTableSlots - 1.
inline constexpr int kSpecKeyLimit = 500;
inline constexpr int kSpecTableSlots = 501;

// The main window's lists and the state this subsystem gives them, as plain data the window applies.
struct SelectionLists {
    QStringList productList; // kOpenIniItem, then the products
    int productIndex = -1;
    bool reselectFirstProduct = false; // the window should run its product selection for entry 1

    QStringList testIdList;
    QString testIdText;

    QStringList parameterList;
    int parameterIndex = -1;
    bool parameterListEnabled = true;
    bool plotButtonEnabled = false;

    QString caption;

    QString productText() const
    {
        return productIndex >= 0 && productIndex < productList.size() ? productList.at(productIndex) : QString();
    }
};

// The file `name` in `folder` (a relative path, or an absolute one that stands for itself), each part
// found without regard to letter case (site files are written on Windows, where ATE.INI, ate.ini and
// Ate.ini are one file). The exact path when none exists.
QString ConfigFilePath(const QString& folder, const QString& name);

// The program's own folder, used when no configuration folder is remembered.
QString ProgramFolder();

// The site's choice in the configuration folder's ATE.INI, [Database] ServerSideSubgroups: 1, true or yes
// has the engine form the variables chart's subgroups (for tables too large to read every reading).
bool SiteServerSide(const QString& folder);

// Splits the TestProduct value on commas; an empty value yields no products.
QStringList SplitProducts(const QString& testProduct);

// Start-up: establishes the configuration folder (gINIPath): the remembered INIPath, or `overrideDir` when
// given, else the program's folder. Returns the TestProduct value of its ATE.INI, or nothing when the folder
// lacks ATE.INI or PRODUCTS.INI: the window then asks for an ATE.INI (ConfigFolderRequest) and hands the
// answer to OpenConfigFolder. The process's current directory is left alone.
std::optional<QString> LocateConfigFolder(AppState& state, SelectionLists& lists, const QString& overrideDir = {});

// The file dialog that asks for a configuration folder's ATE.INI.
FileDialogRequest ConfigFolderRequest(const AppState& state);

// The configuration folder of the ATE.INI the user picked: its TestProduct value, or "" when the dialog was
// cancelled (the first product is then to be reselected) or the folder lacks one of the files (a message).
QString OpenConfigFolder(AppState& state, Prompt& prompt, SelectionLists& lists, const QString& picked);

// Start-up and <Open INI>: the product list becomes <Open INI> and the products, the first selected.
void FillProductList(SelectionLists& lists, const QString& testProduct);

// Product selection: the Test ID list becomes <All> and the TestID items of ATE.INI, <All> selected.
void RefillTestIdList(const AppState& state, SelectionLists& lists);

// Sets the five bracketed column names and gPassValue from the product's section of PRODUCTS.INI. A value
// that is no name (IsTableOrColumnName) is refused with a message naming the section and key: false, and
// nothing is to be read for the product.
bool LoadColumnNames(AppState& state, Prompt& prompt, const QString& product);

// True when a table or column name of PRODUCTS.INI can stand in a statement as a name and nothing more:
// no ']', ';', "--", "/*", quote (', ", `) or line break in it; written with '[' it is one bracketed name or
// several joined by '.' ("[Serial No]", "[dbo].[Results]").
bool IsTableOrColumnName(const QString& value);
// "Not a table or column name in section <section> and key <key> (PRODUCTS.INI): <value>!"
QString NotANameMessage(const QString& section, const QString& key, const QString& value);

// Reads the attribute chart columns and the product's Spec section into the parameter list and
// the per-parameter tables; messages go through `prompt`.
void LoadProductSpec(AppState& state, Prompt& prompt, SelectionLists& lists, const QString& product);

// Fills gParamName with the display names of the product shown in the product list, indexed like
// the parameter list.
void GetTestParameterName(AppState& state, Prompt& prompt, const SelectionLists& lists);

// The fields of one Spec line, split on every comma without trimming.
QStringList SplitSpecLine(const QString& line);

struct SpecLine {
    QString column; // field 0
    double lsl = kNoLowerLimit;
    double usl = kNoUpperLimit;
    std::optional<double> nominal; // field 3 when it is a number (the process target of the EWMA and CUSUM)
    QString unit; // field 4
    QString testNo; // field 5
    QString name; // field 6
    QString listItem() const
    {
        return testNo.isEmpty() ? name : testNo + QStringLiteral(": [") + name + QLatin1Char(']');
    }
};

// The line's fields as the parameter list uses them; nullopt when it has fewer than seven fields.
std::optional<SpecLine> ParseSpecLine(const QString& line);

// True when `text` is a number as written in the INI files ('.' as decimal point, blanks allowed).
bool IsNumericText(const QString& text);

// The bracketed form of a column name: unchanged when it contains '[', else wrapped.
QString NormaliseColumnName(const QString& value);
// The SQL literal of a pass verdict: unchanged when numeric, else in single quotes.
QString NormalisePassValue(const QString& value);

} // namespace moldrin::data
