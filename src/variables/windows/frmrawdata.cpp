// frmRawData: the raw data window behind a clicked point of the main chart.
#include "variables/windows/frmrawdata.h"

#include "variables/variablesplot.h"

#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>

#include <algorithm>

namespace moldrin
{

frmRawData::frmRawData(AppState& state, Prompt& prompt, const RawDataInputs& inputs, QWidget* parent)
    : QDialog(parent)
    , mState(state)
    , mPrompt(prompt)
    , mInputs(inputs)
{
    ui.setupUi(this);
    // The columns line up under the heading in the desktop's fixed-width font.
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    ui.lstRawData->setFont(fixed);
    ui.lblTitle->setFont(fixed);
    connect(ui.cmdClose, &LumButton::Click, this, &QDialog::accept);
    connect(ui.cmdDefault, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui.lstRawData->selectionModel(), &QItemSelectionModel::selectionChanged, this,
        &frmRawData::lstRawData_SelectionChanged);
}

void frmRawData::Run(AppState& state, Prompt& prompt, const RawDataInputs& inputs, QWidget* parent)
{
    frmRawData window(state, prompt, inputs, parent);
    window.load();
    window.exec();
}

void frmRawData::load()
{
    mLoading = true;
    ui.lstRawData->clear();
    const ClickedPoint clicked { mState.gClickedSeries, mState.gClickedPoint, mState.gClickedIsIndividual,
        mInputs.clickedValue, mInputs.chartType, mInputs.sampleSizeText };
    ui.lblPlottedDataInfo->setText(PlottedDataInfo(clicked));
    ui.lblTitle->setText(RawDataColumnTitle());

    QString error;
    QStringList lines;
    ClickedPoint shown = clicked;
    int size = mState.gSampleSize;
    if (mInputs.engine) {
        if (const data::Status read
            = EngineReadingLines(mState, *mInputs.engine, clicked.isIndividual, clicked.point, lines))
            error = read->description;
        // The lines are the clicked point's alone.
        shown.point = 0;
        size = int(lines.size());
    } else {
        lines = ReadListingLines(mState.gTempFile1, &error);
        // A plot leaves no listing where its temporary folder could not be written (read-only or full).
        if (!error.isEmpty() && !mState.gListingGone.isEmpty())
            error = mState.gListingGone;
        else if (!error.isEmpty() && !QFileInfo::exists(mState.gTempFile1))
            error = QStringLiteral("The listing of the readings could not be written in the temporary folder ")
                + QDir::toNativeSeparators(QFileInfo(mState.gTempFile1).absolutePath());
    }
    ui.lstRawData->addItems(lines);
    if (!error.isEmpty()) {
        // The fill ends here; the loading flag stays raised, so clicks in the list are left as they are.
        mPrompt.warn(error + QLatin1Char('!'), kOpenRawDataTitle);
        return;
    }

    const RawDataHighlight highlight = HighlightRawData(lines, shown, size);
    for (int line : highlight.lines)
        ui.lstRawData->item(line)->setSelected(true);
    if (highlight.current >= 0)
        ui.lstRawData->setCurrentRow(highlight.current, QItemSelectionModel::NoUpdate);
    mLoading = false;
}

void frmRawData::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    const QList<int> lines = selectedLines();
    if (!lines.isEmpty())
        ui.lstRawData->scrollToItem(ui.lstRawData->item(lines.first()), QAbstractItemView::PositionAtTop);
}

QList<int> frmRawData::selectedLines() const
{
    QList<int> rows;
    for (const QModelIndex& index : ui.lstRawData->selectionModel()->selectedRows())
        rows << index.row();
    std::sort(rows.begin(), rows.end());
    return rows;
}

void frmRawData::lstRawData_SelectionChanged(const QItemSelection& selected, const QItemSelection& deselected)
{
    if (mLoading)
        return;
    mLoading = true;
    ui.lstRawData->selectionModel()->select(deselected, QItemSelectionModel::Select);
    ui.lstRawData->selectionModel()->select(selected, QItemSelectionModel::Deselect);
    mLoading = false;
}

} // namespace moldrin
