// Tests of frmRangePlot: what the calendars show on opening, the order check of "OK", Cancel and Default.
#include "common/dates.h"
#include "data/config/querybuilder.h"
#include "shell/dialogs/frmrangeplot.h"

#include "windowdriving.h"

#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

using namespace moldrin;

namespace
{

const QDate kToday(2026, 12, 7);

using moldrin::test::Click;

} // namespace

class FrmRangePlotTest : public QObject
{
    Q_OBJECT

    QTemporaryDir mDir;

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void namesAndCaptions()
    {
        AppState state(mDir.filePath("settings"));
        ScriptedPrompt prompt;
        frmRangePlot dialog(state, prompt);
        QCOMPARE(dialog.objectName(), QStringLiteral("frmRangePlot"));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Custom Range"));
        QVERIFY(dialog.isModal());
        QCOMPARE(dialog.findChild<QCalendarWidget*>("ocxDateFrom1"), dialog.dateFrom());
        QCOMPARE(dialog.findChild<QCalendarWidget*>("ocxDateTo1"), dialog.dateTo());
        QCOMPARE(dialog.findChild<QLabel*>("lblDateFromTitle")->text(), QStringLiteral("From"));
        QCOMPARE(dialog.findChild<QLabel*>("lblDateToTitle")->text(), QStringLiteral("To"));
        QCOMPARE(dialog.findChild<LumButton*>("cmdDateEnterOK")->Caption(), QStringLiteral("OK"));
        QCOMPARE(dialog.findChild<LumButton*>("cmdDateCancelOK")->Caption(), QStringLiteral("Cancel"));
        QCOMPARE(dialog.findChild<QPushButton*>("cmdDefault")->text(), QStringLiteral("Default"));
    }

    void firstUseShowsToday()
    {
        AppState state(mDir.filePath("settings"));
        ScriptedPrompt prompt;
        for (const QDate& none : { QDate(), DateZero() }) {
            state.gCustomStart = QDate(2020, 5, 1);
            state.gCustomEnd = none;
            frmRangePlot dialog(state, prompt);
            dialog.load(kToday);
            QCOMPARE(dialog.dateFrom()->selectedDate(), kToday);
            QCOMPARE(dialog.dateTo()->selectedDate(), kToday);
            QCOMPARE(dialog.fromHeading(), QStringLiteral("December, 2026"));
            QCOMPARE(dialog.toHeading(), QStringLiteral("December, 2026"));
        }
        frmRangePlot dialog(state, prompt);
        dialog.load();
        QCOMPARE(dialog.dateTo()->selectedDate(), QDate::currentDate());
    }

    void reopeningShowsTheStoredDates()
    {
        AppState state(mDir.filePath("settings"));
        state.gCustomStart = QDate(2026, 1, 30);
        state.gCustomEnd = QDate(2026, 3, 2);
        ScriptedPrompt prompt;
        frmRangePlot dialog(state, prompt);
        dialog.load(kToday);
        QCOMPARE(dialog.dateFrom()->selectedDate(), state.gCustomStart);
        QCOMPARE(dialog.dateTo()->selectedDate(), state.gCustomEnd);
        QCOMPARE(dialog.fromHeading(), QStringLiteral("January, 2026"));
        QCOMPARE(dialog.toHeading(), QStringLiteral("March, 2026"));

        // The heading follows the month the calendar pages to.
        dialog.findChild<QToolButton*>("ocxDateTo1_Next")->click();
        QCOMPARE(dialog.toHeading(), QStringLiteral("April, 2026"));
        dialog.findChild<QToolButton*>("ocxDateFrom1_Previous")->click();
        QCOMPARE(dialog.fromHeading(), QStringLiteral("December, 2025"));
    }

    void equalDatesAreAccepted()
    {
        AppState state(mDir.filePath("settings"));
        state.gDataSourceKind = QStringLiteral("MSSQL");
        ScriptedPrompt prompt;
        frmRangePlot dialog(state, prompt);
        dialog.load(kToday);
        dialog.show();
        const QDate day(2026, 11, 3);
        dialog.dateFrom()->setSelectedDate(day);
        dialog.dateTo()->setSelectedDate(day);
        Click(dialog.findChild<LumButton*>("cmdDateEnterOK"));
        QVERIFY(prompt.messages.isEmpty());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(!dialog.isVisible());
        QCOMPARE(state.gCustomStart, day);
        QCOMPARE(state.gCustomEnd, day);

        // The "Custom" interval then covers that whole day.
        QString title;
        const QString range = data::GetTestedRange(state, QStringLiteral("Custom"), title, kToday);
        QVERIFY2(range.endsWith(QStringLiteral(" 23:59:59'")), qPrintable(range));
        QVERIFY2(range.count(QStringLiteral("03/Nov/2026")) == 2, qPrintable(range));
    }

    void reversedRangeIsRefusedAndCleared()
    {
        AppState state(mDir.filePath("settings"));
        state.gCustomStart = QDate(2026, 1, 1);
        state.gCustomEnd = QDate(2026, 1, 31);
        ScriptedPrompt prompt;
        {
            frmRangePlot dialog(state, prompt);
            dialog.load(kToday);
            dialog.show();
            dialog.dateFrom()->setSelectedDate(QDate(2026, 11, 5));
            dialog.dateTo()->setSelectedDate(QDate(2026, 11, 4));
            Click(dialog.findChild<LumButton*>("cmdDateEnterOK"));
            QCOMPARE(prompt.texts(), QStringList { kFromLaterThanTo });
            QCOMPARE(prompt.messages[0].text, QStringLiteral("From-Date must be earlier or same as To-Date!"));
            QCOMPARE(prompt.messages[0].icon, PromptIcon::Exclamation);
            QCOMPARE(prompt.messages[0].title, kAppTitle);
            QVERIFY(dialog.isVisible()); // stays open
            QVERIFY(!state.gCustomStart.isValid());
            QVERIFY(!state.gCustomEnd.isValid());

            Click(dialog.findChild<LumButton*>("cmdDateCancelOK"));
            QVERIFY(!dialog.isVisible());
            QCOMPARE(dialog.result(), int(QDialog::Rejected));
            QVERIFY(!state.gCustomEnd.isValid());
        }
        // Reopening after the refusal and Cancel shows today on both.
        frmRangePlot again(state, prompt);
        again.load(kToday);
        QCOMPARE(again.dateFrom()->selectedDate(), kToday);
        QCOMPARE(again.dateTo()->selectedDate(), kToday);
    }

    void cancelAndDefaultKeepTheDates()
    {
        AppState state(mDir.filePath("settings"));
        state.gCustomStart = QDate(2026, 4, 1);
        state.gCustomEnd = QDate(2026, 4, 9);
        ScriptedPrompt prompt;
        for (const char* button : { "cmdDateCancelOK", "cmdDefault" }) {
            frmRangePlot dialog(state, prompt);
            dialog.load(kToday);
            dialog.show();
            dialog.dateFrom()->setSelectedDate(QDate(2025, 1, 1));
            if (auto* lum = dialog.findChild<LumButton*>(button))
                Click(lum);
            else
                dialog.findChild<QPushButton*>(button)->click();
            QVERIFY(!dialog.isVisible());
            QCOMPARE(dialog.result(), int(QDialog::Rejected));
            QCOMPARE(state.gCustomStart, QDate(2026, 4, 1));
            QCOMPARE(state.gCustomEnd, QDate(2026, 4, 9));
        }
        QVERIFY(prompt.messages.isEmpty());
    }
};

QTEST_MAIN(FrmRangePlotTest)
#include "frmrangeplot_test.moc"
