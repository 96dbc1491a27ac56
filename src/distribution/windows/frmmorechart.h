// frmMoreChart: the More Charts selector, which opens the further charts of the main window's selection.
#pragma once

#include "attributes/attributechart.h"
#include "common/appstate.h"
#include "common/prompt.h"
#include "data/loader/plotfunction.h"
#include "output/windows/chartwindow.h"

#include "ui_frmmorechart.h"

#include <QDialog>
#include <QStringList>

class QComboBox;

namespace moldrin
{

// What the selector takes from the main window: its lists as they stand and its current selection.
struct MoreChartInputs {
    int productCount = 0; // entries of the product list
    QStringList parameters; // the test-parameter list
    bool parametersEnabled = true; // whether that list is enabled
    QStringList testers; // the tester list, "<All>" included
    data::PlotSelection selection;
};

// The entries of a list, in order.
QStringList ComboItems(const QComboBox* combo);

class frmMoreChart : public QDialog
{
    Q_OBJECT
public:
    // Loads the selector (Form_Load) on the main window's lists.
    frmMoreChart(AppState& state, Prompt& prompt, MoreChartInputs inputs, QWidget* parent = nullptr);

    // Shows the selector modally; the settings are written when it closes.
    static void Run(AppState& state, Prompt& prompt, MoreChartInputs inputs, QWidget* parent = nullptr);

    void reject() override; // Esc: closes, so the settings are written
    void chkSeparateSource_Click();
    // Each opens its chart window modally on the selection; the selector stays open underneath.
    void cmdHistogram_Click();
    void cmdPareto_Click();
    void cmdScatter_Click();
    void cmdAttributeChart_Click(AttributeKind kind);

    Ui::frmMoreChart ui;

protected:
    void closeEvent(QCloseEvent* event) override; // Form_QueryUnload

private:
    void Form_Load();
    // The five values kept under SaveConfig, applied at load and written at close.
    QList<WindowSetting> Settings();
    // Where a stored X or Y parameter is not in the list (or none is stored), the one that fell back takes
    // the first parameter the other axis does not show: never one parameter against itself by default.
    void ParametersApart();
    void ShowChart(ChartWindow& window);

    AppState& mState;
    Prompt& mPrompt;
    const MoreChartInputs mInputs;
};

} // namespace moldrin
