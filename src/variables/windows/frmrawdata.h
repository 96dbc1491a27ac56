// frmRawData: the modal window listing the readings of a plot with those of the clicked point highlighted.
#pragma once

#include "common/appstate.h"
#include "common/prompt.h"
#include "variables/rawdata.h"
#include "variables/subgroupquery.h"

#include "ui_frmrawdata.h"

#include <QDialog>
#include <QItemSelection>
#include <QList>

#include <memory>

namespace moldrin
{

inline const QString kOpenRawDataTitle = QStringLiteral("Open Raw Data");

// What the main window reads for the raw data window besides the shared state.
struct RawDataInputs {
    double clickedValue = 0; // the clicked series' value at gClickedPoint
    QString chartType; // chart type list text
    QString sampleSizeText; // sample size list text
    // A chart the engine formed: the clicked point's readings are read from it, and no listing was written.
    std::shared_ptr<const SubgroupQuery> engine;
};

class frmRawData : public QDialog
{
    Q_OBJECT

public:
    frmRawData(AppState& state, Prompt& prompt, const RawDataInputs& inputs, QWidget* parent = nullptr);

    // Fills and shows the window modally.
    static void Run(AppState& state, Prompt& prompt, const RawDataInputs& inputs, QWidget* parent = nullptr);

    // Form_Load: information line, column title, the listing of gTempFile1 and the clicked readings (on a
    // chart the engine formed, the clicked point's readings alone, read now).
    void load();

    bool loading() const { return mLoading; }
    // Rows of lstRawData that are selected, ascending.
    QList<int> selectedLines() const;

protected:
    // Brings the highlighted readings into view once the list has its size.
    void showEvent(QShowEvent* event) override;

private:
    // Undoes a selection change made in the list, so the highlighted readings stay as loaded.
    void lstRawData_SelectionChanged(const QItemSelection& selected, const QItemSelection& deselected);

    Ui::frmRawData ui;
    AppState& mState;
    Prompt& mPrompt;
    RawDataInputs mInputs;
    bool mLoading = false;
};

} // namespace moldrin
