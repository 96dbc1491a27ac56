// The main window's Auto Refresh: the interval, the extension of the chart and the alarm.
#include "shell/autorefresh.h"

#include "common/prompt.h"

#include <QCheckBox>
#include <QDateTime>
#include <QFile>
#include <QGridLayout>
#include <QLabel>
#include <QSpinBox>
#include <QWidget>

namespace moldrin
{

namespace
{

// Messages of the extension go to the status line: a modal box would stop the refreshing.
class StatusPrompt : public Prompt
{
public:
    explicit StatusPrompt(QLabel* label)
        : mLabel(label)
    {
    }
    PromptAnswer ask(const PromptMessage& message) override
    {
        mLabel->setText(message.text);
        return PromptAnswer::Ok;
    }
    QString chooseFile(const FileDialogRequest&) override { return {}; }

private:
    QLabel* mLabel;
};

QString Clock()
{
    return QDateTime::currentDateTime().toString(QStringLiteral("HH:mm:ss"));
}

} // namespace

AutoRefresh::AutoRefresh(
    AppState& state, ChartModel& chart, Window window, QGridLayout* layout, int row, QLabel* status)
    : QObject(window.widget)
    , mState(state)
    , mChart(chart)
    , mWindow(std::move(window))
{
    chkAutoRefresh = new QCheckBox(QStringLiteral("Auto Refresh"), mWindow.widget);
    chkAutoRefresh->setObjectName(QStringLiteral("chkAutoRefresh"));
    spnRefreshSeconds = new QSpinBox(mWindow.widget);
    spnRefreshSeconds->setObjectName(QStringLiteral("spnRefreshSeconds"));
    spnRefreshSeconds->setRange(5, 3600);
    spnRefreshSeconds->setSuffix(QStringLiteral(" s"));
    bool ok = false;
    const int stored = mState.registry.read(kRefreshSecondsName).toInt(&ok);
    spnRefreshSeconds->setValue(ok && stored >= 5 && stored <= 3600 ? stored : kDefaultRefreshSeconds);
    // The status line is the window's progress line: a refresh is what reads now.
    lblRefreshStatus = status;
    lblRefreshStatus->setWordWrap(true);
    layout->addWidget(chkAutoRefresh, row, 0);
    layout->addWidget(spnRefreshSeconds, row, 1);
    connect(chkAutoRefresh, &QCheckBox::toggled, this, &AutoRefresh::Toggle);
    connect(spnRefreshSeconds, &QSpinBox::valueChanged, this, [this](int seconds) {
        mState.registry.write(kRefreshSecondsName, QString::number(seconds));
        mTimer.setInterval(seconds * 1000);
    });
    connect(&mTimer, &QTimer::timeout, this, &AutoRefresh::Refresh);
}

AutoRefresh::~AutoRefresh() = default;

void AutoRefresh::setTitle(const QString& title)
{
    mTitle = title;
    if (mAlarm.isEmpty())
        mWindow.widget->setWindowTitle(title);
}

void AutoRefresh::Restart(long listed)
{
    mLive = LivePlot();
    mListed = listed;
}

void AutoRefresh::Toggle(bool on)
{
    if (on) {
        mTimer.start(spnRefreshSeconds->value() * 1000);
        lblRefreshStatus->setText(QStringLiteral("Auto Refresh every %1 s").arg(spnRefreshSeconds->value()));
        return;
    }
    mTimer.stop();
    mAlarm.clear();
    mWindow.widget->setWindowTitle(mTitle);
    lblRefreshStatus->clear();
}

void AutoRefresh::Refresh()
{
    if (mWindow.busy())
        return;
    const data::PlotSelection s = mWindow.selection();
    const LimitChoice choice = mWindow.limits();
    if (!choice.held && !choice.stages.isEmpty()) {
        lblRefreshStatus->setText(
            QStringLiteral("Auto Refresh does not extend a chart split into stages: Start Plot draws it anew."));
        return;
    }
    StatusPrompt prompt(lblRefreshStatus);
    data::PromptHost host(prompt);
    const LiveOutcome out = mLive.Refresh(mState, mChart, s, host, choice.held);
    if (out.failure) {
        // Shown and tried again at the next interval.
        lblRefreshStatus->setText(QStringLiteral("%1 read failed, retried in %2 s: %3")
                                      .arg(Clock())
                                      .arg(spnRefreshSeconds->value())
                                      .arg(out.failure->description));
        return;
    }
    mWindow.show(out.plot);
    if (mListed >= 0 && out.plot.records != mListed) {
        // The listing is no longer the chart's: the raw data window would mark the wrong readings.
        for (const QString& listing : { mState.gTempFile1, mState.gTempFile2 })
            if (!listing.isEmpty())
                QFile::remove(listing);
        mState.gListingGone = QStringLiteral(
            "Auto Refresh extended the chart after its readings were listed: Start Plot lists them again");
        mListed = -1;
    }
    if (!out.newMarks.empty())
        Alarm(out, s);
    else if (mAlarm.isEmpty())
        lblRefreshStatus->setText(QStringLiteral("%1 refreshed: %2 readings, %3 points")
                                      .arg(Clock())
                                      .arg(out.plot.records)
                                      .arg(out.plot.pointCount));
}

// Which point broke which rule and when: the newest mark, and how many more came with it.
void AutoRefresh::Alarm(const LiveOutcome& out, const data::PlotSelection& s)
{
    const NewRuleMark& m = out.newMarks.back();
    const QString when = m.time ? m.time->toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : QString();
    mAlarm = QStringLiteral("%1 point %2 %3 %4%5")
                 .arg(s.parameterItem.trimmed())
                 .arg(m.point)
                 .arg(m.chart == LimitChart::Centre ? QStringLiteral("centre") : QStringLiteral("variation"))
                 .arg(m.rules)
                 .arg(when.isEmpty() ? QString() : QStringLiteral(" at ") + when);
    if (out.newMarks.size() > 1)
        mAlarm += QStringLiteral(" (+%1 more)").arg(out.newMarks.size() - 1);
    mWindow.widget->setWindowTitle(QStringLiteral("ALARM: ") + mAlarm + QStringLiteral(" - ") + mTitle);
    lblRefreshStatus->setText(Clock() + QStringLiteral(" ALARM: ") + mAlarm);
    mNotifier.notify(QStringLiteral("Moldrin: rule broken"), mAlarm);
}

} // namespace moldrin
