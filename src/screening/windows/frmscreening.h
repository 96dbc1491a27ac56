// frmScreening: every parameter of the main window's selection in one table, ranked by CpK and coloured as the
// screening page; a double-click picks the parameter the main window then plots.
#pragma once

#include "common/appstate.h"
#include "common/prompt.h"
#include "screening/screening.h"

#include "ui_frmscreening.h"

#include <QDialog>

namespace moldrin
{

class ScreenTableModel;

class frmScreening : public QDialog
{
    Q_OBJECT
public:
    // `parameterItems`: the main window's parameter list, in its order.
    frmScreening(AppState& state, Prompt& prompt, data::PlotSelection selection, QStringList parameterItems,
        QWidget* parent = nullptr);
    ~frmScreening() override;

    // Shows the window modally; it reads the screen once shown. The parameter a double-click chose (an index
    // into the parameter list), -1 when the window was closed otherwise.
    static int Run(AppState& state, Prompt& prompt, data::PlotSelection selection, QStringList parameterItems,
        QWidget* parent = nullptr);

    // Reads every parameter in one statement and fills the table (Refresh).
    void Screen();
    bool reading() const { return mReading; }
    const screening::ScreenResult& result() const { return mResult; }
    ScreenTableModel* model() const { return mModel; }
    int chosenParameter() const { return mChosen; }

    void cmdStop_Click();
    void cmdExport_Click();
    void grdScreen_DoubleClick(const QModelIndex& index);
    // Close, Esc and the close box (QDialog closes through reject): while a read runs, it is stopped and the
    // window closes when the read has returned.
    void reject() override;

    Ui::frmScreening ui;

protected:
    void showEvent(QShowEvent* event) override;

private:
    class Host;

    void ShowProgress(long rowsRead);
    // Sizes the columns to their contents and the window to the table, within the screen.
    void FitToTable();
    void SetReading(bool reading);

    AppState& mState;
    Prompt& mPrompt;
    const data::PlotSelection mSelection;
    const QStringList mParameterItems;
    screening::ScreenResult mResult;
    ScreenTableModel* mModel = nullptr;
    bool mReading = false;
    bool mShown = false;
    bool mCloseAfterRead = false;
    int mChosen = -1;
};

} // namespace moldrin
