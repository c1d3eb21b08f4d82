#include "widgets/Label3D.h"

#include "core/geometry/Label3DGeometry.h"
#include "core/lines/LineError.h"
#include "widgets/Dialogs.h"
#include "widgets/TextCodec.h"

#include <QEvent>
#include <QFontMetrics>
#include <QKeySequence>
#include <QPainter>

#include <algorithm>
#include <cstdlib>

namespace linnery {

void TLabelSettings::NotifyChange() {
    if (OnChange)
        OnChange(this);
}

void TLabelSettings::conversionError(const QObject* source) const {
    const auto name = [](const QObject* object) {
        if (!object)
            return QStringLiteral("nil");
        const QString full = QString::fromLatin1(object->metaObject()->className());
        return full.mid(full.lastIndexOf(QLatin1Char(':')) + 1); // without the namespace
    };
    throw LineError(
        QStringLiteral("%1 を %2 に代入することはできません").arg(name(source), name(this)).toStdString());
}

void TFont3D::CopyFrom(const QObject* source) {
    const TFont3D& other = sameKind<TFont3D>(source);
    color_ = other.color_;
    depth_ = other.depth_;
    style_ = other.style_;
}

void TLabelBorderStyle::CopyFrom(const QObject* source) {
    const TLabelBorderStyle& other = sameKind<TLabelBorderStyle>(source);
    shape_ = other.shape_;
    edgeDepth_ = other.edgeDepth_;
    color_ = other.color_;
}

TLabel3D::TLabel3D(QWidget* parent)
    : QWidget(parent), font3D_(std::make_unique<TFont3D>()),
      borderStyle_(std::make_unique<TLabelBorderStyle>()) {
    resize(65, 17);
    font3D_->OnChange = [this](QObject*) { LabelFontChanged(); };
    borderStyle_->OnChange = [this](QObject*) { BorderChanged(); };
}

void TLabel3D::setAlignment(TAlignment value) {
    alignment_ = value;
    update();
}

void TLabel3D::setAngle(int value) {
    value = normalizedLabelAngle(value);
    if (value == angle_)
        return;
    angle_ = value;
    AdjustLabelBounds();
    update();
}

void TLabel3D::setAutoSize(bool value) {
    if (autoSize_ != value) {
        autoSize_ = value;
        AdjustBounds();
    }
    if (autoSize_)
        setLayout(tlCenter);
    AdjustLabelBounds();
    update();
}

void TLabel3D::setCaption(const QString& value) {
    if (value == caption_)
        return;
    caption_ = value;
    grabMnemonic();
    AdjustLabelBounds();
    update();
    if (OnChange)
        OnChange(this);
}

void TLabel3D::setColor(TColor value) {
    color_ = value;
    parentColor_ = false;
    update();
}

void TLabel3D::setFocusControl(QWidget* value) {
    focusControl_ = value;
    grabMnemonic();
}

void TLabel3D::setFont3D(const TFont3D* value) {
    if (value == font3D_.get())
        return;
    font3D_->CopyFrom(value);
    update();
}

void TLabel3D::setBorderStyle(const TLabelBorderStyle* value) {
    borderStyle_->CopyFrom(value);
    update(); // a copy does not notify, and the old border must not stay on screen
}

void TLabel3D::setLayout(TTextLayout value) {
    if (value != layout_) {
        layout_ = value;
        update();
    }
    if (layout_ != tlCenter && autoSize_)
        setAutoSize(false);
}

void TLabel3D::setParentColor(bool value) {
    parentColor_ = value;
    update();
}

void TLabel3D::setParentFont(bool value) {
    if (value) {
        if (!ParentFont())
            setFont(QFont()); // follow the container again
        return;
    }
    // Every attribute of the current font becomes the label's own, so later changes of the container's
    // font pass the label by.
    QFont own = font();
    if (!ParentFont() && own.resolveMask() == QFont::AllPropertiesResolved)
        return;
    own.setResolveMask(QFont::AllPropertiesResolved);
    freezingFont_ = true;
    setFont(own);
    freezingFont_ = false;
}

void TLabel3D::setShowAccelChar(bool value) {
    showAccelChar_ = value;
    grabMnemonic();
    update();
}

void TLabel3D::setTransparent(bool value) {
    transparent_ = value;
    update();
}

void TLabel3D::setWordWrap(bool value) {
    if (value == wordWrap_)
        return;
    wordWrap_ = value;
    AdjustBounds();
    update();
}

void TLabel3D::AfterLoading() {
    loading_ = false;
    AdjustBounds();
}

// The size adjustment after AutoSize, WordWrap or loading: a right-justified label keeps its right edge.
void TLabel3D::AdjustBounds() {
    if (loading_ || !autoSize_)
        return;
    const int right = x() + width();
    AdjustLabelBounds();
    if (alignment_ == taRightJustify)
        move(right - width(), y());
}

void TLabel3D::AdjustLabelBounds() {
    if (!autoSize_ || loading_)
        return;
    if (!parentWidget())
        throw LineError(
            QStringLiteral("ｺﾝﾄﾛｰﾙ '%1' は親ｳｨﾝﾄﾞｳを持っていません").arg(objectName()).toStdString());
    QRect block = rect();
    DrawLabelText(nullptr, block, FlagWord());
    const RotatedTextGeometry g =
        rotatedTextGeometry(angle_, block.width(), block.height(), font3D_->Depth());
    if (g.width != width() || g.height != height())
        setGeometry(x(), y(), g.width, g.height);
}

void TLabel3D::LabelFontChanged(bool fromContainer) {
    if (!fromContainer)
        setParentFont(false);
    AdjustLabelBounds();
    update();
    if (OnChange)
        OnChange(this);
}

int TLabel3D::FlagWord() const {
    const int alignment = alignment_ == taRightJustify ? Qt::AlignRight
                          : alignment_ == taCenter     ? Qt::AlignHCenter
                                                       : Qt::AlignLeft;
    return Qt::TextExpandTabs | Qt::TextDontClip | Qt::AlignTop | alignment |
           (wordWrap_ ? Qt::TextWordWrap : 0) | (showAccelChar_ ? Qt::TextShowMnemonic : 0);
}

// The label's extent along the direction the text runs: wrapping and alignment work within it.
int TLabel3D::textRun(const QRect& rect) const {
    const int a = angle_ % 180;
    return a > 45 && a < 135 ? rect.height() : rect.width();
}

void TLabel3D::DrawLabelText(QPainter* painter, QRect& rect, int flags) {
    const int run = textRun(rect);
    const QRect block = QFontMetrics(font()).boundingRect(QRect(0, 0, run, 0), flags, caption_);
    const int w = block.width(), h = block.height();

    QColor text = palette().color(foregroundRole());
    QColor effect = colorFromValue(font3D_->Color(), palette());
    int d = 1;
    const TFont3DStyle style = font3D_->Style();
    if (!isEnabled()) {
        effect = colorFromValue(clBtnHighlight, palette());
        text = colorFromValue(clBtnShadow, palette());
    } else if (style == fsShadow || style == fsLowered) {
        d = font3D_->Depth();
    } else if (style == fsRaised) {
        d = -font3D_->Depth();
    }

    const RotatedTextGeometry g = rotatedTextGeometry(angle_, w, h, 0);
    rect.translate(g.shiftX, g.shiftY);
    if (!painter) {
        rect.setSize(QSize(w, h));
        return;
    }
    const auto draw = [&](int offset, const QColor& colour) {
        painter->save();
        painter->setFont(font());
        painter->translate(rect.topLeft() + QPoint(offset, offset));
        painter->rotate(-angle_);
        painter->setPen(colour);
        painter->drawText(QRect(0, 0, run, h), flags, caption_);
        painter->restore();
    };
    // Lowered copies go down and right, raised ones up and left, nearest first; the text goes on top.
    if (style == fsRaised || style == fsLowered)
        for (int k = 1; k <= std::abs(d); ++k)
            draw(d > 0 ? k : -k, effect);
    else if (style == fsShadow)
        draw(d, effect);
    draw(0, text);
}

void TLabel3D::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    PaintLabel(painter);
}

void TLabel3D::PaintLabel(QPainter& painter) {
    if (!transparent_) {
        const QColor background =
            parentColor_ ? palette().color(QPalette::Window) : colorFromValue(color_, palette());
        painter.fillRect(rect(), background);
        drawBorder(painter, background);
    }
    QRect r = rect();
    if (!autoSize_ && layout_ == tlBottom) {
        QRect block = r;
        DrawLabelText(nullptr, block, FlagWord());
        r.translate(0, height() - rotatedTextGeometry(angle_, block.width(), block.height(), 0).height);
    }
    DrawLabelText(&painter, r, FlagWord());
}

void TLabel3D::drawBorder(QPainter& painter, const QColor& background) {
    const TLabelBorderStyle& border = *borderStyle_;
    if (border.Shape() == lbNone)
        return;
    const int penWidth = std::max(0, border.Width());
    painter.setPen(QPen(colorFromValue(border.Color(), palette()), penWidth));
    painter.setBrush(background);
    // Inset by half the pen so the whole outline stays inside the label.
    const qreal inset = std::max(penWidth, 1) / 2.0;
    const QRectF box = QRectF(rect()).adjusted(inset, inset, -inset, -inset);
    switch (border.Shape()) {
    case lbRectangle:
        painter.drawRect(box);
        break;
    case lbCircle:
        painter.drawEllipse(box);
        break;
    case lbRoundRect:
        painter.drawRoundedRect(box, border.EdgeDepth() / 2.0, border.EdgeDepth() / 2.0);
        break;
    case lbNone:
        break;
    }
}

void TLabel3D::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::FontChange || freezingFont_)
        return;
    // Errors cannot travel through Qt's event delivery; they go to the error box here.
    try {
        LabelFontChanged(ParentFont());
    } catch (const std::exception& error) {
        reportError(error);
    }
}

void TLabel3D::grabMnemonic() {
    if (mnemonicId_)
        releaseShortcut(mnemonicId_);
    mnemonicId_ = 0;
    const QKeySequence key = QKeySequence::mnemonic(caption_);
    if (focusControl_ && showAccelChar_ && !key.isEmpty())
        mnemonicId_ = grabShortcut(key);
}

bool TLabel3D::event(QEvent* event) {
    if (event->type() == QEvent::Shortcut && focusControl_) {
        focusControl_->setFocus(Qt::ShortcutFocusReason);
        return true;
    }
    return QWidget::event(event);
}

} // namespace linnery
