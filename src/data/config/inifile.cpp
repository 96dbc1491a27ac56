// INI file reading with the semantics of the classic profile-string reader.
#include "inifile.h"

#include <QFile>
#include <QStringDecoder>
#include <cstring>

namespace moldrin::data
{

namespace
{

// Windows-1252 characters of the bytes 0x80 to 0x9F; the rest of the code page equals Latin-1.
constexpr char16_t kCp1252High[32] = { 0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030,
    0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178 };

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool ValidUtf8(const unsigned char* p, qsizetype n)
{
    qsizetype i = 0;
    while (i < n) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        int extra = 0;
        unsigned int cp = 0;
        if (c >= 0xC2 && c <= 0xDF) {
            extra = 1;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + extra >= n)
            return false;
        for (int k = 1; k <= extra; ++k) {
            const unsigned char d = p[i + k];
            if ((d & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (d & 0x3F);
        }
        if ((extra == 2 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF)))
            || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)))
            return false;
        i += extra + 1;
    }
    return true;
}

// Trims blanks from both ends of [begin, end).
void TrimBlanks(const char*& begin, const char*& end)
{
    while (begin < end && IsBlank(*begin))
        ++begin;
    while (end > begin && IsBlank(end[-1]))
        --end;
}

// A name wanted by a lookup; ASCII names compare on the bytes without decoding each line.
struct WantedName {
    explicit WantedName(const QString& name)
        : text(name.trimmed())
        , ascii(text.toLatin1())
    {
        for (QChar c : text) {
            if (c.unicode() >= 0x80)
                isAscii = false;
        }
    }
    bool matches(const char* begin, const char* end) const
    {
        const qsizetype n = end - begin;
        if (isAscii) {
            bool lineAscii = true;
            for (const char* q = begin; q < end && lineAscii; ++q)
                lineAscii = static_cast<unsigned char>(*q) < 0x80;
            if (lineAscii)
                return n == ascii.size() && qstrnicmp(begin, ascii.constData(), static_cast<size_t>(n)) == 0;
        }
        return DecodeIniText(begin, n).compare(text, Qt::CaseInsensitive) == 0;
    }
    QString text;
    QByteArray ascii;
    bool isAscii = true;
};

} // namespace

QString DecodeIniText(const char* data, qsizetype size)
{
    if (size <= 0)
        return {};
    const auto* bytes = reinterpret_cast<const unsigned char*>(data);
    if (ValidUtf8(bytes, size))
        return QString::fromUtf8(data, size);
    QString out;
    out.resize(size);
    for (qsizetype i = 0; i < size; ++i) {
        const unsigned char c = bytes[i];
        out[i] = (c >= 0x80 && c <= 0x9F) ? QChar(kCp1252High[c - 0x80]) : QChar(c);
    }
    return out;
}

IniFile::IniFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    *this = fromBytes(file.readAll());
}

IniFile IniFile::fromBytes(QByteArray bytes)
{
    IniFile ini;
    // Notepad's "Unicode" is UTF-16 with a byte-order mark; the lines are read as UTF-8 from here on.
    const bool littleEndian = bytes.startsWith("\xFF\xFE");
    if (littleEndian || bytes.startsWith("\xFE\xFF")) {
        QStringDecoder decode(littleEndian ? QStringConverter::Utf16LE : QStringConverter::Utf16BE);
        bytes = QString(decode(QByteArrayView(bytes).sliced(2))).toUtf8();
    }
    ini.mBytes = std::move(bytes);
    ini.mLoaded = true;
    return ini;
}

QString IniFile::value(const QString& section, const QString& key) const
{
    if (!mLoaded)
        return {};
    const char* p = mBytes.constData();
    const char* const fileEnd = p + mBytes.size();
    if (fileEnd - p >= 3 && static_cast<unsigned char>(p[0]) == 0xEF && static_cast<unsigned char>(p[1]) == 0xBB
        && static_cast<unsigned char>(p[2]) == 0xBF)
        p += 3;

    const WantedName wantedSection(section);
    const WantedName wantedKey(key);
    bool inSection = false;
    bool sectionSeen = false;
    while (p < fileEnd) {
        const char* lineEnd = static_cast<const char*>(memchr(p, '\n', fileEnd - p));
        const char* next = lineEnd ? lineEnd + 1 : fileEnd;
        const char* b = p;
        const char* e = lineEnd ? lineEnd : fileEnd;
        p = next;
        if (e > b && e[-1] == '\r')
            --e;
        TrimBlanks(b, e);
        if (b == e || *b == ';')
            continue;
        if (*b == '[') {
            if (sectionSeen)
                return {}; // only the first section of that name is read
            const char* close = static_cast<const char*>(memchr(b, ']', e - b));
            const char* nb = b + 1;
            const char* ne = close ? close : e;
            TrimBlanks(nb, ne);
            inSection = wantedSection.matches(nb, ne);
            sectionSeen = inSection;
            continue;
        }
        if (!inSection)
            continue;
        const char* eq = static_cast<const char*>(memchr(b, '=', e - b));
        if (!eq)
            continue;
        const char* kb = b;
        const char* ke = eq;
        TrimBlanks(kb, ke);
        if (!wantedKey.matches(kb, ke))
            continue;
        const char* vb = eq + 1;
        const char* ve = e;
        TrimBlanks(vb, ve);
        if (ve - vb >= 2 && (*vb == '"' || *vb == '\'') && ve[-1] == *vb) {
            ++vb;
            --ve;
        }
        QString value = DecodeIniText(vb, ve - vb);
        if (value.size() > kIniValueLimit)
            value.truncate(value[kIniValueLimit - 1].isHighSurrogate() ? kIniValueLimit - 1 : kIniValueLimit);
        // The value is read into a buffer of blanks that is then trimmed at both ends: blanks that
        // began a quoted value go, those that ended it stay before the terminating NUL.
        qsizetype lead = 0;
        while (lead < value.size() && value[lead] == u' ')
            ++lead;
        return value.mid(lead);
    }
    return {};
}

QString ReadINI(const QString& strSectionName, const QString& strKeyName, const QString& strINIPath)
{
    return IniFile(strINIPath).value(strSectionName, strKeyName);
}

} // namespace moldrin::data
