// The splash window frmTitle and the About window frmAbout.
#include "shell/smallwindows.h"

#include "buttonctl/commandbutton.h"
#include "common/prompt.h"
#include "common/version.h"

#include <QCoreApplication>
#include <QVBoxLayout>

namespace moldrin
{

frmTitle::frmTitle(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("frmTitle"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    auto* layout = new QVBoxLayout(this);
    auto* name = new QLabel(kAppTitle, this);
    name->setObjectName(QStringLiteral("lblTitle"));
    QFont big = name->font();
    big.setPointSize(20);
    big.setBold(true);
    name->setFont(big);
    auto* version = new QLabel(QStringLiteral("Moldrin Pro Version: ") + VersionText(), this);
    version->setObjectName(QStringLiteral("lblVersion"));
    layout->addWidget(name, 0, Qt::AlignCenter);
    layout->addWidget(version, 0, Qt::AlignCenter);
    setStyleSheet(QStringLiteral("frmTitle { background: #fff3e0; border: 2px solid #ff8000; }"));
    resize(380, 160);
}

void frmTitle::ShowFor(int passes)
{
    show();
    for (int i = 0; i <= passes; ++i)
        QCoreApplication::processEvents();
    close();
}

frmAbout::frmAbout(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About"));
    auto* layout = new QVBoxLayout(this);
    auto* name = new QLabel(QStringLiteral("Moldrin Pro ") + VersionText(), this);
    name->setObjectName(QStringLiteral("lblName"));
    layout->addWidget(name, 0, Qt::AlignCenter);
    auto* close = new CommandButton(QStringLiteral("cmdClose"), QStringLiteral("Close"), this);
    close->setFixedSize(90, 28);
    layout->addWidget(close, 0, Qt::AlignCenter);
    connect(close, &LumButton::Click, this, &QDialog::accept);
    resize(300, 120);
}

} // namespace moldrin
