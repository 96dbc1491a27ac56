// INI file reading with the semantics of the classic profile-string reader.
#pragma once

#include <QByteArray>
#include <QString>

namespace moldrin::data
{

// Longest value a read returns, in characters.
inline constexpr int kIniValueLimit = 1022;

// One INI file loaded into memory; lookups scan its lines without reloading.
// Sections and keys compare without regard to case, the first matching section and its first
// matching key win, ';' lines are comments, CR LF and LF both end a line. A value is trimmed of
// blanks, one pair of enclosing quotes is removed and then the blanks that began it, bytes that are
// not valid UTF-8 read as Windows-1252 (UTF-16 files with a byte-order mark as UTF-16), and at most
// kIniValueLimit characters are returned.
class IniFile
{
public:
    IniFile() = default;
    explicit IniFile(const QString& path);
    static IniFile fromBytes(QByteArray bytes);

    bool loaded() const { return mLoaded; }
    // The value, or "" when the file, section or key is missing.
    QString value(const QString& section, const QString& key) const;

private:
    QByteArray mBytes;
    bool mLoaded = false;
};

// Decodes one line: UTF-8 when valid, else Windows-1252.
QString DecodeIniText(const char* data, qsizetype size);

// Reads one value from the INI file at `strINIPath`; "" when the file, section or key is missing.
QString ReadINI(const QString& strSectionName, const QString& strKeyName, const QString& strINIPath);

} // namespace moldrin::data
