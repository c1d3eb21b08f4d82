// The text-entry dialog, offscreen: how it closes and what it returns, its edit box and its layout.

#include "forms/TextEntryDialog.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QtTest>

#include <functional>

using namespace linnery;

class TextEntryDialogTest : public QObject {
    Q_OBJECT
  private slots:
    void closingPaths_data();
    void closingPaths();
    void askRunsModally();
    void editBox();
    void layoutInDialogUnits();
    void fixedFrameCentred();
};

void TextEntryDialogTest::closingPaths_data() {
    QTest::addColumn<int>("way");
    QTest::addColumn<QString>("expected");
    // The typed text only when confirmed; every other way gives the default text back.
    QTest::newRow("ok button") << 0 << "typed";
    QTest::newRow("enter") << 1 << "typed";
    QTest::newRow("cancel button") << 2 << "default";
    QTest::newRow("escape") << 3 << "default";
    QTest::newRow("close") << 4 << "default";
}

void TextEntryDialogTest::closingPaths() {
    QFETCH(int, way);
    QFETCH(QString, expected);
    TextEntryDialog dialog(nullptr, QStringLiteral("自動削除"),
                           QStringLiteral("完全に一致する行だけが削除されます。"), QStringLiteral("default"));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    dialog.edit()->setText(QStringLiteral("typed"));
    switch (way) {
    case 0:
        QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
        break;
    case 1:
        QTest::keyClick(dialog.edit(), Qt::Key_Return);
        break;
    case 2:
        QTest::mouseClick(dialog.cancelButton(), Qt::LeftButton);
        break;
    case 3:
        QTest::keyClick(dialog.edit(), Qt::Key_Escape);
        break;
    case 4:
        dialog.close();
        break;
    }
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), expected);
}

void TextEntryDialogTest::askRunsModally() {
    struct Case {
        std::function<void(TextEntryDialog*)> answer;
        QString expected;
    } cases[] = {
        {[](TextEntryDialog* d) {
             QTest::keyClicks(d->edit(), QStringLiteral("ab c"));
             QTest::keyClick(d->edit(), Qt::Key_Enter);
         },
         QStringLiteral("ab c")},
        {[](TextEntryDialog* d) { QTest::mouseClick(d->okButton(), Qt::LeftButton); }, QString()},
        {[](TextEntryDialog* d) {
             QTest::keyClicks(d->edit(), QStringLiteral("x"));
             QTest::mouseClick(d->cancelButton(), Qt::LeftButton);
         },
         QString()},
    };
    for (const Case& c : cases) {
        QString caption;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<TextEntryDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            caption = dialog->windowTitle();
            c.answer(dialog);
        });
        const QString text =
            TextEntryDialog::ask(nullptr, QStringLiteral("行頭に文字列を追加"),
                                 QStringLiteral("行頭に追加する文字列を入力してください。"), QString());
        QCOMPARE(caption, QStringLiteral("行頭に文字列を追加"));
        QCOMPARE(text, c.expected);
    }
}

void TextEntryDialogTest::editBox() {
    TextEntryDialog dialog(nullptr, QStringLiteral("c"), QStringLiteral("p"), QStringLiteral("既定の文"));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(dialog.promptLabel()->text(), QStringLiteral("p"));
    // The default text is selected, so typing replaces it.
    QCOMPARE(dialog.edit()->selectedText(), QStringLiteral("既定の文"));
    QVERIFY(dialog.edit()->hasFocus());
    QTest::keyClicks(dialog.edit(), QString(300, QChar(u'x')));
    QCOMPARE(dialog.edit()->text(), QString(255, QChar(u'x')));
    dialog.edit()->setText(QString(300, QChar(u'あ'))); // characters, not bytes, are counted
    QCOMPARE(dialog.edit()->text(), QString(255, QChar(u'あ')));
    QVERIFY(dialog.okButton()->isDefault());
    QCOMPARE(dialog.okButton()->text(), QStringLiteral("OK"));
    QCOMPARE(dialog.cancelButton()->text(), QStringLiteral("ｷｬﾝｾﾙ"));
}

void TextEntryDialogTest::layoutInDialogUnits() {
    TextEntryDialog dialog(nullptr, QStringLiteral("c"), QStringLiteral("prompt"), QString());
    const QFontMetrics metrics(dialog.font());
    const int baseX =
        metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) /
        52;
    const int baseY = metrics.height();
    auto px = [](int units, int base, int per) { return qRound(double(units) * base / per); };
    auto rect = [&](int x, int y, int w, int h) {
        return QRect(px(x, baseX, 4), px(y, baseY, 8), px(w, baseX, 4), px(h, baseY, 8));
    };
    QCOMPARE(dialog.okButton()->geometry(), rect(38, 41, 50, 14));
    QCOMPARE(dialog.cancelButton()->geometry(), rect(92, 41, 50, 14));
    const QRect edit = dialog.edit()->geometry();
    QCOMPARE(edit.topLeft(), rect(8, 19, 0, 0).topLeft());
    QCOMPARE(edit.width(), px(164, baseX, 4));
    QCOMPARE(dialog.promptLabel()->pos(), rect(8, 8, 0, 0).topLeft());
    QCOMPARE(dialog.promptLabel()->size(), dialog.promptLabel()->sizeHint());
    QCOMPARE(dialog.size(), rect(0, 0, 180, 63).size());
}

void TextEntryDialogTest::fixedFrameCentred() {
    TextEntryDialog dialog(nullptr, QStringLiteral("c"), QStringLiteral("p"), QString());
    QVERIFY(dialog.windowFlags().testFlag(Qt::MSWindowsFixedSizeDialogHint));
    QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const QSize before = dialog.size();
    dialog.resize(before * 2);
    QCOMPARE(dialog.size(), before);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QRect frame = dialog.frameGeometry();
    QVERIFY(qAbs(frame.center().x() - screen.center().x()) <= 1);
    QVERIFY(qAbs(frame.center().y() - screen.center().y()) <= 1);
}

QTEST_MAIN(TextEntryDialogTest)
#include "TextEntryDialogTest.moc"
