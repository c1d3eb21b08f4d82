// The text-entry dialog, offscreen: how it closes and what it returns, its edit box and its layout.

#include "widgets/TextEntryDialog.h"
#include "widgets/QtTranslation.h"

#include <QClipboard>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QtTest>

using namespace linnery;

class TextEntryDialogTest : public QObject {
    Q_OBJECT
  private slots:
    void closingPaths_data();
    void closingPaths();
    void editBoxAndLayout();
    void pastedLineBreaksAreDropped_data();
    void pastedLineBreaksAreDropped();
    void qtTextsInJapaneseOwnTextsKept();
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
    TextEntryDialog dialog(nullptr, QStringLiteral("自動削除"), QStringLiteral("p"),
                           QStringLiteral("default"));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    dialog.edit()->setText(QStringLiteral("typed"));
    if (way == 0)
        QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
    else if (way == 1 || way == 3)
        QTest::keyClick(dialog.edit(), way == 1 ? Qt::Key_Return : Qt::Key_Escape);
    else if (way == 2)
        QTest::mouseClick(dialog.cancelButton(), Qt::LeftButton);
    else
        dialog.close();
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), expected);
}

void TextEntryDialogTest::editBoxAndLayout() {
    TextEntryDialog dialog(nullptr, QStringLiteral("c"), QStringLiteral("prompt"), QStringLiteral("既定"));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("c"));
    QCOMPARE(dialog.edit()->selectedText(), QStringLiteral("既定"));
    QTest::keyClicks(dialog.edit(), QString(300, QChar(u'x'))); // typing replaces the selected default
    QCOMPARE(dialog.edit()->text(), QString(255, QChar(u'x')));

    // Dialog units from the average width of A-Z a-z and its height, rounded to whole pixels.
    const QFontMetrics metrics(dialog.font());
    const int bx =
        metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) /
        52;
    const int by = metrics.height();
    auto rect = [&](int x, int y, int w, int h) {
        return QRect(qRound(x * bx / 4.0), qRound(y * by / 8.0), qRound(w * bx / 4.0), qRound(h * by / 8.0));
    };
    QCOMPARE(dialog.okButton()->geometry(), rect(38, 41, 50, 14));
    QCOMPARE(dialog.cancelButton()->geometry(), rect(92, 41, 50, 14));
    QCOMPARE(dialog.edit()->geometry().topLeft(), rect(8, 19, 0, 0).topLeft());
    QCOMPARE(dialog.edit()->width(), rect(0, 0, 164, 0).width());
    QCOMPARE(dialog.promptLabel()->geometry(),
             QRect(rect(8, 8, 0, 0).topLeft(), dialog.promptLabel()->sizeHint()));
    QVERIFY(dialog.windowFlags().testFlag(Qt::MSWindowsFixedSizeDialogHint));
    QCOMPARE(dialog.minimumSize(), rect(0, 0, 180, 63).size());
    QCOMPARE(dialog.maximumSize(), rect(0, 0, 180, 63).size());
    const QPoint centre = QGuiApplication::primaryScreen()->geometry().center();
    QVERIFY((dialog.frameGeometry().center() - centre).manhattanLength() <= 2);
}

void TextEntryDialogTest::pastedLineBreaksAreDropped_data() {
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QString>("text");
    QTest::newRow("LF") << "a\nb"
                        << "[ab]";
    QTest::newRow("CR LF at the end") << "ab\r\n"
                                      << "[ab]";
    QTest::newRow("NUL and CR") << QString::fromUtf8("a\0b\rc", 5) << "[abc]";
    QTest::newRow("only breaks") << "\r\n\r\n"
                                 << "[]";
}

// An entered text never holds CR, LF or NUL: a paste cannot put a line break inside a line.
void TextEntryDialogTest::pastedLineBreaksAreDropped() {
    QFETCH(QString, pasted);
    QFETCH(QString, text);
    TextEntryDialog dialog(nullptr, QStringLiteral("c"), QStringLiteral("p"), QString());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    dialog.edit()->setText(QStringLiteral("[]"));
    dialog.edit()->setCursorPosition(1);
    QGuiApplication::clipboard()->setText(pasted);
    QTest::keyClick(dialog.edit(), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(dialog.edit()->text(), text);
    QCOMPARE(dialog.edit()->cursorPosition(), text.size() - 1); // behind the pasted text
    QTest::keyClick(dialog.edit(), Qt::Key_Return);
    QCOMPARE(dialog.result(), text);
}

// Qt's own texts are Japanese once its translation is in; the texts the program sets stay as they are.
// Last, since the translation stays for the rest of the run.
void TextEntryDialogTest::qtTextsInJapaneseOwnTextsKept() {
    QVERIFY(installQtTranslation());
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Linnery"), QStringLiteral("t"), QMessageBox::Ok);
    box.setDetailedText(QStringLiteral("d"));
    QStringList buttons;
    for (const QAbstractButton* button : box.buttons())
        buttons << button->text();
    QCOMPARE(buttons, (QStringList{QStringLiteral("OK"), QStringLiteral("詳細を表示...")}));
    QFileDialog files;
    files.setOption(QFileDialog::DontUseNativeDialog);
    QCOMPARE(files.findChild<QLabel*>(QStringLiteral("fileNameLabel"))->text(),
             QStringLiteral("ファイル名(&N):"));
    TextEntryDialog dialog(nullptr, QStringLiteral("c"), QStringLiteral("p"), QString());
    QCOMPARE(dialog.okButton()->text(), QStringLiteral("OK"));
    QCOMPARE(dialog.cancelButton()->text(), QStringLiteral("ｷｬﾝｾﾙ"));
}

QTEST_MAIN(TextEntryDialogTest)
#include "TextEntryDialogTest.moc"
