// frmRangePlot: the custom date range dialog.
#include "shell/dialogs/frmrangeplot.h"

#include "common/dates.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

namespace moldrin
{

namespace
{

bool IsDateZero(const QDate& day)
{
    return DateOrZero(day) == DateZero();
}

} // namespace

frmRangePlot::frmRangePlot(AppState& state, Prompt& prompt, QWidget* parent)
    : QDialog(parent)
    , mState(state)
    , mPrompt(prompt)
{
    ui.setupUi(this);
    mFromHeading = DecorateCalendar(ui.ocxDateFrom1);
    mToHeading = DecorateCalendar(ui.ocxDateTo1);
    connect(ui.cmdDateEnterOK, &LumButton::Click, this, &frmRangePlot::cmdDateEnterOK_Click);
    connect(ui.cmdDateCancelOK, &LumButton::Click, this, &frmRangePlot::cmdDateCancelOK_Click);
    connect(ui.cmdDefault, &QPushButton::clicked, this, &frmRangePlot::cmdDefault_Click);
}

bool frmRangePlot::Run(AppState& state, Prompt& prompt, QWidget* parent)
{
    frmRangePlot dialog(state, prompt, parent);
    dialog.load();
    return dialog.exec() == QDialog::Accepted;
}

void frmRangePlot::load(const QDate& today)
{
    if (!IsDateZero(mState.gCustomEnd)) {
        SetCalendarDate(ui.ocxDateFrom1, DateOrZero(mState.gCustomStart));
        SetCalendarDate(ui.ocxDateTo1, mState.gCustomEnd);
    } else {
        SetCalendarDate(ui.ocxDateFrom1, today);
        SetCalendarDate(ui.ocxDateTo1, today);
    }
}

QString frmRangePlot::MonthHeading(const QDate& day)
{
    return FormatDate(day, QStringLiteral("mmmm, yyyy"));
}

void frmRangePlot::cmdDateEnterOK_Click()
{
    const QDate from = ui.ocxDateFrom1->selectedDate();
    const QDate to = ui.ocxDateTo1->selectedDate();
    if (from > to) {
        mPrompt.warn(kFromLaterThanTo);
        mState.gCustomStart = QDate();
        mState.gCustomEnd = QDate();
        return;
    }
    mState.gCustomStart = from;
    mState.gCustomEnd = to;
    accept();
}

void frmRangePlot::cmdDateCancelOK_Click()
{
    reject();
}

void frmRangePlot::cmdDefault_Click()
{
    reject();
}

QLabel* frmRangePlot::DecorateCalendar(QCalendarWidget* calendar)
{
    calendar->setNavigationBarVisible(false);
    calendar->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    calendar->setGridVisible(false);
    auto* frame = qobject_cast<QFrame*>(calendar->parentWidget());
    if (frame) {
        frame->setFrameShape(QFrame::NoFrame);
        frame->setAutoFillBackground(true);
        QPalette p = frame->palette();
        p.setColor(QPalette::Window, QColor(Qt::lightGray));
        p.setColor(QPalette::Base, QColor(Qt::lightGray));
        frame->setPalette(p);
    }

    auto* header = new QWidget(calendar->parentWidget());
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(0, 0, 0, 0);
    auto* previous = new QToolButton(header);
    previous->setArrowType(Qt::LeftArrow);
    previous->setAutoRaise(true);
    previous->setObjectName(calendar->objectName() + QStringLiteral("_Previous"));
    auto* heading = new QLabel(header);
    heading->setAlignment(Qt::AlignCenter);
    heading->setObjectName(calendar->objectName() + QStringLiteral("_Heading"));
    auto* next = new QToolButton(header);
    next->setArrowType(Qt::RightArrow);
    next->setAutoRaise(true);
    next->setObjectName(calendar->objectName() + QStringLiteral("_Next"));
    row->addWidget(previous);
    row->addWidget(heading, 1);
    row->addWidget(next);
    if (auto* column = qobject_cast<QVBoxLayout*>(calendar->parentWidget()->layout()))
        column->insertWidget(column->indexOf(calendar), header);

    const auto show = [heading](int year, int month) { heading->setText(MonthHeading(QDate(year, month, 1))); };
    connect(calendar, &QCalendarWidget::currentPageChanged, heading, show);
    connect(previous, &QToolButton::clicked, calendar, &QCalendarWidget::showPreviousMonth);
    connect(next, &QToolButton::clicked, calendar, &QCalendarWidget::showNextMonth);
    show(calendar->yearShown(), calendar->monthShown());
    return heading;
}

void frmRangePlot::SetCalendarDate(QCalendarWidget* calendar, const QDate& day)
{
    calendar->setSelectedDate(day);
    calendar->setCurrentPage(day.year(), day.month());
}

} // namespace moldrin
