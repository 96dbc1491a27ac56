// The stage start dates dialog.
#include "shell/stagesdialog.h"

#include <QDateEdit>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

namespace moldrin
{

StagesDialog::StagesDialog(const QString& parameter, const QList<QDate>& starts, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Stages"));
    auto* layout = new QGridLayout(this);
    auto* caption = new QLabel(QStringLiteral("Each date starts a stage with limits of its own:\n") + parameter, this);
    caption->setWordWrap(true);
    layout->addWidget(caption, 0, 0, 1, 2);
    lstStarts = new QListWidget(this);
    layout->addWidget(lstStarts, 1, 0, 3, 1);
    dtpStart = new QDateEdit(QDate::currentDate(), this);
    dtpStart->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    dtpStart->setCalendarPopup(true);
    layout->addWidget(dtpStart, 1, 1);
    cmdAdd = new QPushButton(QStringLiteral("Add"), this);
    layout->addWidget(cmdAdd, 2, 1);
    cmdRemove = new QPushButton(QStringLiteral("Remove"), this);
    layout->addWidget(cmdRemove, 3, 1, Qt::AlignTop);
    buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons, 4, 0, 1, 2);
    for (const QDate& start : starts)
        Add(start);
    connect(cmdAdd, &QPushButton::clicked, this, [this] { Add(dtpStart->date()); });
    connect(cmdRemove, &QPushButton::clicked, this, [this] { delete lstStarts->currentItem(); });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void StagesDialog::Add(const QDate& start)
{
    const QString text = start.toString(Qt::ISODate);
    if (lstStarts->findItems(text, Qt::MatchExactly).isEmpty())
        lstStarts->addItem(text);
    lstStarts->sortItems(); // ISO dates sort as text
}

QList<QDate> StagesDialog::starts() const
{
    QList<QDate> dates;
    for (int i = 0; i < lstStarts->count(); ++i)
        dates << QDate::fromString(lstStarts->item(i)->text(), Qt::ISODate);
    return dates;
}

} // namespace moldrin
