// The main window on its own settings file with a scripted prompt, started on a configuration folder.
#pragma once

#include "common/appstate.h"
#include "common/prompt.h"
#include "shell/frmmain.h"

#include <QString>

#include <memory>

namespace moldrin::test
{

template <class PromptType = ScriptedPrompt> struct MainSession {
    explicit MainSession(const QString& settingsFile)
        : state(settingsFile)
    {
    }
    // Start-up without the splash's pause; `configDir` "" starts without a configuration folder.
    bool start(const QString& configDir)
    {
        frmMain::StartOptions o;
        o.configDir = configDir;
        o.splashPasses = 0;
        return window->Form_Load(o);
    }
    AppState state;
    PromptType prompt;
    std::unique_ptr<frmMain> window = std::make_unique<frmMain>(state, prompt);
};

} // namespace moldrin::test
