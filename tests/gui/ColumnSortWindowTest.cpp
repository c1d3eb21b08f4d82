// The column sort window: its layout, the field list and when it asks for a sort.

#include "core/text/CodePage.h"
#include "forms/Unit5.h"
#include "widgets/Fonts.h"
#include "widgets/Label3D.h"

#include <QFontMetrics>
#include <QFrame>
#include <QListWidget>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

using linnery::TForm5;

namespace {
const linnery::CodePage utf8("utf-8");
} // namespace

class ColumnSortWindowTest : public QObject {
    Q_OBJECT

  private:
    static QPoint rowCentre(TForm5& form, int row) {
        return form.ListBox1->visualItemRect(form.ListBox1->item(row)).center();
    }

  private slots:
    void initTestCase() { linnery::installFontSubstitutes(); }

    void layout() {
        TForm5 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.objectName(), QStringLiteral("Form5"));
        QCOMPARE(form.windowTitle(), QStringLiteral("コンマ区切りデータのソート"));
        QCOMPARE(form.pos(), QPoint(263, 115));
        QCOMPARE(form.size(), QSize(696, 480));

        // The instruction reads top to bottom: the label is as wide as the text is high and as high as
        // the text is long, and the panel is as wide as the label with its margins.
        const linnery::TLabel3D* label = form.Label3D1;
        const QSize text = QFontMetrics(label->font()).boundingRect(QRect(), 0, label->Caption()).size();
        QCOMPARE(label->parentWidget(), form.Panel1);
        QCOMPARE(label->Angle(), 270);
        QCOMPARE(label->Font3D()->Depth(), 0);
        QCOMPARE(label->geometry(), QRect(2, 18, text.height(), text.width()));
        QVERIFY(label->height() > 10 * label->width());
        QCOMPARE(label->Caption(),
                 QStringLiteral("どの項目でソートするか選択したら、上のボタンをクリックしてください。"));
        QCOMPARE(label->font().family(), QStringLiteral("ＭＳ Ｐゴシック"));
        QCOMPARE(label->font().pixelSize(), 12);
        const int panel = label->width() + 4;
        QCOMPARE(form.Panel1->geometry(), QRect(0, 0, panel, form.height()));
        QCOMPARE(form.SpeedButton1->parentWidget(), form.Panel1);
        QCOMPARE(form.SpeedButton1->geometry(), QRect(0, 0, 17, 16));
        QCOMPARE(form.SpeedButton1->text(), QStringLiteral("▽"));

        // The field list takes the rest of the client area, also after a resize.
        QCOMPARE(form.ListBox1->geometry(), QRect(panel, 0, 696 - panel, 480));
        form.resize(500, 300);
        QTRY_COMPARE(form.ListBox1->geometry(), QRect(panel, 0, 500 - panel, 300));
        QCOMPARE(form.Panel1->height(), 300);
        QCOMPARE(form.ListBox1->font().family(), QStringLiteral("ＭＳ Ｐゴシック"));
        QCOMPARE(form.ListBox1->font().pixelSize(), 16);
        QCOMPARE(form.ListBox1->selectionMode(), QAbstractItemView::SingleSelection);
    }

    void setFieldsReplacesAndChoosesNothing() {
        TForm5 form;
        form.show();
        form.setFields({"a", "b", "c"}, utf8);
        form.ListBox1->setCurrentRow(2);
        form.setFields({"name", "", "age"}, utf8);
        QCOMPARE(form.ListBox1->count(), 3);
        QCOMPARE(form.ListBox1->item(0)->text(), QStringLiteral("name"));
        QCOMPARE(form.ListBox1->item(1)->text(), QString());
        QCOMPARE(form.ListBox1->currentRow(), -1);
        QVERIFY(form.ListBox1->selectedItems().isEmpty());
        QCOMPARE(form.ListBox1->visualItemRect(form.ListBox1->item(0)).height(), 16);

        form.setFields({"\x95\x5c", "\x83\x5c"}, linnery::CodePage("cp932"));
        QCOMPARE(form.ListBox1->item(0)->text(), QStringLiteral("表"));
        QCOMPARE(form.ListBox1->item(1)->text(), QStringLiteral("ソ"));
    }

    void buttonSortsOnlyWithAChosenField() {
        TForm5 form;
        form.show();
        QSignalSpy spy(&form, &TForm5::sortRequested);
        form.setFields({}, utf8);
        QTest::mouseClick(form.SpeedButton1, Qt::LeftButton);
        form.setFields({"x", "y", "z"}, utf8);
        QTest::mouseClick(form.SpeedButton1, Qt::LeftButton);
        QCOMPARE(spy.count(), 0);
        QVERIFY(form.isVisible()); // nothing chosen: the window stays open

        form.ListBox1->setCurrentRow(1);
        QTest::mouseClick(form.SpeedButton1, Qt::LeftButton);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toInt(), 1);
    }

    void doubleClickSortsAtOnce() {
        TForm5 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.setFields({"x", "y", "z"}, utf8);
        QSignalSpy spy(&form, &TForm5::sortRequested);
        // A double-click starts with a plain click, which only chooses the field.
        QTest::mouseClick(form.ListBox1->viewport(), Qt::LeftButton, {}, rowCentre(form, 2));
        QCOMPARE(spy.count(), 0);
        QTest::mouseDClick(form.ListBox1->viewport(), Qt::LeftButton, {}, rowCentre(form, 2));
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toInt(), 2);
    }
};

QTEST_MAIN(ColumnSortWindowTest)
#include "ColumnSortWindowTest.moc"
