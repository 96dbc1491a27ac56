// Tests of LumButton: defaults, property bag names and orders, looks, Click, layout, Hide/Show, refusals.
#include "buttonctl/lumbutton.h"

#include <QApplication>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using moldrin::LumButton;
using moldrin::OleColorToQColor;
using moldrin::PropertyBag;

namespace
{

QWidget* Caption(LumButton& b)
{
    return b.findChild<QWidget*>(QStringLiteral("lblCaption"));
}
QWidget* Frame(LumButton& b)
{
    return b.findChild<QWidget*>(QStringLiteral("shpFrame"));
}
bool NormalLook(const LumButton& b)
{
    return b.FrameFillColor() == QColor(255, 224, 192) && b.FrameBorderColor() == QColor(255, 192, 128);
}
bool FocusedLook(const LumButton& b)
{
    return b.FrameFillColor() == QColor(255, 192, 128) && b.FrameBorderColor() == QColor(255, 128, 0);
}
int TwipsX(const QWidget& w, double twips)
{
    return qRound(twips * w.logicalDpiX() / 1440.0);
}

// A host window with a font of its own, so "the host's font" is distinguishable from the application's.
struct Host {
    QWidget window;
    LumButton* button;
    Host()
    {
        window.setFont(QFont(QStringLiteral("DejaVu Sans"), 11));
        button = new LumButton(&window);
        button->setGeometry(10, 10, 200, 40);
    }
    // Resize events reach a widget once it is shown.
    bool Shown()
    {
        window.resize(400, 200);
        window.show();
        return QTest::qWaitForWindowExposed(&window);
    }
};

} // namespace

class LumButtonTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void EmptyBagGivesDefaultsInReadOrder()
    {
        Host h;
        LumButton& b = *h.button;
        b.SetCaption(QStringLiteral("Old"));
        b.SetBorderWidth(5);
        b.SetAlignment(LumButton::kAlignLeft);
        b.SetHoverOn(false);
        b.SetForeColor(0x000000FF);
        b.SetFont(QFont(QStringLiteral("DejaVu Serif"), 20));
        PropertyBag bag;
        QVERIFY(b.ReadProperties(bag));
        QCOMPARE(b.Caption(), QStringLiteral("Label1"));
        QCOMPARE(b.Alignment(), LumButton::kAlignCenter);
        QVERIFY(b.Enabled());
        QVERIFY(b.isEnabled());
        QVERIFY(b.HoverOn());
        QCOMPARE(b.BorderWidth(), 2);
        QCOMPARE(b.ForeColor(), 0u);
        QCOMPARE(b.CaptionColor(), QColor(Qt::black));
        QCOMPARE(b.Font(), h.window.font());
        const QStringList order { "Font", "Caption", "Enabled", "Enabled", "Alignment", "ForeColor", "HoverOn",
            "BorderWidth" };
        QCOMPARE(bag.ReadLog(), order);

        LumButton fresh(&h.window);
        QCOMPARE(fresh.Caption(), QStringLiteral("Label1"));
        QCOMPARE(fresh.Alignment(), LumButton::kAlignCenter);
        QVERIFY(fresh.HoverOn());
        QCOMPARE(fresh.BorderWidth(), 2);
        QCOMPARE(fresh.Font(), h.window.font());
        QVERIFY(NormalLook(fresh));
    }

    void WriteStoresOnlyChangedValuesInOrder()
    {
        Host h;
        LumButton& b = *h.button;
        PropertyBag empty;
        b.SetCaption(QStringLiteral("Label1")); // set, but equal to the default
        b.SetBorderWidth(2);
        b.WriteProperties(empty);
        QCOMPARE(empty.Count(), 0);

        // Set in an order unlike the stored one, to see that writing follows its own order.
        b.SetAlignment(LumButton::kAlignRight);
        b.SetForeColor(LumButton::kWindowTextColor);
        b.SetBorderWidth(1);
        b.SetHoverOn(false);
        b.SetCaption(QStringLiteral("Start Plot"));
        b.SetEnabled(false);
        QFont arial(QStringLiteral("Arial"), 8);
        arial.setPointSizeF(8.25);
        arial.setBold(true);
        b.SetFont(arial);
        PropertyBag bag;
        b.WriteProperties(bag);
        const QStringList order { "Font", "Enabled", "Caption", "HoverOn", "BorderWidth", "ForeColor", "Alignment" };
        QCOMPARE(bag.Names(), order);
        QCOMPARE(bag.Read("Enabled").toBool(), false);
        QCOMPARE(bag.Read("Caption").toString(), QStringLiteral("Start Plot"));
        QCOMPARE(bag.Read("BorderWidth").toInt(), 1);
        QCOMPARE(bag.Read("ForeColor").toLongLong(), qint64(qint32(0x80000008u))); // a signed 32-bit value
        QCOMPARE(bag.Read("Alignment").toInt(), 1);
        QCOMPARE(bag.Read("Font").value<QFont>(), arial);

        LumButton copy(&h.window);
        QVERIFY(copy.ReadProperties(bag));
        QCOMPARE(copy.Caption(), QStringLiteral("Start Plot"));
        QVERIFY(!copy.Enabled());
        QVERIFY(!copy.isEnabled());
        QVERIFY(!copy.HoverOn());
        QCOMPARE(copy.BorderWidth(), 1);
        QCOMPARE(copy.ForeColor(), LumButton::kWindowTextColor);
        QCOMPARE(copy.Alignment(), LumButton::kAlignRight);
        QCOMPARE(copy.Font(), arial);
    }

    void NamesCompareWithoutCase()
    {
        PropertyBag bag;
        bag.Write("caption", "first");
        bag.Write("CAPTION", "Refresh");
        bag.Write("borderwidth", 4);
        bag.Write("ALIGNMENT", 0);
        QCOMPARE(bag.Count(), 3);
        QVERIFY(bag.Contains("Caption"));
        QCOMPARE(bag.Names().first(), QStringLiteral("caption"));
        Host h;
        QVERIFY(h.button->ReadProperties(bag));
        QCOMPARE(h.button->Caption(), QStringLiteral("Refresh"));
        QCOMPARE(h.button->BorderWidth(), 4);
        QCOMPARE(h.button->Alignment(), LumButton::kAlignLeft);
    }

    void InvalidValuesRefused()
    {
        Host h;
        LumButton& b = *h.button;
        QSignalSpy changed(&b, &LumButton::propertyChanged);
        const QPoint before = Caption(b)->pos();
        QVERIFY(!b.SetAlignment(3));
        QVERIFY(!b.SetAlignment(-1));
        QCOMPARE(b.LastError(), QStringLiteral("Invalid property value"));
        QCOMPARE(b.Alignment(), LumButton::kAlignCenter);
        QCOMPARE(Caption(b)->pos(), before);
        QVERIFY(!b.SetBorderWidth(0));
        QVERIFY(!b.SetBorderWidth(8193));
        QCOMPARE(b.BorderWidth(), 2);
        QVERIFY(!b.SetForeColor(0x01000005)); // neither RGB nor a system colour
        QVERIFY(!b.SetForeColor(0x80000019)); // no such system colour
        QCOMPARE(b.ForeColor(), 0u);
        QCOMPARE(changed.count(), 0);
        b.setProperty("Alignment", 9); // by name, as a host sets it
        QCOMPARE(b.Alignment(), LumButton::kAlignCenter);

        // A bad stored value keeps its default; the good ones are still applied.
        PropertyBag bag;
        bag.Write("Caption", "Export");
        bag.Write("Alignment", 7);
        bag.Write("BorderWidth", "wide");
        bag.Write("ForeColor", 255);
        QVERIFY(!b.ReadProperties(bag));
        QVERIFY(b.LastError().contains(QStringLiteral("Alignment")));
        QVERIFY(b.LastError().contains(QStringLiteral("BorderWidth")));
        QVERIFY(!b.LastError().contains(QStringLiteral("Caption")));
        QCOMPARE(b.Caption(), QStringLiteral("Export"));
        QCOMPARE(b.Alignment(), LumButton::kAlignCenter);
        QCOMPARE(b.BorderWidth(), 2);
        QCOMPARE(b.CaptionColor(), QColor(255, 0, 0));
    }

    void StoredColoursMapToQColor()
    {
        QCOMPARE(OleColorToQColor(0x00C0E0FF), QColor(255, 224, 192));
        QCOMPARE(OleColorToQColor(0x000080FF), QColor(255, 128, 0));
        QPalette pal;
        pal.setColor(QPalette::Active, QPalette::WindowText, QColor(1, 2, 3));
        QCOMPARE(OleColorToQColor(0x80000008, pal), QColor(1, 2, 3));
        QVERIFY(!OleColorToQColor(0x02000000).isValid());
        QVERIFY(OleColorToQColor(0x80000018).isValid());
        QVERIFY(!OleColorToQColor(0x80000019).isValid());
    }

    void FocusLooks()
    {
        Host h;
        LumButton& b = *h.button;
        auto* other = new LumButton(&h.window);
        other->setGeometry(10, 60, 200, 40);
        h.window.show();
        h.window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&h.window));
        b.setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(b.hasFocus());
        QVERIFY(FocusedLook(b));
        other->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(other->hasFocus());
        QVERIFY(NormalLook(b));
        QVERIFY(FocusedLook(*other));

        b.SetHoverOn(false);
        b.setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(b.hasFocus());
        QVERIFY(NormalLook(b));

        // A click takes the focus too.
        QTest::mouseClick(other, Qt::LeftButton);
        QTRY_VERIFY(other->hasFocus());
        QVERIFY(FocusedLook(*other));
    }

    void EnterAloneRaisesClick()
    {
        Host h;
        LumButton& b = *h.button;
        QSignalSpy clicks(&b, &LumButton::Click);
        QTest::keyClick(&b, Qt::Key_Return);
        QCOMPARE(clicks.count(), 1);
        QTest::keyClick(&b, Qt::Key_Enter);
        QCOMPARE(clicks.count(), 2);
        for (Qt::Key k : { Qt::Key_Space, Qt::Key_A, Qt::Key_Escape, Qt::Key_M, Qt::Key_Tab })
            QTest::keyClick(&b, k);
        QCOMPARE(clicks.count(), 2);

        b.SetEnabled(false);
        QVERIFY(!Caption(b)->isEnabled());
        QTest::keyClick(&b, Qt::Key_Return);
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
        QApplication::sendEvent(&b, &enter); // even delivered straight to the control
        QCOMPARE(clicks.count(), 2);
        b.SetEnabled(true);
        QTest::keyClick(&b, Qt::Key_Return);
        QCOMPARE(clicks.count(), 3);
    }

    void MouseClickRaisesClick()
    {
        Host h;
        LumButton& b = *h.button;
        QVERIFY(h.Shown());
        QSignalSpy clicks(&b, &LumButton::Click);
        QTest::mouseClick(&b, Qt::LeftButton, {}, QPoint(3, 3));
        QCOMPARE(clicks.count(), 1);
        QTest::mouseClick(&b, Qt::LeftButton, {}, Caption(b)->geometry().center());
        QCOMPARE(clicks.count(), 2);
        QTest::mouseClick(&b, Qt::RightButton);
        QCOMPARE(clicks.count(), 2);
        QTest::mousePress(&b, Qt::LeftButton, {}, QPoint(3, 3));
        QTest::mouseRelease(&b, Qt::LeftButton, {}, QPoint(300, 3)); // released off the button
        QCOMPARE(clicks.count(), 2);
        b.SetEnabled(false);
        QTest::mouseClick(&b, Qt::LeftButton);
        QCOMPARE(clicks.count(), 2);
    }

    void DoubleAmpersandShowsOne()
    {
        Host h;
        LumButton& b = *h.button;
        b.SetCaption(QStringLiteral("Save && Close"));
        QCOMPARE(b.Caption(), QStringLiteral("Save && Close"));
        QWidget* label = Caption(b);
        const QFontMetrics fm(label->font());
        QCOMPARE(label->width(), fm.horizontalAdvance(QStringLiteral("Save & Close")) + 1);

        // The drawn caption is exactly the plain text "Save & Close".
        QImage shown(label->size(), QImage::Format_ARGB32);
        shown.fill(Qt::white);
        label->render(&shown, {}, {}, QWidget::DrawChildren);
        QImage expected(label->size(), QImage::Format_ARGB32);
        expected.fill(Qt::white);
        {
            QPainter p(&expected);
            p.setFont(label->font());
            p.setPen(Qt::black);
            p.drawText(
                label->rect().adjusted(0, 0, -1, -1), Qt::AlignHCenter | Qt::AlignTop, QStringLiteral("Save & Close"));
        }
        QCOMPARE(shown, expected);
    }

    void LayoutFollowsAlignmentInTwips()
    {
        Host h;
        LumButton& b = *h.button;
        QVERIFY(h.Shown());
        QWidget* label = Caption(b);
        QCOMPARE(Frame(b)->geometry(), QRect(0, 0, 200, 40));
        const int lw = label->width();
        QCOMPARE(label->y(), qRound(20 - label->height() / 2.0));
        QCOMPARE(label->x(), qRound(100 - lw / 2.0 + 10 * b.logicalDpiX() / 1440.0));
        QVERIFY(qAbs(label->x() - (200 - label->geometry().right() - 1)) <= 2); // centred, give or take
        QVERIFY(b.SetAlignment(LumButton::kAlignLeft));
        QCOMPARE(label->x(), TwipsX(b, 80));
        QVERIFY(b.SetAlignment(LumButton::kAlignRight));
        QCOMPARE(label->x(), qRound(200 - lw - 80 * b.logicalDpiX() / 1440.0));
        b.resize(300, 60);
        QCOMPARE(Frame(b)->geometry(), QRect(0, 0, 300, 60));
        QCOMPARE(label->x(), qRound(300 - lw - 80 * b.logicalDpiX() / 1440.0));
        QCOMPARE(label->y(), qRound(30 - label->height() / 2.0));
    }

    void CaptionRelaysAtOnceFontOnlyOnResize()
    {
        Host h;
        LumButton& b = *h.button;
        QVERIFY(h.Shown());
        QWidget* label = Caption(b);
        const QRect shortText = label->geometry();
        b.SetCaption(QStringLiteral("A much longer caption"));
        QVERIFY(label->width() > shortText.width());
        QCOMPARE(label->x(), qRound(100 - label->width() / 2.0 + 10 * b.logicalDpiX() / 1440.0));

        const QPoint placed = label->pos();
        const int width = label->width();
        QFont big = b.Font();
        big.setPointSize(big.pointSize() * 2);
        b.SetFont(big);
        QVERIFY(label->width() > width); // the caption fits its text at once
        QCOMPARE(label->pos(), placed); // but stays where it was
        b.resize(201, 40);
        QCOMPARE(label->x(), qRound(100.5 - label->width() / 2.0 + 10 * b.logicalDpiX() / 1440.0));
        QCOMPARE(label->y(), qRound(20 - label->height() / 2.0));
    }

    void HideShowKeepPlaceAndState()
    {
        Host h;
        LumButton& b = *h.button;
        QVERIFY(h.Shown());
        b.SetEnabled(false);
        const QRect geometry = b.geometry();
        b.Hide();
        QVERIFY(b.isVisible());
        QVERIFY(!Frame(b)->isVisible());
        QVERIFY(!Caption(b)->isVisible());
        QCOMPARE(b.geometry(), geometry);
        QVERIFY(!b.Enabled());
        b.Show();
        QVERIFY(Frame(b)->isVisible());
        QVERIFY(Caption(b)->isVisible());
        QCOMPARE(b.geometry(), geometry);
        QVERIFY(!b.Enabled());
        QVERIFY(!b.isEnabled());
    }

    void PropertyChangedNamesEachLet()
    {
        Host h;
        LumButton& b = *h.button;
        QSignalSpy changed(&b, &LumButton::propertyChanged);
        b.SetCaption(QStringLiteral("Close"));
        QVERIFY(b.SetAlignment(LumButton::kAlignLeft));
        QVERIFY(b.SetBorderWidth(1));
        b.SetEnabled(true);
        b.SetHoverOn(true);
        QVERIFY(b.SetForeColor(0));
        b.SetFont(b.Font());
        QVERIFY(b.setProperty("Caption", QStringLiteral("By name")));
        QStringList names;
        for (const auto& args : changed)
            names << args.at(0).toString();
        const QStringList expected { "Caption", "Alignment", "BorderWidth", "Enabled", "HoverOn", "ForeColor", "Font",
            "Caption" };
        QCOMPARE(names, expected);
        QCOMPARE(b.Caption(), QStringLiteral("By name"));

        changed.clear();
        PropertyBag bag;
        bag.Write("Caption", "Loaded");
        QVERIFY(b.ReadProperties(bag));
        QCOMPARE(changed.count(), 0); // loading is not a change to save
    }
};

QTEST_MAIN(LumButtonTest)
#include "lumbutton_test.moc"
