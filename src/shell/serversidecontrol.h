// The main window's "Subgroups on Server" check box: the user's setting ServerSideSubgroups.
#pragma once

#include <QObject>

class QCheckBox;

namespace moldrin
{

struct AppState;
class frmMain;

class ServerSideControl : public QObject
{
public:
    // Adds the check box under the read options, checked as the settings say.
    ServerSideControl(frmMain& window, AppState& state);

    // Whether the next plot's subgroups are formed by the engine: the user's setting, or the site's ATE.INI
    // asking for it (the site turns it on; the user cannot turn it off there).
    bool On() const;
    // Reads the setting and the site's choice again (after the configuration folder changes): where the site
    // asks, the box is checked and fixed.
    void Refresh();
    // The box follows the panel while a plot runs.
    void SetEnabled(bool enable);

    QCheckBox* chkServerSide = nullptr;

private:
    AppState& mState;
    bool mSite = false; // the site's ATE.INI asks for it
    bool mEnabled = true;
};

} // namespace moldrin
