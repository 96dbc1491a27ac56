// LumButton: the flat, orange-toned command button of the LumVisualStyle library.
#pragma once

#include "buttonctl/lumexport.h"
#include "buttonctl/propertybag.h"

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QString>
#include <QWidget>

namespace moldrin
{

// Resolves a stored colour value: &H00BBGGRR is a plain RGB colour, &H800000nn the system colour nn
// (8 = window text) taken from palette. Any other value gives an invalid QColor.
LUMVISUALSTYLE_EXPORT QColor OleColorToQColor(quint32 value, const QPalette& palette = QPalette());

namespace lumbutton_detail
{
class FrameShape;
class CaptionLabel;
} // namespace lumbutton_detail

// A button drawn from a filled frame (child "shpFrame") covering the whole control and a self-sizing caption
// label (child "lblCaption"). Raises Click on a left mouse click or on Enter, and keeps its design-time
// properties in a PropertyBag. Setters that can refuse a value return false, leave every part unchanged and
// leave the reason in LastError().
class LUMVISUALSTYLE_EXPORT LumButton : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QFont Font READ Font WRITE SetFont)
    Q_PROPERTY(uint ForeColor READ ForeColor WRITE SetForeColor)
    Q_PROPERTY(bool HoverOn READ HoverOn WRITE SetHoverOn)
    Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
    Q_PROPERTY(int BorderWidth READ BorderWidth WRITE SetBorderWidth)
    Q_PROPERTY(int Alignment READ Alignment WRITE SetAlignment)
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)

public:
    static constexpr int kAlignLeft = 0;
    static constexpr int kAlignRight = 1;
    static constexpr int kAlignCenter = 2;
    static constexpr int kMinBorderWidth = 1;
    static constexpr int kMaxBorderWidth = 8192;
    static constexpr quint32 kWindowTextColor = 0x80000008u;
    static inline const QString kDefaultCaption = QStringLiteral("Label1");
    static inline const QString kInvalidPropertyValue = QStringLiteral("Invalid property value");
    // Colours as stored, &H00BBGGRR.
    static constexpr quint32 kNormalFill = 0x00C0E0FFu;
    static constexpr quint32 kNormalBorder = 0x0080C0FFu;
    static constexpr quint32 kFocusedFill = 0x0080C0FFu;
    static constexpr quint32 kFocusedBorder = 0x000080FFu;

    explicit LumButton(QWidget* parent = nullptr);
    ~LumButton() override;

    QFont Font() const;
    // Takes effect on the caption at once; the caption is placed again only at the next resize.
    void SetFont(const QFont& font);
    uint ForeColor() const;
    bool SetForeColor(uint value);
    bool HoverOn() const { return mHoverOn; }
    void SetHoverOn(bool on);
    // The caption's own enabled state.
    bool Enabled() const;
    // Enables or disables both the caption and the control.
    void SetEnabled(bool on);
    int BorderWidth() const;
    bool SetBorderWidth(int width);
    int Alignment() const;
    bool SetAlignment(int alignment);
    QString Caption() const;
    void SetCaption(const QString& caption);

    // Hide or show the frame and caption only; the control keeps its place, size, enabled state and focus.
    void Hide();
    void Show();

    // Applies the stored properties (defaults for missing names). A stored value that is refused leaves that
    // property at its default; the result is then false and LastError() names the property.
    bool ReadProperties(const PropertyBag& bag);
    // Stores the properties that differ from their defaults.
    void WriteProperties(PropertyBag& bag) const;

    QString LastError() const { return mLastError; }
    // The font a caption takes when none is stored: the host's (parent's) font.
    QFont AmbientFont() const;
    QColor FrameFillColor() const;
    QColor FrameBorderColor() const;
    // The caption's text colour as drawn when enabled.
    QColor CaptionColor() const;

    QSize sizeHint() const override;

Q_SIGNALS:
    void Click();
    // Emitted with the property's own name after every successful let or set, so a designer host saves it.
    void propertyChanged(const QString& name);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void LayOut();
    void SetLook(bool focused);
    bool Refuse();

    lumbutton_detail::FrameShape* mFrame;
    lumbutton_detail::CaptionLabel* mCaption;
    bool mHoverOn = true;
    bool mPressed = false;
    QString mLastError;
};

} // namespace moldrin
