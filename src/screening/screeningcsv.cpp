// The screen as comma-separated values, for moldrin-report and the window's export.
#include "common/numberformat.h"
#include "screening/screening.h"

namespace moldrin::screening
{

namespace
{

QString Field(const QString& text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) && !text.contains(QLatin1Char('\n'))
        && !text.contains(QLatin1Char('\r')))
        return text;
    return QLatin1Char('"') + QString(text).replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

QString FigureText(const Figure& f)
{
    return f.isNumber() ? NumberText(f.value()) : f.textValue();
}

QString Count(std::int64_t n)
{
    return QString::number(n);
}

} // namespace

QByteArray ScreenCsv(const ScreenResult& result)
{
    QStringList header { QStringLiteral("parameter"), QStringLiteral("name"), QStringLiteral("column"),
        QStringLiteral("unit"), QStringLiteral("LSL"), QStringLiteral("USL"), QStringLiteral("n"),
        QStringLiteral("mean"), QStringLiteral("stdDev"), QStringLiteral("estSigma"), QStringLiteral("Cp"),
        QStringLiteral("CpK"), QStringLiteral("Pp"), QStringLiteral("PpK"), QStringLiteral("outOfSpec"),
        QStringLiteral("ppm") };
    for (int r = 1; r <= kRuleHitCount; ++r)
        header << QStringLiteral("R") + QString::number(r);
    header << QStringLiteral("testerP") << QStringLiteral("testerDiffers");
    for (const QString& t : result.testers)
        header << t + QStringLiteral(" n") << t + QStringLiteral(" mean") << t + QStringLiteral(" stdDev");

    QString text;
    auto line = [&text](const QStringList& fields) {
        QStringList quoted;
        for (const QString& f : fields)
            quoted << Field(f);
        text += quoted.join(QLatin1Char(',')) + QLatin1Char('\n');
    };
    line(header);
    for (const ParameterScreen& p : result.parameters) {
        QStringList fields { p.item, p.name, p.column, p.unit, FigureText(p.lsl), FigureText(p.usl), Count(p.n),
            FigureText(p.mean), FigureText(p.stdDev), FigureText(p.estSigma), FigureText(p.cp), FigureText(p.cpk),
            FigureText(p.pp), FigureText(p.ppk), Count(p.outOfSpec), FigureText(p.ppm) };
        for (std::int64_t hits : p.ruleHits)
            fields << Count(hits);
        fields << FigureText(p.testerP) << (p.testerDiffers ? QStringLiteral("true") : QStringLiteral("false"));
        for (const QString& t : result.testers) {
            const auto found = std::find_if(
                p.testers.begin(), p.testers.end(), [&t](const TesterFigures& f) { return f.tester == t; });
            if (found == p.testers.end())
                fields << QString() << QString() << QString();
            else
                fields << Count(found->n) << FigureText(found->mean) << FigureText(found->stdDev);
        }
        line(fields);
    }
    return text.toUtf8();
}

} // namespace moldrin::screening
