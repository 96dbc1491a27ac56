// The small dialog of a parameter's stage start dates: a list, a date to add, Remove, OK and Cancel.
#pragma once

#include <QDate>
#include <QDialog>
#include <QList>

class QDateEdit;
class QDialogButtonBox;
class QListWidget;
class QPushButton;

namespace moldrin
{

class StagesDialog : public QDialog
{
    Q_OBJECT
public:
    StagesDialog(const QString& parameter, const QList<QDate>& starts, QWidget* parent = nullptr);
    // The dates listed, ascending.
    QList<QDate> starts() const;

    QListWidget* lstStarts = nullptr;
    QDateEdit* dtpStart = nullptr;
    QPushButton* cmdAdd = nullptr;
    QPushButton* cmdRemove = nullptr;
    QDialogButtonBox* buttons = nullptr;

private:
    void Add(const QDate& start);
};

} // namespace moldrin
