// What a screen reader is told of the windows, read through Qt's accessibility interfaces: every
// control it meets has a name in the program's words, and the names leave what is drawn alone.

#include "widgets/Accessibility.h"
#include "app/Unit1.h"
#include "forms/Unit2.h"
#include "forms/Unit3.h"
#include "forms/Unit4.h"
#include "forms/Unit5.h"
#include "widgets/Label3D.h"
#include "widgets/LineListModel.h"
#include "widgets/TextEntryDialog.h"

#include <QAccessible>
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMenuBar>
#include <QTest>
#include <QToolButton>

using namespace linnery;

namespace {

QAccessibleInterface* accessible(QObject* object) {
    return QAccessible::queryAccessibleInterface(object);
}

// The children of the menu bar, as a screen reader walks them.
QList<QAccessibleInterface*> menuBarItems(TForm1& form) {
    QAccessibleInterface* bar = accessible(form.menuBar());
    QList<QAccessibleInterface*> items;
    for (int i = 0; bar && i < bar->childCount(); ++i)
        items << bar->child(i);
    return items;
}

} // namespace

class AccessibilityTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { installAccessibility(); }

    void everyControlHasItsName() {
        TForm1 form1;
        TForm4 form4;
        TForm2 form2(&form4);
        TForm3 form3;
        TForm5 form5;
        TextEntryDialog entry(nullptr, QStringLiteral("自動削除"),
                              QStringLiteral("完全に一致する行だけが削除されます。"), QString());
        const QString instruction =
            QStringLiteral("どの項目でソートするか選択したら、上のボタンをクリックしてください。");
        const struct {
            QObject* control;
            QString name;
            QAccessible::Role role;
            bool multiSelectable;
        } cases[] = {
            {form1.ListBox1, QStringLiteral("行の一覧"), QAccessible::List, true},
            {form5.ListBox1, QStringLiteral("項目の一覧"), QAccessible::List, false},
            {form5.Label3D1, instruction, QAccessible::StaticText, false},
            {form5.SpeedButton1, QStringLiteral("選択した項目でソート"), QAccessible::Button, false},
            {entry.edit(), QStringLiteral("完全に一致する行だけが削除されます。"), QAccessible::EditableText,
             false},
            {form2.Edit1, QStringLiteral("置換前"), QAccessible::EditableText, false},
            {form2.Edit2, QStringLiteral("置換後"), QAccessible::EditableText, false},
            {form3.ListBox1, QStringLiteral("被削除行"), QAccessible::List, false},
            {form4.ListBox1, QStringLiteral("行単位置き換えを実行したファイル"), QAccessible::List, false},
        };
        for (const auto& c : cases) {
            QAccessibleInterface* iface = accessible(c.control);
            QVERIFY2(iface, qPrintable(c.name));
            QCOMPARE(iface->text(QAccessible::Name), c.name);
            QCOMPARE(iface->role(), c.role);
            QCOMPARE(bool(iface->state().multiSelectable), c.multiSelectable);
        }
        // A list keeps what Qt tells of it: its rows and which of them are selected.
        auto* model = static_cast<LineListModel*>(form1.ListBox1->model());
        model->beginChange();
        form1.editor().doc.add("a");
        form1.editor().doc.add("b");
        model->endChange();
        form1.ListBox1->selectAll();
        QAccessibleInterface* list = accessible(form1.ListBox1);
        QVERIFY(list->tableInterface());
        QCOMPARE(list->tableInterface()->selectedCellCount(), 2);
        QCOMPARE(list->childCount(), 2);
        QCOMPARE(list->child(1)->text(QAccessible::Name), QStringLiteral("b"));
        QCOMPARE(list->indexOfChild(list->child(1)), 1);
        QCOMPARE(list->child(1)->parent(), list);

        // What is drawn stays as it was.
        QCOMPARE(form5.SpeedButton1->text(), QStringLiteral("▽"));
        QCOMPARE(form5.Label3D1->Caption(), instruction);
        QCOMPARE(entry.promptLabel()->text(), QStringLiteral("完全に一致する行だけが削除されます。"));
        QCOMPARE(form2.Edit1->text(), QStringLiteral("置換前"));
    }

    // The menu bar ends in a separator and the progress item, named only while it shows a percentage.
    void progressItemIsNamedOnlyByAPercentage() {
        TForm1 form;
        const QList<QAccessibleInterface*> items = menuBarItems(form);
        QCOMPARE(items.size(), form.menuBar()->actions().size());
        QAccessibleInterface* separator = items.at(items.size() - 2);
        QAccessibleInterface* progress = items.last();
        QCOMPARE(separator->object(), form.N9);
        QCOMPARE(separator->role(), QAccessible::Separator);
        QCOMPARE(progress->object(), form.N12);
        QCOMPARE(accessible(form.menuBar())->indexOfChild(progress), items.size() - 1);
        for (const QString& caption : {QStringLiteral("0%"), QStringLiteral("45%"), QStringLiteral("-")}) {
            form.N12->setText(caption);
            const bool shown = caption != QLatin1String("-");
            QCOMPARE(progress->text(QAccessible::Name), shown ? caption : QString());
            QCOMPARE(bool(progress->state().invisible), !shown);
            QCOMPARE(form.N12->text(), caption); // the bar shows the caption itself
        }
        for (QAccessibleInterface* item : items)
            QVERIFY2(item->text(QAccessible::Name) != QLatin1String("-"),
                     qPrintable(item->text(QAccessible::Name)));
    }
};

QTEST_MAIN(AccessibilityTest)
#include "AccessibilityTest.moc"
