// The reports' JSON writer: what a JSON reader gets back is what was written, numbers in their report form,
// line breaks that keep the document valid.
#include "cli/jsonreport.h"

#include <QBuffer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using moldrin::cli::JsonWriter;

namespace
{

QByteArray Written(const std::function<void(JsonWriter&)>& write)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    JsonWriter j(buffer);
    write(j);
    EXPECT_TRUE(j.finish());
    return bytes;
}

} // namespace

TEST(JsonWriter, EveryTextReadsBackUnchanged)
{
    const QStringList texts { "", "plain", "R1+,R2+", "say \"hi\"", "back\\slash", "tab\there", "line\nbreak\r",
        QString(QChar(1)) + QChar(0x1f) + QChar(8) + QChar(12), "°C Ω", "mixed °C \"x\"\tß",
        QString::fromUtf16(u"\U0001F600 emoji") };
    const QByteArray json = Written([&](JsonWriter& j) { j.strings(texts); });
    QJsonParseError error;
    const QJsonArray back = QJsonDocument::fromJson(json, &error).array();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << json.toStdString();
    ASSERT_EQ(back.size(), texts.size());
    for (int i = 0; i < texts.size(); ++i)
        EXPECT_EQ(back[i].toString(), texts[i]) << i;
    // Non-ASCII text is written as UTF-8, not escaped.
    EXPECT_TRUE(json.contains("°C Ω"));
}

// Whole numbers as integers, others in their shortest round-trip form, null for what is no number; the
// figures' keys sorted; line breaks before members and elements.
TEST(JsonWriter, NumbersFiguresAndLineBreaks)
{
    const QByteArray json = Written([](JsonWriter& j) {
        j.beginObject().key("n").beginArray();
        for (double v : { 1000000.0, -3.0, 0.1, 1e-7, 2.5e300, 9007199254740993.0,
                 std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity() })
            j.number(v);
        j.endArray();
        moldrin::cli::WriteFigures(j,
            { { "Cp", 1.5 }, { "CR", QStringLiteral("12%") }, { "AverageVariation", std::monostate() },
                { "Zl", moldrin::cli::PanelFigure("1,234.5") }, { "LSL", moldrin::cli::PanelFigure("N/A") } });
        j.lineBreak().key("items").beginArray().lineBreak().number(1).lineBreak().number(2).endArray();
        j.endObject();
    });
    EXPECT_EQ(json.toStdString(),
        "{\"n\":[1000000,-3,0.1,1e-07,2.5e+300,9007199254740992,null,null],"
        "\"figures\":{\"AverageVariation\":null,\"CR\":\"12%\",\"Cp\":1.5,\"LSL\":\"N/A\",\"Zl\":1234.5},\n"
        "\"items\":[\n1,\n2]}\n");
    EXPECT_FALSE(QJsonDocument::fromJson(json).isNull());
}
