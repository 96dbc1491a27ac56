// frmScreening: every parameter of the main window's selection in one table, ranked by CpK and coloured as the
// screening page; a double-click picks the parameter the main window then plots.
#include "screening/windows/frmscreening.h"

#include "buttonctl/lumbutton.h"
#include "common/overridecursor.h"
#include "common/savefile.h"
#include "output/chartoutput.h"
#include "output/dialogs/windowoutput.h"
#include "screening/screentable.h"
#include "screening/windows/screentablemodel.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>

namespace moldrin
{

namespace
{

// The colour key of the rows and the tester marker, and how to plot a parameter.
QString LegendHtml()
{
    using namespace screening;
    QString keys;
    for (CpKBand band : kCpKBands)
        keys += QStringLiteral(" <span style=\"background-color:%1\">&nbsp;%2&nbsp;</span>")
                    .arg(QLatin1String(ColoursOf(band).key), BandLabel(band).toHtmlEscaped());
    return QStringLiteral("CpK:") + keys
        + QStringLiteral(" &nbsp; <span style=\"color:%1\"><b>%2</b></span> testers differ &nbsp;&middot;&nbsp; "
                         "Double-click a row to plot it.")
              .arg(QLatin1String(kTesterFlagColour), kTesterFlag);
}

} // namespace

// The screen reaches the window through this: messages, the progress and the event loop (Stop).
class frmScreening::Host : public screening::ScreenHost
{
public:
    explicit Host(frmScreening& window)
        : mWindow(window)
    {
    }
    Prompt& prompt() override { return mWindow.mPrompt; }
    void Progress(long rowsRead) override
    {
        mBusy.Progress(rowsRead);
        mWindow.ShowProgress(rowsRead);
        QCoreApplication::processEvents();
    }

private:
    frmScreening& mWindow;
    ReadingCursor mBusy;
};

frmScreening::frmScreening(
    AppState& state, Prompt& prompt, data::PlotSelection selection, QStringList parameterItems, QWidget* parent)
    : QDialog(parent)
    , mState(state)
    , mPrompt(prompt)
    , mSelection(std::move(selection))
    , mParameterItems(std::move(parameterItems))
{
    ui.setupUi(this);
    mModel = new ScreenTableModel(this);
    ui.grdScreen->setModel(mModel);
    ui.grdScreen->verticalHeader()->hide();
    ui.grdScreen->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    ui.grdScreen->horizontalHeader()->setSortIndicator(screening::kColCpK, Qt::AscendingOrder);
    ui.grdScreen->setSortingEnabled(true);

    // The selection line names the chart and group size the rule hits are counted on, as the read takes them.
    screening::ScreenResult planned;
    planned.chartType = screening::ScreenChartType(mSelection.chartType);
    planned.subgroupSize = mState.gSampleSize;
    ui.lblSelection->setText(QStringLiteral("<b>") + mSelection.product.toHtmlEscaped()
        + QStringLiteral("</b> &middot; ")
        + screening::SelectionHtml(screening::ScreenSelection(mState, mSelection, planned)));
    ui.lblLegend->setText(LegendHtml());

    connect(ui.cmdStop, &LumButton::Click, this, [this] { cmdStop_Click(); });
    connect(ui.cmdRefresh, &LumButton::Click, this, [this] { Screen(); });
    connect(ui.cmdExport, &LumButton::Click, this, [this] { cmdExport_Click(); });
    connect(ui.cmdClose, &LumButton::Click, this, [this] { reject(); });
    connect(ui.grdScreen, &QAbstractItemView::doubleClicked, this,
        [this](const QModelIndex& index) { grdScreen_DoubleClick(index); });
    SetReading(false);
}

frmScreening::~frmScreening() = default;

int frmScreening::Run(
    AppState& state, Prompt& prompt, data::PlotSelection selection, QStringList parameterItems, QWidget* parent)
{
    frmScreening window(state, prompt, std::move(selection), std::move(parameterItems), parent);
    window.exec();
    return window.chosenParameter();
}

void frmScreening::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // The read starts once the window is on screen, so its progress shows.
    if (!mShown) {
        mShown = true;
        QTimer::singleShot(0, this, [this] { Screen(); });
    }
}

void frmScreening::Screen()
{
    if (mReading)
        return;
    mResult = {};
    mModel->SetParameters({});
    if (mParameterItems.isEmpty()) {
        ui.lblProgress->setText(QStringLiteral("No test parameters to screen."));
        SetReading(false);
        return;
    }
    SetReading(true);
    ShowProgress(0);
    {
        Host host(*this);
        mResult = screening::ScreenParameters(mState, mSelection, mParameterItems, host);
    }
    SetReading(false);
    if (mResult.completed) {
        mModel->SetParameters(mResult.parameters);
        FitToTable();
        ui.lblProgress->setText(screening::CountText(mResult.records) + QStringLiteral(" rows read"));
    } else {
        // A failed read has given its message.
        ui.lblProgress->setText(mResult.stopped ? QStringLiteral("Stopped.") : QStringLiteral("Not read."));
    }
    if (mCloseAfterRead) {
        mCloseAfterRead = false;
        QDialog::reject();
        return;
    }
    if (mResult.completed && mResult.records == 0)
        mPrompt.inform(data::kNoSubgroupData);
}

void frmScreening::FitToTable()
{
    QTableView* table = ui.grdScreen;
    QHeaderView* header = table->horizontalHeader();
    table->resizeColumnsToContents();
    const int frame = 2 * table->frameWidth();
    QSize wanted(header->length() + frame, header->height() + table->verticalHeader()->length() + frame);
    const QRect screenArea = screen()->availableGeometry();
    const QSize around = size() - table->size();
    // Scroll bars where the screen is too small for the whole table.
    if (around.height() + wanted.height() > screenArea.height())
        wanted.rwidth() += table->verticalScrollBar()->sizeHint().width();
    if (around.width() + wanted.width() > screenArea.width())
        wanted.rheight() += table->horizontalScrollBar()->sizeHint().height();
    QRect area = geometry();
    area.setSize((around + wanted).boundedTo(screenArea.size()).expandedTo(minimumSizeHint()));
    // The window keeps its centre, within the screen.
    area.moveCenter(geometry().center());
    area.moveLeft(std::clamp(area.left(), screenArea.left(), screenArea.right() + 1 - area.width()));
    area.moveTop(std::clamp(area.top(), screenArea.top(), screenArea.bottom() + 1 - area.height()));
    setGeometry(area);
}

void frmScreening::ShowProgress(long rowsRead)
{
    ui.lblProgress->setText(rowsRead > 0 ? QStringLiteral("Rows read: ") + screening::CountText(rowsRead)
                                         : QStringLiteral("Querying the data source..."));
}

void frmScreening::SetReading(bool reading)
{
    mReading = reading;
    ui.cmdStop->SetEnabled(reading);
    ui.cmdRefresh->SetEnabled(!reading);
    ui.cmdExport->SetEnabled(!reading && mResult.completed);
}

void frmScreening::cmdStop_Click()
{
    if (mReading)
        mState.gStopPlot = true;
}

void frmScreening::reject()
{
    if (mReading) {
        mState.gStopPlot = true;
        mCloseAfterRead = true;
        return;
    }
    QDialog::reject();
}

void frmScreening::cmdExport_Click()
{
    if (mReading || !mResult.completed)
        return;
    const QString file = ChooseOutputFile(mPrompt, mState.registry,
        OutputFileRequest(mState.registry, QStringLiteral("Screening Export"), QStringLiteral("CSV file (*.csv)|.csv|"),
            QStringLiteral("*.csv")));
    if (file.isEmpty())
        return;
    // The rows in the order shown.
    screening::ScreenResult shown = mResult;
    shown.parameters = mModel->parameters();
    const QByteArray csv = screening::ScreenCsv(shown);
    const QString failure = SaveFileAtomically(file, [&csv](QIODevice& out) { return out.write(csv) == csv.size(); });
    if (!failure.isEmpty())
        mPrompt.warn(QStringLiteral("Cannot write ") + file + QStringLiteral(": ") + failure + u'!');
}

void frmScreening::grdScreen_DoubleClick(const QModelIndex& index)
{
    if (mReading || !index.isValid())
        return;
    mChosen = index.data(ScreenTableModel::kParameterIndexRole).toInt();
    accept();
}

} // namespace moldrin
