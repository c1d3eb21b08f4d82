#pragma once

#include "widgets/ColorValue.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>

class QPainter;

namespace linnery {

// Called after a setting changed; the sender is the object whose setting it was.
using TNotifyEvent = std::function<void(QObject* sender)>;

// What the label's two settings objects share: a change callback, and a copy that accepts only its
// own kind of object.
class TLabelSettings : public QObject {
    Q_OBJECT
  public:
    // Replaced by whoever wants to hear about changes; the label installs its own handler.
    TNotifyEvent OnChange;

  protected:
    template <class T> void change(T& field, T value) {
        if (field == value)
            return;
        field = value;
        NotifyChange();
    }
    void NotifyChange();
    // The source of a copy, when it is of the copying class; otherwise the conversion error
    // "<source> を <target> に代入することはできません", where "nil" names a missing source.
    template <class T> const T& sameKind(const QObject* source) const {
        if (const T* same = qobject_cast<const T*>(source))
            return *same;
        conversionError(source);
    }
    [[noreturn]] void conversionError(const QObject* source) const;
};

// The 3D effect: copies of the text in `Color`, offset along the diagonal by up to `Depth` pixels.
class TFont3D : public TLabelSettings {
    Q_OBJECT
    Q_PROPERTY(TFont3DStyle Style READ Style WRITE setStyle)
    Q_PROPERTY(int Depth READ Depth WRITE setDepth)
    Q_PROPERTY(quint32 Color READ Color WRITE setColor)
  public:
    enum TFont3DStyle : std::uint8_t { fsNone, fsShadow, fsRaised, fsLowered };
    Q_ENUM(TFont3DStyle)

    TFont3DStyle Style() const { return style_; }
    std::uint8_t Depth() const { return depth_; }
    TColor Color() const { return color_; }
    void setStyle(TFont3DStyle value) { change(style_, value); }
    void setDepth(std::uint8_t value) { change(depth_, value); }
    void setColor(TColor value) { change(color_, value); }

    // Copies Color, Depth and Style from another TFont3D, without a change notification.
    void CopyFrom(const QObject* source);

  private:
    TColor color_ = clBtnHighlight;
    std::uint8_t depth_ = 1;
    TFont3DStyle style_ = fsLowered;
};

// The optional outline around the label.
class TLabelBorderStyle : public TLabelSettings {
    Q_OBJECT
    Q_PROPERTY(TLabelBorderShape Shape READ Shape WRITE setShape)
    Q_PROPERTY(int EdgeDepth READ EdgeDepth WRITE setEdgeDepth)
    Q_PROPERTY(quint32 Color READ Color WRITE setColor)
    Q_PROPERTY(qint32 Width READ Width WRITE setWidth)
  public:
    enum TLabelBorderShape : std::uint8_t { lbNone, lbRectangle, lbCircle, lbRoundRect };
    Q_ENUM(TLabelBorderShape)

    TLabelBorderShape Shape() const { return shape_; }
    std::uint8_t EdgeDepth() const { return edgeDepth_; } // corner ellipse of lbRoundRect, in pixels
    TColor Color() const { return color_; }
    std::int32_t Width() const { return width_; } // pen width
    void setShape(TLabelBorderShape value) { change(shape_, value); }
    void setEdgeDepth(std::uint8_t value) { change(edgeDepth_, value); }
    void setColor(TColor value) { change(color_, value); }
    void setWidth(std::int32_t value) { change(width_, value); }

    // Copies Shape, EdgeDepth and Color (not Width) from another TLabelBorderStyle, without notifying.
    void CopyFrom(const QObject* source);

  private:
    TLabelBorderShape shape_ = lbNone;
    std::uint8_t edgeDepth_ = 10;
    TColor color_ = clBtnShadow;
    std::int32_t width_ = 1;
};

using TFont3DStyle = TFont3D::TFont3DStyle;
using TLabelBorderShape = TLabelBorderStyle::TLabelBorderShape;
using enum TFont3D::TFont3DStyle;
using enum TLabelBorderStyle::TLabelBorderShape;

// A windowless label that draws its caption rotated by `Angle` degrees counter-clockwise, with an optional
// 3D effect and border, and that sizes itself to the rotated text's bounding box while AutoSize is on.
class TLabel3D : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString About READ About WRITE setAbout STORED false)
    Q_PROPERTY(TAlignment Alignment READ Alignment WRITE setAlignment)
    Q_PROPERTY(int Angle READ Angle WRITE setAngle)
    Q_PROPERTY(bool AutoSize READ AutoSize WRITE setAutoSize)
    Q_PROPERTY(QString Caption READ Caption WRITE setCaption)
    Q_PROPERTY(quint32 Color READ Color WRITE setColor)
    Q_PROPERTY(QWidget* FocusControl READ FocusControl WRITE setFocusControl)
    Q_PROPERTY(linnery::TFont3D* Font3D READ Font3D WRITE setFont3D)
    Q_PROPERTY(linnery::TLabelBorderStyle* BorderStyle READ BorderStyle WRITE setBorderStyle)
    Q_PROPERTY(TTextLayout Layout READ Layout WRITE setLayout)
    Q_PROPERTY(bool ParentColor READ ParentColor WRITE setParentColor)
    Q_PROPERTY(bool ParentFont READ ParentFont WRITE setParentFont)
    Q_PROPERTY(bool ShowAccelChar READ ShowAccelChar WRITE setShowAccelChar)
    Q_PROPERTY(bool Transparent READ Transparent WRITE setTransparent)
    Q_PROPERTY(bool WordWrap READ WordWrap WRITE setWordWrap)
  public:
    enum TTextLayout : std::uint8_t { tlTop, tlCenter, tlBottom };
    Q_ENUM(TTextLayout)
    enum TAlignment : std::uint8_t { taLeftJustify, taRightJustify, taCenter };
    Q_ENUM(TAlignment)

    explicit TLabel3D(QWidget* parent = nullptr);

    QString About() const { return about_; }
    TAlignment Alignment() const { return alignment_; }
    int Angle() const { return angle_; }
    bool AutoSize() const { return autoSize_; }
    QString Caption() const { return caption_; }
    TColor Color() const { return color_; } // the background while ParentColor is off
    QWidget* FocusControl() const { return focusControl_; }
    TFont3D* Font3D() const { return font3D_.get(); }
    TLabelBorderStyle* BorderStyle() const { return borderStyle_.get(); }
    TTextLayout Layout() const { return layout_; }
    bool ParentColor() const { return parentColor_; }
    bool ParentFont() const { return !testAttribute(Qt::WA_SetFont); }
    bool ShowAccelChar() const { return showAccelChar_; }
    bool Transparent() const { return transparent_; }
    bool WordWrap() const { return wordWrap_; }

    // The writers that size the label throw the no-container error when AutoSize is on and the label
    // has no parent; the new value is kept and the size is not.
    void setAbout(const QString& value) { about_ = value.left(255); }
    void setAlignment(TAlignment value);
    void setAngle(int value); // outside 0..359 becomes 0
    void setAutoSize(bool value);
    void setCaption(const QString& value);
    void setColor(TColor value);
    void setFocusControl(QWidget* value);
    void setFont3D(const TFont3D* value);
    void setBorderStyle(const TLabelBorderStyle* value);
    using QWidget::setLayout;
    void setLayout(TTextLayout value);
    void setParentColor(bool value);
    void setParentFont(bool value);
    void setShowAccelChar(bool value);
    void setTransparent(bool value);
    void setWordWrap(bool value);

    // A window building the label from its stored settings brackets the writers with these: in between
    // nothing is measured, and AfterLoading sizes the label once.
    void BeginLoading() { loading_ = true; }
    void AfterLoading();

    // Fits the label to the bounding box of the rotated text, keeping its top-left corner. Does nothing
    // unless AutoSize is on and the label is not loading.
    virtual void AdjustLabelBounds();

    // Called with the label as sender when the caption, the font or a 3D setting changed.
    TNotifyEvent OnChange;

  protected:
    // Draws the caption rotated, with its effect copies, so that the rotated text starts at `rect`'s
    // top-left corner; `rect` keeps the rotation shift. Without a painter nothing is drawn and `rect`
    // becomes the unrotated text block: its size is the text's extent as measured with `flags`.
    virtual void DrawLabelText(QPainter* painter, QRect& rect, int flags);
    int FlagWord() const;

    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;

  private:
    void PaintLabel(QPainter& painter);
    void drawBorder(QPainter& painter, const QColor& background);
    // A font handed down by the container keeps the label following it; any other change stops that.
    void LabelFontChanged(bool fromContainer = false);
    void BorderChanged() { update(); }
    void AdjustBounds();
    int textRun(const QRect& rect) const;
    void grabMnemonic();

    QString about_ = QStringLiteral("TLabel3D|3.20|99/02/20");
    QString caption_;
    TAlignment alignment_ = taLeftJustify;
    TTextLayout layout_ = tlCenter;
    int angle_ = 0;
    bool autoSize_ = true;
    bool showAccelChar_ = true;
    bool transparent_ = false;
    bool wordWrap_ = false;
    bool parentColor_ = true;
    TColor color_ = clWindow;
    bool loading_ = false;
    bool freezingFont_ = false;
    int mnemonicId_ = 0;
    QPointer<QWidget> focusControl_;
    // Destroyed border settings first, then the 3D settings, then the label.
    std::unique_ptr<TFont3D> font3D_;
    std::unique_ptr<TLabelBorderStyle> borderStyle_;
};

using TTextLayout = TLabel3D::TTextLayout;
using TAlignment = TLabel3D::TAlignment;
using enum TLabel3D::TTextLayout;
using enum TLabel3D::TAlignment;

} // namespace linnery
