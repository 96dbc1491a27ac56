// moldrin-report's private folder for the listing files, and its removal on every way a run can end.
#pragma once

#include "common/appstate.h"
#include "data/loader/tempfiles.h"

#include <QString>

namespace moldrin::cli
{

// Before a run: removes the folders dead runs left in the temporary folder, ignores SIGPIPE (a closed output
// pipe then fails the write and the run ends through its own exit) and removes the live folder before SIGINT,
// SIGTERM or SIGHUP end the run.
void PrepareRun();

// The run's folder for the listing files, named to the state's gTempFile1..3: a report has no window that
// reads them afterwards. Removed when the object ends, or when a signal ends the run first. Where it cannot
// be made, the names lie in the temporary folder itself and the listing's own failure says why.
class ListingFolder
{
public:
    explicit ListingFolder(AppState& state);
    ~ListingFolder();
    ListingFolder(const ListingFolder&) = delete;
    ListingFolder& operator=(const ListingFolder&) = delete;

private:
    data::RunFolder mFolder;
};

} // namespace moldrin::cli
