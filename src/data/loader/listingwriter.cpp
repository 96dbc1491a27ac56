#include "data/loader/listingwriter.h"

#include "data/loader/tempfiles.h"

#include "common/dates.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

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
            fail(f.errorString());
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

// Names the folder and the reason, and removes what was written: a listing cut short would show the raw data
// window readings that are not the chart's.
void ListingWriter::fail(const QString& reason)
{
    if (!mError.isEmpty())
        return;
    mError = QStringLiteral("The readings could not be listed in the temporary folder %1 (%2); the raw data "
                            "window has no listing of this plot")
                 .arg(QDir::toNativeSeparators(QFileInfo(mFile1).absolutePath()), reason);
    QFile::remove(mFile1);
    QFile::remove(mFile2);
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
    // Unbuffered: the lines are gathered into blocks here, and a failed write reports its own reason.
    constexpr auto kMode = QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered;
    bool written = readings.open(kMode) && values.open(kMode);
    QString reason = written ? QString() : readings.isOpen() ? values.errorString() : readings.errorString();
    // Lines are formatted into two buffers that are written out whenever they fill. After a failed write the
    // readings are still taken (the plot goes on) but no longer written.
    constexpr std::size_t kFlushAt = 1 << 16;
    std::string lines = mHeading.toStdString() + '\n', texts;
    lines.reserve(kFlushAt + 256);
    texts.reserve(kFlushAt + 64);
    const auto flush = [&](QFile& file, std::string& buffer) {
        // A write that takes part of a block is followed by one that says why it takes no more.
        qint64 done = 0;
        while (written && done < qint64(buffer.size())) {
            const qint64 n = file.write(buffer.data() + done, qint64(buffer.size()) - done);
            if (n <= 0) {
                written = false;
                reason = file.errorString();
            }
            done += std::max<qint64>(n, 0);
        }
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
    for (QFile* file : { &readings, &values }) {
        if (written && !file->flush()) {
            written = false;
            reason = file->errorString();
        }
        file->close();
    }
    if (!written)
        fail(reason);
}

} // namespace moldrin::data
