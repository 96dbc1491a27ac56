// The main window's "Subgroups on Server" check box.
#include "shell/serversidecontrol.h"

#include "common/appstate.h"
#include "data/config/configfiles.h"
#include "shell/frmmain.h"
#include "shell/mainsettings.h"

#include <QCheckBox>
#include <QComboBox>

namespace moldrin
{

ServerSideControl::ServerSideControl(frmMain& window, AppState& state)
    : QObject(&window)
    , mState(state)
{
    chkServerSide = new QCheckBox(QStringLiteral("Subgroups on Server"), &window);
    chkServerSide->setObjectName(QStringLiteral("chkServerSide"));
    window.layOptions->addWidget(chkServerSide, 5, 0, 1, 2); // under Auto Refresh
    Refresh();
    // The choice is kept at once: it changes how the next plot reads, not the chart shown.
    // A choice that could not be written shows as what is stored.
    connect(chkServerSide, &QCheckBox::clicked, this, [this](bool checked) {
        if (mSite || !mState.registry.write(QStringLiteral("ServerSideSubgroups"), BooleanText(checked)))
            Refresh();
    });
    // Each product chosen, at start-up and after another configuration folder is opened.
    connect(window.cboProductName, &QComboBox::currentIndexChanged, this, [this] { Refresh(); });
}

bool ServerSideControl::On() const
{
    return UserServerSide(mState) || data::SiteServerSide(mState.gINIPath);
}

void ServerSideControl::Refresh()
{
    mSite = !mState.gINIPath.isEmpty() && data::SiteServerSide(mState.gINIPath);
    chkServerSide->setChecked(mSite || UserServerSide(mState));
    chkServerSide->setEnabled(mEnabled && !mSite);
    chkServerSide->setToolTip(mSite
            ? QStringLiteral("The site's ATE.INI asks for it ([Database] ServerSideSubgroups).")
            : QStringLiteral("The database forms the variables charts' subgroups and sends one row a subgroup."));
}

void ServerSideControl::SetEnabled(bool enable)
{
    mEnabled = enable;
    chkServerSide->setEnabled(enable && !mSite);
}

} // namespace moldrin
