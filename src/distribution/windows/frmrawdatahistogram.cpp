// frmRawDataHistogram: the histogram's cell table, line by line.
#include "distribution/windows/frmrawdatahistogram.h"

#include "distribution/histogram.h"
#include "variables/rawdata.h"

#include <QFontDatabase>
#include <QStyledItemDelegate>

namespace moldrin
{

namespace
{

// Shows each line of the list in the columns of the heading; the items keep the lines as read.
class CellTableDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QString displayText(const QVariant& value, const QLocale&) const override
    {
        return CellTableDisplayLine(value.toString());
    }
};

} // namespace

frmRawDataHistogram::frmRawDataHistogram(AppState& state, Prompt& prompt, QWidget* parent)
    : QDialog(parent)
    , mState(state)
    , mPrompt(prompt)
{
    ui.setupUi(this);
    // The columns line up under the heading in the desktop's fixed-width font.
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    ui.lblTitle->setFont(fixed);
    ui.lstRawData->setFont(fixed);
    ui.lstRawData->setItemDelegate(new CellTableDelegate(ui.lstRawData));
    connect(ui.cmdClose, &LumButton::Click, this, &QDialog::accept);
    connect(ui.cmdDefault, &QPushButton::clicked, this, &QDialog::accept);
}

void frmRawDataHistogram::Run(AppState& state, Prompt& prompt, QWidget* parent)
{
    frmRawDataHistogram window(state, prompt, parent);
    window.Form_Load();
    window.exec();
}

void frmRawDataHistogram::Form_Load()
{
    ui.lblTitle->setText(kCellTableHeading);
    ui.lstRawData->clear();
    QString error;
    ui.lstRawData->addItems(ReadTextLines(mState.gTempFile3, &error));
    if (!error.isEmpty())
        mPrompt.warn(error + QLatin1Char('!'));
}

} // namespace moldrin
