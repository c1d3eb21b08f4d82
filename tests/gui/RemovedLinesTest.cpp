// The removed-lines window, offscreen: caption, status text, the list of given lines and the resize rule.

#include "GuiTestSupport.h"

#include "forms/Unit3.h"

#include <QListView>
#include <QStatusBar>
#include <QtTest>

using namespace linnery;

namespace {

LineList listOf(std::initializer_list<std::string_view> lines) {
    LineList list;
    for (std::string_view line : lines)
        list.add(line);
    return list;
}

QStringList shownRows(const QListView* view) {
    QStringList rows;
    const QAbstractItemModel* model = view->model();
    for (int row = 0; row < model->rowCount(); ++row)
        rows << model->index(row, 0).data().toString();
    return rows;
}

} // namespace

class RemovedLinesTest : public QObject {
    Q_OBJECT
  private slots:
    void fixedTexts();
    void showsGivenLines();
    void resizeRule_data();
    void resizeRule();
};

void RemovedLinesTest::fixedTexts() {
    TForm3 form;
    QCOMPARE(form.windowTitle(), QStringLiteral("被削除行"));
    QCOMPARE(form.StatusBar1->currentMessage(),
             QStringLiteral("連続していた重複行です。これらは削除されました。"));
    QCOMPARE(form.StatusBar1->height(), 24);
    QVERIFY(!form.StatusBar1->isSizeGripEnabled());
    QCOMPARE(form.ListBox1->font().pixelSize(), 16);
    QCOMPARE(form.ListBox1->selectionMode(), QAbstractItemView::SingleSelection);
    QVERIFY(form.ListBox1->uniformItemSizes());
    QCOMPARE(form.size(), QSize(488, 347));
    QCOMPARE(form.ListBox1->model()->rowCount(), 0);
}

void RemovedLinesTest::showsGivenLines() {
    test::FakeDialogs dialogs;
    TForm3 form;
    form.setRemovedLines(listOf({"a", "a", "", "日本"}));
    QStringList seen;
    int rowHeight = 0;
    dialogs.onModal = [&](QDialog* window) {
        auto* shown = qobject_cast<TForm3*>(window);
        QVERIFY(shown && shown->isVisible());
        seen = shownRows(shown->ListBox1);
        rowHeight = shown->ListBox1->sizeHintForRow(0);
    };
    Dialogs::instance().showModal(&form);
    QCOMPARE(seen, (QStringList{"a", "a", "", "日本"}));
    QCOMPARE(rowHeight, 16);

    // Closing keeps the content; the next run replaces it.
    QCOMPARE(shownRows(form.ListBox1).size(), 4);
    form.setRemovedLines(listOf({"x"}));
    QCOMPARE(shownRows(form.ListBox1), QStringList{"x"});
    QCOMPARE(form.removedLines().count(), 1);
    form.setRemovedLines(LineList());
    QCOMPARE(form.ListBox1->model()->rowCount(), 0);
}

void RemovedLinesTest::resizeRule_data() {
    QTest::addColumn<QSize>("client");
    QTest::newRow("design") << QSize(488, 347);
    QTest::newRow("wide") << QSize(900, 200);
    QTest::newRow("small") << QSize(120, 60);
}

void RemovedLinesTest::resizeRule() {
    QFETCH(QSize, client);
    TForm3 form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.resize(client);
    QTRY_COMPARE(form.size(), client);
    QCOMPARE(form.ListBox1->geometry(), QRect(0, 0, client.width(), client.height() - 24));
    QCOMPARE(form.StatusBar1->geometry(), QRect(0, client.height() - 24, client.width(), 24));
}

QTEST_MAIN(RemovedLinesTest)
#include "RemovedLinesTest.moc"
