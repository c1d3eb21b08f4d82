// The list windows' rows: a fixed height, and the text drawn from the row's top edge, so a font taller
// than the row loses the bottom of its descenders, never the top of its glyphs.

#include "app/Unit1.h"
#include "forms/Unit3.h"
#include "forms/Unit4.h"
#include "forms/Unit5.h"
#include "widgets/Fonts.h"
#include "widgets/ListRowDelegate.h"

#include <QListView>
#include <QListWidget>
#include <QPainter>
#include <QStringListModel>
#include <QTest>

#include <memory>

using namespace linnery;

class ListRowsTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { installFontSubstitutes(); }

    void everyListUsesTheSharedRows() {
        TForm1 form1;
        TForm3 form3;
        TForm4 form4;
        TForm5 form5;
        const struct {
            QAbstractItemView* list;
            int height;
        } lists[] = {{form1.ListBox1, 16}, {form3.ListBox1, 16}, {form4.ListBox1, 13}, {form5.ListBox1, 16}};
        for (const auto& [list, height] : lists) {
            auto* delegate = qobject_cast<ListRowDelegate*>(list->itemDelegate());
            QVERIFY2(delegate, qPrintable(list->window()->objectName()));
            QCOMPARE(delegate->sizeHint(QStyleOptionViewItem(), QModelIndex()).height(), height);
        }
    }

    void textStartsAtTheRowTop_data() {
        QTest::addColumn<int>("fontPixels");
        QTest::addColumn<int>("rowHeight");
        QTest::newRow("document list") << 16 << 16;
        QTest::newRow("report list") << 13 << 13;
        QTest::newRow("row far shorter than the font") << 16 << 10;
    }

    void textStartsAtTheRowTop() {
        QFETCH(int, fontPixels);
        QFETCH(int, rowHeight);
        // Kanji fill the font's height; a dakuten reaches its top, g its bottom.
        const QString text = QStringLiteral("置換前ごg");
        QStringListModel model({text});
        QListView view;
        view.setModel(&model);
        view.setFont(msGothic(fontPixels));
        ListRowDelegate delegate(rowHeight, &view);

        QStyleOptionViewItem option;
        option.initFrom(&view);
        option.font = view.font();
        option.state = QStyle::State_Enabled | QStyle::State_Active;
        QImage drawn(200, rowHeight, QImage::Format_RGB32);
        const QColor base = option.palette.color(QPalette::Base);
        drawn.fill(base);
        option.rect = drawn.rect();
        QPainter painter(&drawn);
        delegate.paint(&painter, option, model.index(0));
        painter.end();

        // The text as a plain list box puts it: baseline at the font's ascent below the row's top.
        QImage expected(drawn.size(), drawn.format());
        expected.fill(base);
        painter.begin(&expected);
        painter.setFont(view.font());
        painter.setPen(option.palette.color(QPalette::Text));
        painter.drawText(QPoint(ListRowDelegate::kTextIndent, QFontMetrics(view.font()).ascent()), text);
        painter.end();
        QCOMPARE(drawn, expected);
    }
};

QTEST_MAIN(ListRowsTest)
#include "ListRowsTest.moc"
