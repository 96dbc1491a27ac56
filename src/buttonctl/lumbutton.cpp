// LumButton: frame and caption parts, layout in twips, focus looks, Click, property bag persistence.
#include "buttonctl/lumbutton.h"

#include <QApplication>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <array>
#include <optional>

namespace moldrin
{

namespace
{

constexpr double kTwipsPerInch = 1440.0;
constexpr double kCentreOffsetTwips = 10.0;
constexpr double kSideMarginTwips = 80.0;

QColor FromBgr(quint32 bgr)
{
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

std::optional<bool> ToBool(const QVariant& v)
{
    switch (v.typeId()) {
    case QMetaType::Bool:
        return v.toBool();
    case QMetaType::QString: {
        const QString s = v.toString().trimmed();
        if (s.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
            return true;
        if (s.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
            return false;
        bool ok = false;
        const int n = s.toInt(&ok);
        return ok ? std::optional<bool>(n != 0) : std::nullopt;
    }
    default: {
        bool ok = false;
        const qlonglong n = v.toLongLong(&ok);
        return ok ? std::optional<bool>(n != 0) : std::nullopt;
    }
    }
}

std::optional<qlonglong> ToInteger(const QVariant& v)
{
    if (v.typeId() == QMetaType::Bool)
        return std::nullopt;
    bool ok = false;
    const qlonglong n = v.toLongLong(&ok);
    return ok ? std::optional<qlonglong>(n) : std::nullopt;
}

} // namespace

QColor OleColorToQColor(quint32 value, const QPalette& palette)
{
    const quint32 kind = value >> 24;
    if (kind == 0x00)
        return FromBgr(value);
    if (kind != 0x80)
        return {};
    // System colour indexes 0..24 in their classic order, mapped onto the palette.
    struct Entry {
        QPalette::ColorGroup group;
        QPalette::ColorRole role;
    };
    static constexpr std::array<Entry, 25> kSystem { {
        { QPalette::Active, QPalette::Button }, // scroll bar
        { QPalette::Active, QPalette::Window }, // desktop
        { QPalette::Active, QPalette::Highlight }, // active title bar
        { QPalette::Inactive, QPalette::Highlight }, // inactive title bar
        { QPalette::Active, QPalette::Button }, // menu bar
        { QPalette::Active, QPalette::Base }, // window background
        { QPalette::Active, QPalette::Shadow }, // window frame
        { QPalette::Active, QPalette::ButtonText }, // menu text
        { QPalette::Active, QPalette::WindowText }, // window text
        { QPalette::Active, QPalette::HighlightedText }, // title bar text
        { QPalette::Active, QPalette::Button }, // active border
        { QPalette::Active, QPalette::Button }, // inactive border
        { QPalette::Active, QPalette::Dark }, // application workspace
        { QPalette::Active, QPalette::Highlight }, // highlight
        { QPalette::Active, QPalette::HighlightedText }, // highlighted text
        { QPalette::Active, QPalette::Button }, // button face
        { QPalette::Active, QPalette::Dark }, // button shadow
        { QPalette::Disabled, QPalette::Text }, // grey text
        { QPalette::Active, QPalette::ButtonText }, // button text
        { QPalette::Inactive, QPalette::HighlightedText }, // inactive title bar text
        { QPalette::Active, QPalette::Light }, // button highlight
        { QPalette::Active, QPalette::Shadow }, // 3D dark shadow
        { QPalette::Active, QPalette::Midlight }, // 3D light
        { QPalette::Active, QPalette::ToolTipText }, // tooltip text
        { QPalette::Active, QPalette::ToolTipBase }, // tooltip background
    } };
    const quint32 index = value & 0x00FFFFFFu;
    if (index >= kSystem.size())
        return {};
    return palette.color(kSystem[index].group, kSystem[index].role);
}

namespace lumbutton_detail
{

// The filled rectangle behind the caption; its border is drawn inside the rectangle.
class FrameShape : public QWidget
{
public:
    explicit FrameShape(QWidget* parent)
        : QWidget(parent)
    {
        setObjectName(QStringLiteral("shpFrame"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

    QColor mFill;
    QColor mBorder;
    int mBorderWidth = 2;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        const QRect r = rect();
        p.fillRect(r, mFill);
        const int w = qMin(mBorderWidth, qMax(1, qMin(r.width(), r.height()) / 2));
        p.fillRect(QRect(r.left(), r.top(), r.width(), w), mBorder);
        p.fillRect(QRect(r.left(), r.bottom() - w + 1, r.width(), w), mBorder);
        p.fillRect(QRect(r.left(), r.top(), w, r.height()), mBorder);
        p.fillRect(QRect(r.right() - w + 1, r.top(), w, r.height()), mBorder);
    }
};

// A transparent label that sizes itself to its text; a single "&" marks a mnemonic and "&&" shows one "&".
class CaptionLabel : public QWidget
{
public:
    explicit CaptionLabel(QWidget* parent)
        : QWidget(parent)
    {
        setObjectName(QStringLiteral("lblCaption"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
    }

    QString mText = LumButton::kDefaultCaption;
    quint32 mForeColor = 0;
    int mAlignment = LumButton::kAlignCenter;

    QSize sizeHint() const override
    {
        // One spare pixel each way holds the embossed shadow of the disabled look.
        return fontMetrics().size(Qt::TextShowMnemonic, mText) + QSize(1, 1);
    }
    void FitToText() { resize(sizeHint()); }
    QColor TextColor() const { return OleColorToQColor(mForeColor, palette()); }

protected:
    void changeEvent(QEvent* event) override
    {
        if (event->type() == QEvent::FontChange)
            FitToText();
        QWidget::changeEvent(event);
    }

    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        const int h = mAlignment == LumButton::kAlignLeft ? Qt::AlignLeft
            : mAlignment == LumButton::kAlignRight        ? Qt::AlignRight
                                                          : Qt::AlignHCenter;
        const int flags = h | Qt::AlignTop | Qt::TextShowMnemonic;
        const QRect r = rect().adjusted(0, 0, -1, -1);
        if (isEnabled()) {
            p.setPen(TextColor());
            p.drawText(r, flags, mText);
        } else {
            p.setPen(palette().color(QPalette::Active, QPalette::Light));
            p.drawText(r.translated(1, 1), flags, mText);
            p.setPen(palette().color(QPalette::Active, QPalette::Dark));
            p.drawText(r, flags, mText);
        }
    }
};

} // namespace lumbutton_detail

using lumbutton_detail::CaptionLabel;
using lumbutton_detail::FrameShape;

LumButton::LumButton(QWidget* parent)
    : QWidget(parent)
    , mFrame(new FrameShape(this))
    , mCaption(new CaptionLabel(this))
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_KeyCompression, false);
    mCaption->FitToText();
    SetLook(false);
    LayOut();
}

LumButton::~LumButton() = default;

QSize LumButton::sizeHint() const
{
    const double tw = logicalDpiX() / kTwipsPerInch;
    const QSize text = mCaption->sizeHint();
    return QSize(text.width() + qRound(2 * kSideMarginTwips * tw), text.height() * 2);
}

bool LumButton::Refuse()
{
    mLastError = kInvalidPropertyValue;
    return false;
}

QFont LumButton::AmbientFont() const
{
    return parentWidget() ? parentWidget()->font() : QApplication::font();
}

QFont LumButton::Font() const
{
    return mCaption->font();
}

void LumButton::SetFont(const QFont& font)
{
    mCaption->setFont(font);
    mCaption->FitToText();
    Q_EMIT propertyChanged(QStringLiteral("Font"));
}

uint LumButton::ForeColor() const
{
    return mCaption->mForeColor;
}

bool LumButton::SetForeColor(uint value)
{
    if (!OleColorToQColor(value).isValid())
        return Refuse();
    mCaption->mForeColor = value;
    mCaption->update();
    Q_EMIT propertyChanged(QStringLiteral("ForeColor"));
    return true;
}

void LumButton::SetHoverOn(bool on)
{
    mHoverOn = on;
    Q_EMIT propertyChanged(QStringLiteral("HoverOn"));
}

bool LumButton::Enabled() const
{
    return mCaption->isEnabledTo(this);
}

void LumButton::SetEnabled(bool on)
{
    mCaption->setEnabled(on);
    setEnabled(on);
    Q_EMIT propertyChanged(QStringLiteral("Enabled"));
}

int LumButton::BorderWidth() const
{
    return mFrame->mBorderWidth;
}

bool LumButton::SetBorderWidth(int width)
{
    if (width < kMinBorderWidth || width > kMaxBorderWidth)
        return Refuse();
    mFrame->mBorderWidth = width;
    mFrame->update();
    Q_EMIT propertyChanged(QStringLiteral("BorderWidth"));
    return true;
}

int LumButton::Alignment() const
{
    return mCaption->mAlignment;
}

bool LumButton::SetAlignment(int alignment)
{
    if (alignment < kAlignLeft || alignment > kAlignCenter)
        return Refuse();
    mCaption->mAlignment = alignment;
    mCaption->update();
    LayOut();
    Q_EMIT propertyChanged(QStringLiteral("Alignment"));
    return true;
}

QString LumButton::Caption() const
{
    return mCaption->mText;
}

void LumButton::SetCaption(const QString& caption)
{
    mCaption->mText = caption;
    mCaption->FitToText();
    mCaption->update();
    LayOut();
    Q_EMIT propertyChanged(QStringLiteral("Caption"));
}

void LumButton::Hide()
{
    mFrame->setVisible(false);
    mCaption->setVisible(false);
}

void LumButton::Show()
{
    mFrame->setVisible(true);
    mCaption->setVisible(true);
}

QColor LumButton::FrameFillColor() const
{
    return mFrame->mFill;
}
QColor LumButton::FrameBorderColor() const
{
    return mFrame->mBorder;
}
QColor LumButton::CaptionColor() const
{
    return mCaption->TextColor();
}

void LumButton::SetLook(bool focused)
{
    mFrame->mFill = FromBgr(focused ? kFocusedFill : kNormalFill);
    mFrame->mBorder = FromBgr(focused ? kFocusedBorder : kNormalBorder);
    mFrame->update();
}

void LumButton::LayOut()
{
    // Lengths in the layout rules are twips; the logical resolution turns them into pixels.
    const double twX = logicalDpiX() / kTwipsPerInch;
    const int fw = width();
    const int fh = height();
    mFrame->setGeometry(0, 0, fw, fh);
    const int lw = mCaption->width();
    const int lh = mCaption->height();
    const int frameLeft = mFrame->x();
    double left = 0;
    switch (mCaption->mAlignment) {
    case kAlignLeft:
        left = frameLeft + kSideMarginTwips * twX;
        break;
    case kAlignRight:
        left = fw + frameLeft - lw - kSideMarginTwips * twX;
        break;
    default:
        left = fw / 2.0 - lw / 2.0 + kCentreOffsetTwips * twX;
        break;
    }
    mCaption->move(qRound(left), qRound(fh / 2.0 - lh / 2.0));
}

void LumButton::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    LayOut();
}

void LumButton::focusInEvent(QFocusEvent* event)
{
    SetLook(mHoverOn && Enabled());
    QWidget::focusInEvent(event);
}

void LumButton::focusOutEvent(QFocusEvent* event)
{
    SetLook(false);
    QWidget::focusOutEvent(event);
}

void LumButton::keyPressEvent(QKeyEvent* event)
{
    const bool enter
        = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter || event->text() == QString(QChar(13));
    if (!enter) {
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
    if (Enabled())
        Q_EMIT Click();
}

void LumButton::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        mPressed = true;
    QWidget::mousePressEvent(event);
    event->accept();
}

void LumButton::mouseReleaseEvent(QMouseEvent* event)
{
    const bool click = mPressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    if (event->button() == Qt::LeftButton)
        mPressed = false;
    event->accept();
    if (click)
        Q_EMIT Click();
}

bool LumButton::ReadProperties(const PropertyBag& bag)
{
    QStringList refused;
    const QSignalBlocker quiet(this); // a load is not a change the host must save again

    const QVariant font = bag.Read(QStringLiteral("Font"));
    if (!font.isValid())
        mCaption->setFont(QFont()); // inherit the host's font
    else if (font.canConvert<QFont>())
        mCaption->setFont(font.value<QFont>());
    else
        refused << QStringLiteral("Font");
    mCaption->FitToText();

    const QVariant caption = bag.Read(QStringLiteral("Caption"), kDefaultCaption);
    mCaption->mText = caption.canConvert<QString>() ? caption.toString() : kDefaultCaption;
    if (!caption.canConvert<QString>())
        refused << QStringLiteral("Caption");
    mCaption->FitToText();

    const auto labelOn = ToBool(bag.Read(QStringLiteral("Enabled"), true));
    mCaption->setEnabled(labelOn.value_or(true));
    const auto controlOn = ToBool(bag.Read(QStringLiteral("Enabled"), true));
    setEnabled(controlOn.value_or(true));
    if (!labelOn)
        refused << QStringLiteral("Enabled");

    const auto alignment = ToInteger(bag.Read(QStringLiteral("Alignment"), kAlignCenter));
    if (!alignment || *alignment < kAlignLeft || *alignment > kAlignCenter) {
        mCaption->mAlignment = kAlignCenter;
        refused << QStringLiteral("Alignment");
    } else {
        mCaption->mAlignment = int(*alignment);
    }

    const auto fore = ToInteger(bag.Read(QStringLiteral("ForeColor"), 0));
    const quint32 foreValue = fore ? quint32(*fore & 0xFFFFFFFFLL) : 0;
    const bool foreOk
        = fore && *fore >= -0x80000000LL && *fore <= 0xFFFFFFFFLL && OleColorToQColor(foreValue).isValid();
    mCaption->mForeColor = foreOk ? foreValue : 0;
    if (!foreOk)
        refused << QStringLiteral("ForeColor");

    const auto hover = ToBool(bag.Read(QStringLiteral("HoverOn"), true));
    mHoverOn = hover.value_or(true);
    if (!hover)
        refused << QStringLiteral("HoverOn");

    const auto border = ToInteger(bag.Read(QStringLiteral("BorderWidth"), 2));
    const bool borderOk = border && *border >= kMinBorderWidth && *border <= kMaxBorderWidth;
    mFrame->mBorderWidth = borderOk ? int(*border) : 2;
    if (!borderOk)
        refused << QStringLiteral("BorderWidth");

    mCaption->update();
    mFrame->update();
    LayOut();
    if (refused.isEmpty())
        return true;
    mLastError = kInvalidPropertyValue + QStringLiteral(": ") + refused.join(QStringLiteral(", "));
    return false;
}

void LumButton::WriteProperties(PropertyBag& bag) const
{
    if (Font() != AmbientFont())
        bag.Write(QStringLiteral("Font"), Font());
    if (!Enabled())
        bag.Write(QStringLiteral("Enabled"), false);
    if (Caption() != kDefaultCaption)
        bag.Write(QStringLiteral("Caption"), Caption());
    if (!mHoverOn)
        bag.Write(QStringLiteral("HoverOn"), false);
    if (BorderWidth() != 2)
        bag.Write(QStringLiteral("BorderWidth"), QVariant::fromValue(qint16(BorderWidth())));
    if (ForeColor() != 0)
        bag.Write(QStringLiteral("ForeColor"), QVariant::fromValue(qint32(ForeColor())));
    if (Alignment() != kAlignCenter)
        bag.Write(QStringLiteral("Alignment"), QVariant::fromValue(qint16(Alignment())));
}

} // namespace moldrin
