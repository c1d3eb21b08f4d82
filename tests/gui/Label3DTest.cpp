// The 3D label, offscreen: defaults, writers and their couplings, loading, errors, and what it paints.

#include "widgets/Label3D.h"
#include "core/Label3DGeometry.h"
#include "core/LineError.h"
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

// Opens the drawing step to the tests.
class Probe : public TLabel3D {
  public:
    using TLabel3D::DrawLabelText;
    using TLabel3D::FlagWord;
    using TLabel3D::TLabel3D;
};

const QColor kText(0, 0, 0), kEffect(255, 0, 0), kLight(0, 160, 0), kDark(0, 0, 128), kBase(250, 250, 200);

QPalette testPalette() {
    QPalette p;
    p.setColor(QPalette::WindowText, kText);
    p.setColor(QPalette::Light, kLight);
    p.setColor(QPalette::Dark, kDark);
    p.setColor(QPalette::Base, kBase);
    return p;
}

// One-pixel strokes without smoothing, so a copy shifted by one pixel never hides inside another.
QFont thinFont() {
    QFont f = msPGothic(14);
    f.setStyleStrategy(QFont::NoAntialias);
    return f;
}

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

QString message(const std::exception& e) {
    return fromCodePage(e.what());
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
        const std::pair<QObject*, std::pair<const char*, QVariant>> expected[] = {
            {&label, {"About", QStringLiteral("TLabel3D|3.20|99/02/20")}},
            {&label, {"Alignment", "taLeftJustify"}},
            {&label, {"Angle", 0}},
            {&label, {"AutoSize", true}},
            {&label, {"Caption", QString()}},
            {&label, {"Color", 0x80000005u}},
            {&label, {"Layout", "tlCenter"}},
            {&label, {"ParentColor", true}},
            {&label, {"ParentFont", true}},
            {&label, {"ShowAccelChar", true}},
            {&label, {"Transparent", false}},
            {&label, {"WordWrap", false}},
            {label.Font3D(), {"Style", "fsLowered"}},
            {label.Font3D(), {"Depth", 1}},
            {label.Font3D(), {"Color", 0x80000014u}},
            {label.BorderStyle(), {"Shape", "lbNone"}},
            {label.BorderStyle(), {"EdgeDepth", 10}},
            {label.BorderStyle(), {"Color", 0x80000010u}},
            {label.BorderStyle(), {"Width", 1}},
        };
        for (const auto& [object, property] : expected) {
            const QVariant value = object->property(property.first);
            QVERIFY2(value.isValid(), property.first);
            QVERIFY2(value.toString() == property.second.toString(), property.first);
        }
        QCOMPARE(label.property("Font3D").value<TFont3D*>(), label.Font3D());
        const QMetaObject* meta = label.metaObject();
        QVERIFY(!meta->property(meta->indexOfProperty("About")).isStored());
    }

    void writersCallOnChangeOnlyForCaptionAndFont() {
        struct Case {
            const char* name;
            std::function<void(QWidget&, TLabel3D&)> act;
            int calls;
            bool parentFont;
        };
        const Case cases[] = {
            {"caption", [](QWidget&, TLabel3D& l) { l.setCaption(QStringLiteral("xyz")); }, 1, true},
            {"same caption", [](QWidget&, TLabel3D& l) { l.setCaption(QStringLiteral("Ab")); }, 0, true},
            {"own font", [](QWidget&, TLabel3D& l) { l.setFont(msPGothic(20)); }, 1, false},
            {"container font", [](QWidget& p, TLabel3D&) { p.setFont(msPGothic(20)); }, 1, true},
            {"Font3D.Style", [](QWidget&, TLabel3D& l) { l.Font3D()->setStyle(fsRaised); }, 1, false},
            {"Font3D.Depth", [](QWidget&, TLabel3D& l) { l.Font3D()->setDepth(4); }, 1, false},
            {"Font3D.Color", [](QWidget&, TLabel3D& l) { l.Font3D()->setColor(0xFF); }, 1, false},
            {"Font3D unchanged", [](QWidget&, TLabel3D& l) { l.Font3D()->setStyle(fsLowered); }, 0, true},
            {"Angle", [](QWidget&, TLabel3D& l) { l.setAngle(90); }, 0, true},
            {"BorderStyle.Shape", [](QWidget&, TLabel3D& l) { l.BorderStyle()->setShape(lbCircle); }, 0,
             true},
            {"BorderStyle.Width", [](QWidget&, TLabel3D& l) { l.BorderStyle()->setWidth(3); }, 0, true},
            {"Font3D writer",
             [](QWidget&, TLabel3D& l) {
                 TFont3D other;
                 other.setDepth(6);
                 l.setFont3D(&other);
             },
             0, true},
            {"Layout", [](QWidget&, TLabel3D& l) { l.setLayout(tlBottom); }, 0, true},
        };
        for (const Case& c : cases) {
            QWidget parent;
            TLabel3D label(&parent);
            label.setCaption(QStringLiteral("Ab"));
            QList<QObject*> senders;
            label.OnChange = [&](QObject* sender) { senders << sender; };
            c.act(parent, label);
            QVERIFY2(senders.size() == c.calls, c.name);
            QVERIFY2(senders.count(&label) == c.calls, c.name); // the label is the sender, also for Font3D
            QVERIFY2(label.ParentFont() == c.parentFont, c.name);
        }
    }

    void couplingsAndSizes() {
        QWidget parent;
        Probe label(&parent);
        label.move(7, 9);
        label.setCaption(QStringLiteral("縦書きの説明"));
        const QRect block =
            QFontMetrics(label.font()).boundingRect(QRect(0, 0, 1000, 0), label.FlagWord(), label.Caption());
        QCOMPARE(label.geometry(), QRect(7, 9, block.width(), block.height()));
        label.setAngle(90);
        QCOMPARE(label.geometry(), QRect(7, 9, block.height(), block.width()));
        label.setAngle(450);
        QCOMPARE(label.Angle(), 0);
        label.Font3D()->setDepth(3); // half the depth is added
        QCOMPARE(label.size(), QSize(block.width() + 1, block.height() + 1));
        TFont3D deep;
        deep.setDepth(9);
        label.setFont3D(&deep); // copied, but no size adjustment
        QCOMPARE(label.Font3D()->Depth(), 9);
        QCOMPARE(label.size(), QSize(block.width() + 1, block.height() + 1));

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
        QCOMPARE(label.BorderStyle()->Shape(), lbRoundRect);
        QCOMPARE(label.BorderStyle()->EdgeDepth(), 4);
        QCOMPARE(label.BorderStyle()->Color(), 0x123456u);
        QCOMPARE(label.BorderStyle()->Width(), 1); // the pen width is not copied
    }

    void copyFromOtherClassesFails() {
        TFont3D font3D;
        TLabelBorderStyle border;
        QWidget stranger;
        font3D.setDepth(5);
        const std::tuple<const char*, std::function<void()>, QString> cases[] = {
            {"nil", [&] { font3D.CopyFrom(nullptr); },
             QStringLiteral("nil を TFont3D に代入することはできません")},
            {"border", [&] { font3D.CopyFrom(&border); },
             QStringLiteral("TLabelBorderStyle を TFont3D に代入することはできません")},
            {"widget", [&] { border.CopyFrom(&stranger); },
             QStringLiteral("QWidget を TLabelBorderStyle に代入することはできません")},
        };
        for (const auto& [name, act, expected] : cases) {
            try {
                act();
                QFAIL(name);
            } catch (const LineError& e) {
                QCOMPARE(message(e), expected);
            }
        }
        QCOMPARE(font3D.Depth(), 5);
    }

    void loadingSizesOnceAfterwards() {
        QWidget parent;
        for (const TAlignment alignment : {taLeftJustify, taRightJustify}) {
            Probe label(&parent);
            label.BeginLoading();
            label.setGeometry(100, 5, 200, 30);
            label.setAlignment(alignment);
            label.setCaption(QStringLiteral("abc"));
            label.setFont(msPGothic(20));
            label.setWordWrap(true);
            QCOMPARE(label.geometry(), QRect(100, 5, 200, 30));
            label.AfterLoading();
            const QRect block =
                QFontMetrics(label.font())
                    .boundingRect(QRect(0, 0, 200, 0), label.FlagWord(), QStringLiteral("abc"));
            QCOMPARE(label.size(), block.size());
            // A right-justified label grows and shrinks to the left.
            QCOMPARE(label.x(), alignment == taRightJustify ? 300 - block.width() : 100);
        }
    }

    void noContainerError() {
        TLabel3D label;
        label.setObjectName(QStringLiteral("Label9"));
        label.BeginLoading();
        label.setCaption(QStringLiteral("abc")); // nothing is measured while loading
        try {
            label.AfterLoading();
            QFAIL("no error");
        } catch (const LineError& e) {
            QCOMPARE(message(e), QStringLiteral("ｺﾝﾄﾛｰﾙ 'Label9' は親ｳｨﾝﾄﾞｳを持っていません"));
        }
        QVERIFY_THROWS_EXCEPTION(LineError, label.setAngle(90));
        QCOMPARE(label.Angle(), 90); // the value stays, the size does not change
        QCOMPARE(label.size(), QSize(65, 17));
        label.setLayout(tlTop); // AutoSize off: nothing to measure, no error
        label.setAngle(180);
        QCOMPARE(label.Angle(), 180);
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

    void systemColoursComeFromThePalette() {
        const QPalette p = testPalette();
        const std::pair<TColor, QColor> cases[] = {
            {clBtnHighlight, kLight},
            {clBtnShadow, kDark},
            {clWindow, kBase},
            {0x0000FF, QColor(255, 0, 0)},
            {0xFF8000, QColor(0, 128, 255)}, // RGB is stored as BGR
        };
        for (const auto& [value, colour] : cases)
            QCOMPARE(colorFromValue(value, p), colour);
    }

    // The effect copies, found as shifted copies of the plain text in a rendered image.
    void effectCopies() {
        struct Case {
            TFont3DStyle style;
            int depth;
            bool enabled;
            Pixels offsets;
        };
        const Case cases[] = {
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
        Probe label(&parent);
        label.setPalette(testPalette());
        label.setFont(thinFont());
        label.setCaption(QStringLiteral("T+ム"));
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

        for (const Case& c : cases) {
            label.setEnabled(c.enabled);
            label.Font3D()->setStyle(c.style);
            label.Font3D()->setDepth(c.depth);
            const QImage image = render();
            const QColor text = c.enabled ? kText : kDark, effect = c.enabled ? kEffect : kLight;
            const Pixels drawnText = pixelsOf(image, text), copies = pixelsOf(image, effect);
            QCOMPARE(drawnText, plain); // the text sits unshifted, on top of its copies
            Pixels found, covered;
            for (int dy = -4; dy <= 4; ++dy)
                for (int dx = -4; dx <= 4; ++dx) {
                    bool whole = dx || dy;
                    for (auto [x, y] : plain)
                        whole =
                            whole && (drawnText.count({x + dx, y + dy}) || copies.count({x + dx, y + dy}));
                    if (whole)
                        found.insert({dx, dy});
                }
            QCOMPARE(found, c.offsets);
            for (auto [dx, dy] : c.offsets)
                for (auto [x, y] : plain)
                    covered.insert({x + dx, y + dy});
            for (const auto& pixel : copies)
                QVERIFY(covered.count(pixel)); // no stray copy anywhere else
        }
    }

    void backgroundAndBorder() {
        struct Case {
            bool transparent;
            TLabelBorderShape shape;
            QColor corner, topMiddle;
        };
        const QColor white(255, 255, 255), blue(0, 0, 255), magenta(255, 0, 255);
        const Case cases[] = {
            {false, lbNone, white, white},         {false, lbRectangle, blue, blue},
            {false, lbCircle, white, blue},        {false, lbRoundRect, white, blue},
            {true, lbRectangle, magenta, magenta},
        };
        QWidget parent;
        TLabel3D label(&parent);
        label.setAutoSize(false);
        label.resize(100, 60);
        label.setColor(0xFFFFFF);
        label.BorderStyle()->setColor(0xFF0000);
        for (const Case& c : cases) {
            label.setTransparent(c.transparent);
            label.BorderStyle()->setShape(c.shape);
            QImage image(label.size(), QImage::Format_RGB32);
            image.fill(magenta);
            label.render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
            QCOMPARE(image.pixelColor(0, 0), c.corner);
            QCOMPARE(image.pixelColor(50, 0), c.topMiddle);
            QCOMPARE(image.pixelColor(50, 30), c.transparent ? magenta : white);
        }
    }

    // Rotated, the text is the upright rendering turned counter-clockwise, whole inside the label.
    void rotatedTextFillsTheLabel() {
        QWidget parent;
        TLabel3D label(&parent);
        label.setPalette(testPalette());
        label.setFont(thinFont());
        label.Font3D()->setDepth(0);
        label.setCaption(QStringLiteral("上のボタン"));
        const auto ink = [&] {
            QImage image(label.size(), QImage::Format_RGB32);
            label.render(&image);
            return pixelsOf(image, kText);
        };
        const Pixels upright = ink();
        // How much of the upright text, turned by `turn` degrees, the drawn pixels cover.
        const auto overlap = [&](const Pixels& drawn, int turn) {
            const QTransform t = QTransform().rotate(-turn);
            Pixels expected;
            for (auto [x, y] : upright) {
                const QPoint p = t.map(QPoint(x, y));
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
            const int right = overlap(drawn, angle), wrong = overlap(drawn, angle + 180);
            QVERIFY2(right >= 60 && wrong < 40, qPrintable(QString::number(angle)));
        }
    }
};

QTEST_MAIN(Label3DTest)
#include "Label3DTest.moc"
