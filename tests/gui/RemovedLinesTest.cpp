// The removed-lines window, offscreen: caption, status text, the list of given lines and the resize rule.

#include "forms/Unit3.h"

#include <QListView>
#include <QStatusBar>
#include <QtTest>

using namespace linnery;

class RemovedLinesTest : public QObject {
    Q_OBJECT
  private slots:
    void showsGivenLines();
    void resizeRule();
};

void RemovedLinesTest::showsGivenLines() {
    TForm3 form;
    QCOMPARE(form.windowTitle(), QStringLiteral("被削除行"));
    QCOMPARE(form.StatusBar1->currentMessage(),
             QStringLiteral("連続していた重複行です。これらは削除されました。"));
    QCOMPARE(form.ListBox1->font().pixelSize(), 16);
    LineList lines;
    for (const char* line : {"a", "a", "", "日本"})
        lines.add(line);
    form.setRemovedLines(lines, std::make_shared<const CodePage>("utf-8"));
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    const QAbstractItemModel* model = form.ListBox1->model();
    QStringList rows;
    for (int row = 0; row < model->rowCount(); ++row)
        rows << model->index(row, 0).data().toString();
    QCOMPARE(rows, (QStringList{"a", "a", "", "日本"}));
    QCOMPARE(form.ListBox1->sizeHintForRow(0), 16);
    form.setRemovedLines(LineList(),
                         std::make_shared<const CodePage>("utf-8")); // the next run replaces the content
    QCOMPARE(model->rowCount(), 0);
}

void RemovedLinesTest::resizeRule() {
    TForm3 form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    for (QSize client : {QSize(488, 347), QSize(900, 200), QSize(120, 60)}) {
        form.resize(client);
        QTRY_COMPARE(form.size(), client);
        QCOMPARE(form.ListBox1->geometry(), QRect(0, 0, client.width(), client.height() - 24));
        QCOMPARE(form.StatusBar1->geometry(), QRect(0, client.height() - 24, client.width(), 24));
    }
}

QTEST_MAIN(RemovedLinesTest)
#include "RemovedLinesTest.moc"
