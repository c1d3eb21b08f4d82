// The 3D label, offscreen: defaults, writers and their couplings, loading, errors, and what it paints.

#include "widgets/Label3D.h"
#include "core/lines/LineError.h"
#include "widgets/Fonts.h"
#include "widgets/TextCodec.h"

#include <QLineEdit>
#include <QPainter>
#include <QtTest>

#include <functional>
#include <set>
#include <utility>

using namespace linnery;

namespace {

const QColor kText(0, 0, 0), kEffect(255, 0, 0), kLight(0, 160, 0), kDark(0, 0, 128), kBase(250, 250, 200);

// A label in a container, in colours the tests tell apart, drawn with one-pixel strokes and no smoothing
// so that a copy shifted by one pixel never hides inside another.
class Probe : public TLabel3D {
  public:
    using TLabel3D::DrawLabelText;
    using TLabel3D::FlagWord;

    explicit Probe(QWidget* parent, const QString& caption) : TLabel3D(parent) {
        QPalette p;
        for (auto [role, colour] : {std::pair{QPalette::WindowText, kText},
                                    {QPalette::Light, kLight},
                                    {QPalette::Dark, kDark},
                                    {QPalette::Base, kBase}})
            p.setColor(role, colour);
        setPalette(p);
        QFont f = msPGothic(14);
        f.setStyleStrategy(QFont::NoAntialias);
        setFont(f);
        setCaption(caption);
    }
    QSize block(int wrap = 1000) const {
        return QFontMetrics(font()).boundingRect(QRect(0, 0, wrap, 0), FlagWord(), Caption()).size();
    }
};

using Pixels = std::set<std::pair<int, int>>;

Pixels pixelsOf(const QImage& image, const QColor& colour) {
    Pixels found;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) == colour)
                found.insert({x, y});
    return found;
}

QRect boundsOf(const Pixels& pixels) {
    QRect r;
    for (auto [x, y] : pixels)
        r |= QRect(x, y, 1, 1);
    return r;
}

QString errorOf(const std::function<void()>& act) {
    try {
        act();
    } catch (const LineError& e) {
        return QString::fromUtf8(e.what());
    }
    return {};
}

} // namespace

class Label3DTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { installFontSubstitutes(); }

    void defaultsAreQtProperties() {
        QWidget parent;
        TLabel3D label(&parent);
        QCOMPARE(label.size(), QSize(65, 17)); // until the first size adjustment
        const std::pair<QObject*, QStringList> expected[] = {
            {&label,
             {"About=TLabel3D|3.20|99/02/20", "Alignment=taLeftJustify", "Angle=0", "AutoSize=true",
              "Caption=", "Color=2147483653", "Layout=tlCenter", "ParentColor=true", "ParentFont=true",
              "ShowAccelChar=true", "Transparent=false", "WordWrap=false"}},
            {label.Font3D(), {"Style=fsLowered", "Depth=1", "Color=2147483668"}},
            {label.BorderStyle(), {"Shape=lbNone", "EdgeDepth=10", "Color=2147483664", "Width=1"}},
        };
        for (const auto& [object, properties] : expected)
            for (const QString& property : properties) {
                const QString name = property.section(QLatin1Char('='), 0, 0);
                QCOMPARE(name + QLatin1Char('=') + object->property(qPrintable(name)).toString(), property);
            }
        QCOMPARE(label.property("Font3D").value<TFont3D*>(), label.Font3D());
        QVERIFY(!label.metaObject()->property(label.metaObject()->indexOfProperty("About")).isStored());
    }

    void writersCallOnChangeOnlyForCaptionAndFont() {
        using Act = std::function<void(TLabel3D&)>;
        const std::tuple<const char*, Act, int, bool> cases[] = {
            // name, writer, OnChange calls, ParentFont afterwards
            {"caption", [](TLabel3D& l) { l.setCaption(QStringLiteral("xyz")); }, 1, true},
            {"same caption", [](TLabel3D& l) { l.setCaption(QStringLiteral("Ab")); }, 0, true},
            {"own font", [](TLabel3D& l) { l.setFont(msPGothic(20)); }, 1, false},
            {"container font", [](TLabel3D& l) { l.parentWidget()->setFont(msPGothic(20)); }, 1, true},
            {"Font3D.Style", [](TLabel3D& l) { l.Font3D()->setStyle(fsRaised); }, 1, false},
            {"Font3D.Depth", [](TLabel3D& l) { l.Font3D()->setDepth(4); }, 1, false},
            {"Font3D.Color", [](TLabel3D& l) { l.Font3D()->setColor(0xFF); }, 1, false},
            {"Font3D unchanged", [](TLabel3D& l) { l.Font3D()->setStyle(fsLowered); }, 0, true},
            {"Font3D writer", [](TLabel3D& l) { l.setFont3D(std::make_unique<TFont3D>().get()); }, 0, true},
            {"Angle", [](TLabel3D& l) { l.setAngle(90); }, 0, true},
            {"BorderStyle.Shape", [](TLabel3D& l) { l.BorderStyle()->setShape(lbCircle); }, 0, true},
            {"BorderStyle.Width", [](TLabel3D& l) { l.BorderStyle()->setWidth(3); }, 0, true},
            {"Layout", [](TLabel3D& l) { l.setLayout(tlBottom); }, 0, true},
        };
        for (const auto& [name, act, calls, parentFont] : cases) {
            QWidget parent;
            TLabel3D label(&parent);
            label.setCaption(QStringLiteral("Ab"));
            QList<QObject*> senders;
            label.OnChange = [&](QObject* sender) { senders << sender; };
            act(label);
            QVERIFY2(senders.size() == calls && senders.count(&label) == calls, name); // sender: the label
            QVERIFY2(label.ParentFont() == parentFont, name);
        }
    }

    void couplingsAndSizes() {
        QWidget parent;
        Probe label(&parent, QStringLiteral("縦書きの説明"));
        label.move(7, 9);
        const QSize block = label.block();
        QCOMPARE(label.geometry(), QRect(QPoint(7, 9), block));
        label.setAngle(90);
        QCOMPARE(label.geometry(), QRect(QPoint(7, 9), block.transposed()));
        label.setAngle(450);
        QCOMPARE(label.Angle(), 0);
        label.Font3D()->setDepth(3); // half the depth is added
        QCOMPARE(label.size(), block + QSize(1, 1));
        TFont3D deep;
        deep.setDepth(9);
        label.setFont3D(&deep); // copied, but no size adjustment
        QCOMPARE(label.Font3D()->Depth(), 9);
        QCOMPARE(label.size(), block + QSize(1, 1));

        label.setLayout(tlBottom);
        QVERIFY(!label.AutoSize());
        label.setAutoSize(true);
        QCOMPARE(label.Layout(), tlCenter);

        TLabelBorderStyle border;
        border.setShape(lbRoundRect);
        border.setEdgeDepth(4);
        border.setColor(0x123456);
        border.setWidth(3);
        label.setBorderStyle(&border);
        const TLabelBorderStyle& copy = *label.BorderStyle();
        QCOMPARE(std::tuple(copy.Shape(), copy.EdgeDepth(), copy.Color(), copy.Width()),
                 std::tuple(lbRoundRect, 4, 0x123456u, 1)); // the pen width is not copied
    }

    void loadingSizesOnceAfterwards() {
        QWidget parent;
        for (const TAlignment alignment : {taLeftJustify, taRightJustify}) {
            Probe label(&parent, QString());
            label.BeginLoading();
            label.setGeometry(100, 5, 200, 30);
            label.setAlignment(alignment);
            label.setCaption(QStringLiteral("abc def"));
            label.setWordWrap(true);
            QCOMPARE(label.geometry(), QRect(100, 5, 200, 30));
            label.AfterLoading();
            QCOMPARE(label.size(), label.block(200));
            // A right-justified label grows and shrinks to the left.
            QCOMPARE(label.x(), alignment == taRightJustify ? 300 - label.width() : 100);
        }
    }

    void errors() {
        TFont3D font3D;
        TLabelBorderStyle border;
        QWidget stranger;
        TLabel3D orphan;
        orphan.setObjectName(QStringLiteral("Label9"));
        font3D.setDepth(5);
        const std::pair<std::function<void()>, QString> cases[] = {
            {[&] { font3D.CopyFrom(nullptr); }, QStringLiteral("nil を TFont3D に代入することはできません")},
            {[&] { font3D.CopyFrom(&border); },
             QStringLiteral("TLabelBorderStyle を TFont3D に代入することはできません")},
            {[&] { border.CopyFrom(&stranger); },
             QStringLiteral("QWidget を TLabelBorderStyle に代入することはできません")},
            {[&] { orphan.setAngle(90); }, QStringLiteral("ｺﾝﾄﾛｰﾙ 'Label9' は親ｳｨﾝﾄﾞｳを持っていません")},
        };
        for (const auto& [act, expected] : cases)
            QCOMPARE(errorOf(act), expected);
        QCOMPARE(font3D.Depth(), 5);
        QCOMPARE(orphan.Angle(), 90); // the value stays, the size does not change
        QCOMPARE(orphan.size(), QSize(65, 17));
    }

    void mnemonicFocusesTheFocusControl() {
        QWidget window;
        auto* label = new TLabel3D(&window);
        auto* other = new QLineEdit(&window);
        auto* target = new QLineEdit(&window);
        label->setCaption(QStringLiteral("&Name"));
        label->setFocusControl(target);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        other->setFocus();
        QTest::keyClick(&window, Qt::Key_N, Qt::AltModifier);
        QTRY_VERIFY(target->hasFocus());
    }

    // The effect copies, found as shifted copies of the plain text in a rendered image.
    void effectCopies() {
        const std::tuple<TFont3DStyle, int, bool, Pixels> cases[] = {
            // style, depth, enabled, offsets of the copies
            {fsShadow, 3, true, {{3, 3}}},
            {fsRaised, 2, true, {{-1, -1}, {-2, -2}}},
            {fsLowered, 2, true, {{1, 1}, {2, 2}}},
            {fsLowered, 0, true, {}},
            {fsNone, 3, true, {}},
            {fsShadow, 3, false, {{1, 1}}},
            {fsRaised, 3, false, {{1, 1}}},
            {fsLowered, 3, false, {{1, 1}}},
            {fsNone, 3, false, {}},
        };
        QWidget parent;
        Probe label(&parent, QStringLiteral("T+ム"));
        label.Font3D()->setColor(0x0000FF);
        const auto render = [&] {
            QImage image(120, 60, QImage::Format_RGB32);
            image.fill(Qt::white);
            QPainter painter(&image);
            QRect r(20, 20, label.width(), label.height());
            label.DrawLabelText(&painter, r, label.FlagWord());
            return image;
        };
        label.Font3D()->setStyle(fsNone);
        const Pixels plain = pixelsOf(render(), kText);
        QVERIFY(plain.size() > 20);

        for (const auto& [style, depth, enabled, offsets] : cases) {
            label.setEnabled(enabled);
            label.Font3D()->setStyle(style);
            label.Font3D()->setDepth(depth);
            const QImage image = render();
            const Pixels text = pixelsOf(image, enabled ? kText : kDark);
            const Pixels copies = pixelsOf(image, enabled ? kEffect : kLight);
            Pixels shifted; // every copy is the plain text moved by its offset, under the text
            for (auto [dx, dy] : offsets)
                for (auto [x, y] : plain)
                    if (!plain.count({x + dx, y + dy}))
                        shifted.insert({x + dx, y + dy});
            QCOMPARE(text, plain);
            QCOMPARE(copies, shifted);
        }
    }

    // System colours come from the palette; RGB values are stored as BGR.
    void backgroundAndBorder() {
        const QColor back = kBase, blue(0, 0, 255), magenta(255, 0, 255);
        const std::tuple<bool, TLabelBorderShape, QColor, QColor> cases[] = {
            // transparent, shape, corner pixel, top middle pixel
            {false, lbNone, back, back},           {false, lbRectangle, blue, blue},
            {false, lbCircle, back, blue},         {false, lbRoundRect, back, blue},
            {true, lbRectangle, magenta, magenta},
        };
        QWidget parent;
        Probe label(&parent, QString());
        label.setAutoSize(false);
        label.resize(100, 60);
        label.setColor(clWindow);
        label.BorderStyle()->setColor(0xFF0000);
        for (const auto& [transparent, shape, corner, topMiddle] : cases) {
            label.setTransparent(transparent);
            label.BorderStyle()->setShape(shape);
            QImage image(label.size(), QImage::Format_RGB32);
            image.fill(magenta);
            label.render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
            QCOMPARE(image.pixelColor(0, 0), corner);
            QCOMPARE(image.pixelColor(50, 0), topMiddle);
            QCOMPARE(image.pixelColor(50, 30), transparent ? magenta : back);
        }
    }

    // Rotated, the text is the upright rendering turned counter-clockwise, whole inside the label.
    void rotatedTextFillsTheLabel() {
        QWidget parent;
        Probe label(&parent, QStringLiteral("上のボタン"));
        label.Font3D()->setDepth(0);
        const auto ink = [&] {
            QImage image(label.size(), QImage::Format_RGB32);
            label.render(&image);
            return pixelsOf(image, kText);
        };
        const Pixels upright = ink();
        // The share of the upright text, turned by `turn` degrees, that the drawn pixels cover.
        const auto overlap = [&](const Pixels& drawn, int turn) {
            Pixels expected;
            for (auto [x, y] : upright) {
                const QPoint p = QTransform().rotate(-turn).map(QPoint(x, y));
                expected.insert({p.x(), p.y()});
            }
            const QRect e = boundsOf(expected), d = boundsOf(drawn);
            int same = 0;
            for (auto [x, y] : expected)
                same += drawn.count({x - e.x() + d.x(), y - e.y() + d.y()});
            return same * 100 / int(expected.size());
        };
        for (const int angle : {90, 180, 270}) {
            label.setAngle(angle);
            const Pixels drawn = ink();
            QVERIFY(QRect(QPoint(), label.size()).contains(boundsOf(drawn)));
            // Glyph rasterisation differs a little once turned; the wrong turn matches far less.
            QVERIFY2(overlap(drawn, angle) >= 60 && overlap(drawn, angle + 180) < 40,
                     qPrintable(QString::number(angle)));
        }
    }
};

QTEST_MAIN(Label3DTest)
#include "Label3DTest.moc"
