// Reading the keyed readings of a variables statement's rows: tester, start time, serial number and values.
#pragma once

#include "data/access/connection.h"
#include "data/loader/listingwriter.h"
#include "variables/statistics.h"

#include <QString>

#include <optional>
#include <string>

namespace moldrin
{

// Reads the aliased fields ATEX, DateX, SNX and a value of the current row; their positions are looked up
// once. Where the engine holds plain text, a date as ISO text or a number, the field is read from what it
// holds, with the result the field's value would give and without making one; anything else goes through
// the value.
class RowReader
{
public:
    explicit RowReader(const data::Recordset& rs);
    const data::Recordset& rs() const { return mRs; }
    // The position of a value field (-1 when the result has none).
    int valueField(const QString& alias) const { return mRs.FieldIndex(alias); }
    // ValueX and the keys. notANumber: the value field holds something that is no reading; the row is skipped
    // and its keys are not read.
    data::Status read(data::ListedReading& r, bool& notANumber) const
    {
        if (data::Status e = number(mValue, r.value, notANumber); e || notANumber)
            return e;
        return keys(r);
    }
    // The tester, the start time and the serial number (in capitals).
    data::Status keys(data::ListedReading& r) const;
    // The value at `index`: nothing for a null; notANumber for a field that is no reading.
    data::Status number(int index, std::optional<double>& out, bool& notANumber) const;
    // The time at `index`: nothing for a null or a field that is no time.
    data::Status stamp(int index, std::optional<WallTime>& out) const;

private:
    // Trimmed, in capitals with `upper`.
    data::Status text(int index, bool upper, std::string& out) const;

    const data::Recordset& mRs;
    int mTester, mDate, mSerial, mValue;
};

// A subgroup as an engine formed it (the rows of SubgroupStatements' `subgroups`).
struct EngineSubgroup {
    long group = 0; // counting from 0; -1: the readings that are no number
    SubgroupSummary figures;
    std::optional<WallTime> first, earliest, latest; // its first reading's start time, its earliest and latest
    bool finite = true; // false: a figure overflowed the engine's doubles (readings near the largest double)
};

// Reads the current row of the engine's subgroups; the fields' positions are looked up once.
class SubgroupReader
{
public:
    explicit SubgroupReader(const data::Recordset& rs);
    // The group and count alone for the group -1, whose other figures are not read.
    data::Status read(EngineSubgroup& g) const;

private:
    data::Status number(int index, double& out, bool& finite) const;
    RowReader mRow;
    int mGroup, mCount, mMean, mLow, mHigh, mSquares, mMedian, mFirst, mEarliest, mLatest;
};

} // namespace moldrin
