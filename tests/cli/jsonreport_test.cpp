// The report's JSON strings: what a JSON reader gets back is the text written.
#include "cli/jsonreport.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <gtest/gtest.h>

TEST(JsonString, EveryTextReadsBackUnchanged)
{
    const QStringList texts { "", "plain", "R1+,R2+", "say \"hi\"", "back\\slash", "tab\there", "line\nbreak\r",
        QString(QChar(1)) + QChar(0x1f), "°C Ω", "mixed °C \"x\"\tß", QString::fromUtf16(u"\U0001F600 emoji") };
    std::string json = "[";
    for (int i = 0; i < texts.size(); ++i) {
        if (i)
            json += ',';
        moldrin::cli::AppendJsonString(json, texts[i]);
    }
    json += ']';
    QJsonParseError error;
    const QJsonArray back = QJsonDocument::fromJson(QByteArray::fromStdString(json), &error).array();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << json;
    ASSERT_EQ(back.size(), texts.size());
    for (int i = 0; i < texts.size(); ++i)
        EXPECT_EQ(back[i].toString(), texts[i]) << i;
    std::string one;
    moldrin::cli::AppendJsonString(one, QString(QChar(1)));
    EXPECT_EQ(one, "\"\\u0001\"");
}

// A panel figure is the number the panel shows, or its text where it shows none: never 0 for "N/A".
TEST(PanelFigure, TheNumberThePanelShows)
{
    EXPECT_EQ(moldrin::cli::PanelFigure("1,234.5"), QJsonValue(1234.5));
    EXPECT_EQ(moldrin::cli::PanelFigure("-0.0125"), QJsonValue(-0.0125));
    EXPECT_EQ(moldrin::cli::PanelFigure("N/A"), QJsonValue("N/A"));
    EXPECT_EQ(moldrin::cli::PanelFigure(""), QJsonValue(""));
}
