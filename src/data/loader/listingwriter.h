// The two listing files of a plot, written on a thread of their own so that formatting overlaps reading.
#pragma once

#include "common/appstate.h"
#include "common/numberformat.h"
#include "data/access/connection.h"

#include <QString>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace moldrin::data
{

// One reading as the listings show it.
struct ListedReading {
    std::string serial, tester; // UTF-8
    std::optional<WallTime> start;
    std::optional<double> value; // as read; the first listing shows a null as 0
};

// gTempFile1 gets the heading and one listing line per reading, gTempFile2 the reading's plain text
// (empty for a null). Readings are handed over in batches; at most a few batches wait, so memory stays
// small whatever the record count. The files are complete once finish() returns. Where they cannot be
// written (the temporary folder is read-only or full), none is left behind and error() says which folder
// failed and why: the plot goes on without them, and the raw data window finds no listing.
class ListingWriter
{
public:
    ListingWriter(const AppState& state, const QString& parameterItem, NumberFormat valueFormat);
    ~ListingWriter();
    ListingWriter(const ListingWriter&) = delete;
    ListingWriter& operator=(const ListingWriter&) = delete;

    // False when a file could not be opened; error() then says why.
    bool ok() const { return mOk; }
    // After finish(): empty when both files were written whole.
    QString error() const { return mError; }

    void write(ListedReading reading);
    void finish();

    static constexpr std::size_t kBatchSize = 4096;
    static constexpr std::size_t kMaxWaitingBatches = 4;

private:
    void handOver();
    void run();
    void fail(const QString& reason);

    QString mFile1, mFile2, mHeading;
    bool mDayFirst;
    NumberFormat mFormat;
    bool mOk = false;
    QString mError;
    std::vector<ListedReading> mBatch;
    std::mutex mMutex;
    std::condition_variable mReady, mSpace;
    std::deque<std::vector<ListedReading>> mQueue;
    bool mDone = false;
    std::thread mThread;
};

} // namespace moldrin::data
