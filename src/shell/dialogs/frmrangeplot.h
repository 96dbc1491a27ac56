// frmRangePlot: the modal dialog that chooses the first and last day of the "Custom" range.
#pragma once

#include "common/appstate.h"
#include "common/prompt.h"

#include "ui_frmrangeplot.h"

#include <QDate>
#include <QDialog>

namespace moldrin
{

inline const QString kFromLaterThanTo = QStringLiteral("From-Date must be earlier or same as To-Date!");

class frmRangePlot : public QDialog
{
    Q_OBJECT

public:
    frmRangePlot(AppState& state, Prompt& prompt, QWidget* parent = nullptr);

    // Shows the dialog modally; true when "OK" stored a range and closed it.
    static bool Run(AppState& state, Prompt& prompt, QWidget* parent = nullptr);

    // Form_Load: the calendars show the stored range, or `today` on both when none is chosen yet.
    void load(const QDate& today = QDate::currentDate());

    // The heading a calendar shows for its month, "mmmm, yyyy".
    static QString MonthHeading(const QDate& day);

    QCalendarWidget* dateFrom() const { return ui.ocxDateFrom1; }
    QCalendarWidget* dateTo() const { return ui.ocxDateTo1; }
    QString fromHeading() const { return mFromHeading->text(); }
    QString toHeading() const { return mToHeading->text(); }

    void cmdDateEnterOK_Click();
    void cmdDateCancelOK_Click();
    void cmdDefault_Click();

private:
    // Replaces the calendar's navigation bar by arrows around a "mmmm, yyyy" heading.
    // Returns the heading label.
    QLabel* DecorateCalendar(QCalendarWidget* calendar);
    static void SetCalendarDate(QCalendarWidget* calendar, const QDate& day);

    Ui::frmRangePlot ui;
    AppState& mState;
    Prompt& mPrompt;
    QLabel* mFromHeading = nullptr;
    QLabel* mToHeading = nullptr;
};

} // namespace moldrin
