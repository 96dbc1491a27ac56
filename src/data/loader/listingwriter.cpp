#include "data/loader/listingwriter.h"

#include "data/loader/tempfiles.h"

#include "common/dates.h"

#include <QFile>

namespace moldrin::data
{

ListingWriter::ListingWriter(const AppState& state, const QString& parameterItem, NumberFormat valueFormat)
    : mFile1(state.gTempFile1)
    , mFile2(state.gTempFile2)
    , mHeading(ListingHeading(parameterItem))
    , mDayFirst(state.gDateOrder == kDateOrderDayFirst)
    , mFormat(std::move(valueFormat))
{
    // Opened here, so a failure is known before any reading is handed over.
    for (const QString& name : { mFile1, mFile2 }) {
        QFile f(name);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            mError = f.errorString();
            return;
        }
    }
    mOk = true;
    mBatch.reserve(kBatchSize);
    mThread = std::thread([this] { run(); });
}

ListingWriter::~ListingWriter()
{
    finish();
}

void ListingWriter::write(ListedReading reading)
{
    if (!mOk)
        return;
    mBatch.push_back(std::move(reading));
    if (mBatch.size() == kBatchSize)
        handOver();
}

void ListingWriter::handOver()
{
    if (mBatch.empty())
        return;
    std::unique_lock lock(mMutex);
    mSpace.wait(lock, [this] { return mQueue.size() < kMaxWaitingBatches; });
    mQueue.push_back(std::move(mBatch));
    mBatch = {};
    mBatch.reserve(kBatchSize);
    mReady.notify_one();
}

void ListingWriter::finish()
{
    if (!mThread.joinable())
        return;
    handOver();
    {
        std::lock_guard lock(mMutex);
        mDone = true;
    }
    mReady.notify_one();
    mThread.join();
}

void ListingWriter::run()
{
    QFile readings(mFile1), values(mFile2);
    if (!readings.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || !values.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return;
    // Lines are formatted into two buffers that are written out whenever they fill (write failures are
    // not reported: the listings are for looking at, the plot goes on).
    constexpr std::size_t kFlushAt = 1 << 16;
    std::string lines = mHeading.toStdString() + '\n', texts;
    lines.reserve(kFlushAt + 256);
    texts.reserve(kFlushAt + 64);
    const auto flush = [](QFile& file, std::string& buffer) {
        file.write(buffer.data(), qint64(buffer.size()));
        buffer.clear();
    };
    for (;;) {
        std::vector<ListedReading> batch;
        {
            std::unique_lock lock(mMutex);
            mReady.wait(lock, [this] { return !mQueue.empty() || mDone; });
            if (mQueue.empty())
                break;
            batch = std::move(mQueue.front());
            mQueue.pop_front();
        }
        mSpace.notify_one();
        for (const ListedReading& r : batch) {
            AppendListingLine(lines, r.serial, r.value.value_or(0.0), mFormat, r.tester, r.start, mDayFirst);
            lines += '\n';
            if (r.value)
                AppendNumberText(texts, *r.value);
            texts += '\n';
            if (lines.size() >= kFlushAt)
                flush(readings, lines);
            if (texts.size() >= kFlushAt)
                flush(values, texts);
        }
    }
    flush(readings, lines);
    flush(values, texts);
}

} // namespace moldrin::data
