// The line replacement window and its report: layout, drops and the report after a run.

#include "GuiTestSupport.h"

#include "HeldCommand.h"
#include "core/text/CodePage.h"
#include "forms/Unit2.h"
#include "forms/Unit4.h"
#include "widgets/CommandRunner.h"

#include <QApplication>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace linnery;
using linnery::test::dropFiles;

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
}

QStringList items(const QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

} // namespace

class ReplaceWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void init() {
        dialogs = std::make_unique<test::FakeDialogs>();
        form4 = std::make_unique<TForm4>();
        form2 = std::make_unique<TForm2>(form4.get());
        QVERIFY(dir.isValid());
    }
    void cleanup() {
        form2.reset();
        form4.reset();
        dialogs.reset();
    }

    void form2CaptionsAndLayout() {
        QCOMPARE(form2->windowTitle(), QStringLiteral("行単位置き換え"));
        QVERIFY(form2->isWindow());
        QVERIFY(!form2->testAttribute(Qt::WA_QuitOnClose)); // the main window's close ends the program
        QCOMPARE(form2->size(), QSize(488, 347));
        QCOMPARE(form2->Edit1->text(), QStringLiteral("置換前"));
        QCOMPARE(form2->Edit2->text(), QStringLiteral("置換後"));
        QCOMPARE(form2->Edit1->font().pixelSize(), 16);
        QCOMPARE(form2->Edit2->font().pixelSize(), 16);
        QCOMPARE(form2->Panel1->text(),
                 QStringLiteral("このウィンドウにファイルをドロップすると、置換が始まります。複数可。"));
        QCOMPARE(form2->Panel1->alignment(), Qt::AlignCenter);
        QVERIFY(form2->Panel1->wordWrap());
        QCOMPARE(form2->Panel1->frameShadow(), QFrame::Sunken);
        QVERIFY(form2->acceptDrops());

        // A hidden window gets its resize events when shown.
        form2->show();
        for (const QSize size : {QSize(488, 347), QSize(620, 300), QSize(200, 30)}) {
            form2->resize(size);
            QCOMPARE(form2->Edit1->geometry(), QRect(0, 0, size.width(), 24));
            QCOMPARE(form2->Edit2->geometry(), QRect(0, 24, size.width(), 24));
            QCOMPARE(form2->Panel1->geometry(), QRect(0, 48, size.width(), std::max(0, size.height() - 48)));
        }
    }

    void editTextsAreSelectedSoTypingReplacesThem() {
        for (const QString& typed : {QStringLiteral("abc"), QStringLiteral("d")}) {
            form2->show();
            for (QLineEdit* edit : {form2->Edit1, form2->Edit2}) {
                QCOMPARE(edit->selectedText(), edit->text());
                QTest::keyClicks(edit, typed);
                QCOMPARE(edit->text(), typed);
            }
            // Kept while hidden, and selected again when the window opens again.
            form2->hide();
        }
    }

    void form4CaptionsLayoutAndCentring() {
        QCOMPARE(form4->windowTitle(), QStringLiteral("置換完了"));
        QCOMPARE(form4->size(), QSize(696, 480));
        QCOMPARE(form4->Label1->pos(), QPoint(0, 0));
        QCOMPARE(form4->Label1->font().pixelSize(), 13);
        QCOMPARE(form4->ListBox1->font().pixelSize(), 13);
        QCOMPARE(form4->ListBox1->selectionMode(), QAbstractItemView::SingleSelection);
        QCOMPARE(form4->ListBox1->geometry(), QRect(0, 16, 696, 464));
        form4->show();
        form4->resize(500, 300);
        QCOMPARE(form4->ListBox1->geometry(), QRect(0, 16, 500, 284));

        // Centred on every show by its outer size; a window wider than the screen gets a negative left
        // edge, the half truncated toward zero.
        form4->hide();
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        for (const QSize size : {QSize(301, 200), QSize(screen.width() + 101, 100)}) {
            form4->resize(size);
            form4->show();
            const QSize outer = form4->frameGeometry().size();
            QCOMPARE(form4->frameGeometry().topLeft(),
                     screen.topLeft() + QPoint((screen.width() - outer.width()) / 2,
                                               (screen.height() - outer.height()) / 2));
            form4->hide();
        }
    }

    void dropRunsTheReplacementAndShowsTheReport() {
        // The edit texts are encoded with the code page: the defaults are replaced as typed.
        const QString hit = dir.filePath(QStringLiteral("hit.txt"));
        const QString miss = dir.filePath(QStringLiteral("miss.txt"));
        writeFile(hit, "a\n置換前\n");
        writeFile(miss, "置換前 \nb");
        form4->ListBox1->addItem(QStringLiteral("stale"));
        QString summary;
        dialogs->onModal = [&](QDialog* w) { summary = static_cast<TForm4*>(w)->Label1->text(); };

        // Dropped on an edit box, the files still reach the window.
        QVERIFY(dropFiles(form2->Edit1, {miss, hit, miss}));

        QCOMPARE(dialogs->modalWindows, QList<QDialog*>{form4.get()});
        QVERIFY(dialogs->errors.isEmpty());
        QCOMPARE(summary,
                 QStringLiteral(
                     " 3 個のファイルのうち、以下の 1 個のファイルに対して行単位置き換えを実行しました。"));
        QCOMPARE(items(form4->ListBox1), QStringList{hit});
        QCOMPARE(readAll(hit), QByteArray("a\r\n置換後\r\n"));
        QCOMPARE(readAll(miss), QByteArray("置換前 \nb"));
    }

    // Files holding a NUL byte are left whole even where a line matches; once the report is closed, the
    // user is told which. Past ten, the box's details name the rest.
    void nulFilesAreToldOfAfterTheReport() {
        for (const int nulFiles : {1, 11}) {
            dialogs->information.clear();
            dialogs->informationDetails.clear();
            const QString text = dir.filePath(QStringLiteral("text.txt"));
            writeFile(text, "置換前\n");
            QStringList dropped{text}, nul;
            for (int i = 0; i < nulFiles; ++i) {
                nul << dir.filePath(QStringLiteral("nul%1.bin").arg(i));
                writeFile(nul.last(), QByteArray("置換前\n\0tail", 14));
            }
            dropped << nul;
            qsizetype toldDuringReport = -1;
            dialogs->onModal = [&](QDialog*) { toldDuringReport = dialogs->information.size(); };
            QVERIFY(dropFiles(form2.get(), dropped));
            QCOMPARE(toldDuringReport, 0);
            QCOMPARE(items(form4->ListBox1), QStringList{text});
            const QString lead =
                QStringLiteral("以下の %1 個のファイルは NUL "
                               "文字を含むため、行単位置き換えを実行せずにそのままにしました。");
            const bool all = nulFiles <= 10;
            QCOMPARE(dialogs->information,
                     QStringList{lead.arg(nulFiles) + "\n" + nul.mid(0, 10).join("\n") + (all ? "" : "\n…")});
            QCOMPARE(dialogs->informationDetails, QStringList{all ? QString() : nul.join("\n") + "\n"});
            QCOMPARE(readAll(nul.last()), QByteArray("置換前\n\0tail", 14));
        }
    }

    void typedTextIsEncodedWithTheCodePage() {
        form2 = std::make_unique<TForm2>(form4.get(), TextSettings("cp932", "ja"));
        const QString f = dir.filePath(QStringLiteral("sjis.txt"));
        writeFile(f, "\x92\x75\x8a\xb7\x91\x4f\n"); // 置換前 in Shift-JIS
        form2->replaceDropped({QFile::encodeName(f).toStdString()});
        QCOMPARE(readAll(f), QByteArray("\x92\x75\x8a\xb7\x8c\xe3\r\n")); // 置換後
        QCOMPARE(form4->ListBox1->count(), 1);
    }

    void unopenableItemShowsTheErrorAndNoReport() {
        const QString first = dir.filePath(QStringLiteral("first.txt"));
        const QString last = dir.filePath(QStringLiteral("last.txt"));
        writeFile(first, "置換前\n");
        writeFile(last, "置換前\n");
        form4->ListBox1->addItem(QStringLiteral("stale"));

        QVERIFY(dropFiles(form2.get(), {first, dir.path(), last}));

        QCOMPARE(dialogs->errors, QStringList{QStringLiteral("ﾌｧｲﾙ %1 は開けません.").arg(dir.path())});
        QVERIFY(dialogs->modalWindows.isEmpty());
        QCOMPARE(form4->ListBox1->count(), 0);
        QCOMPARE(readAll(first), QByteArray("置換後\r\n"));
        QCOMPARE(readAll(last), QByteArray("置換前\n"));
    }

    // A run that keeps the windows alive refuses drops, and a drop queued before it waits in vain:
    // neither file is processed. The run is held open until the drops have been tried.
    void filesDroppedDuringARunAreNotProcessed() {
        const QString first = dir.filePath(QStringLiteral("first.txt"));
        const QString late = dir.filePath(QStringLiteral("late.txt"));
        writeFile(first, "置換前\n");
        writeFile(late, "置換前\n");
        HeldCommand held;
        bool busy = false, refused = false;
        QTimer::singleShot(CommandRunner::kQuietMs + 50, [&] {
            busy = CommandRunner::busy();
            refused = !dropFiles(form2.get(), {late});
            form2->replaceDropped({QFile::encodeName(late).toStdString()});
            held.release();
        });
        QVERIFY(dropFiles(form2.get(), {first}));
        QVERIFY(busy);
        QVERIFY(refused);
        QCOMPARE(readAll(late), QByteArray("置換前\n"));
        QCOMPARE(items(form4->ListBox1), QStringList{first});
        QCOMPARE(readAll(first), QByteArray("置換後\r\n"));
        QCOMPARE(dialogs->modalWindows.size(), 1);
    }

    // The edit boxes take no line break either: a pasted "b" CR LF "c" would split the replacement line.
    void editBoxesDropPastedLineBreaks() {
        for (QLineEdit* edit : {form2->Edit1, form2->Edit2}) {
            edit->clear();
            QGuiApplication::clipboard()->setText(QStringLiteral("b\r\nc\n"));
            edit->paste();
            QCOMPARE(edit->text(), QStringLiteral("bc"));
        }
    }

    void onlyLocalFileDropsAreTaken() {
        QMimeData text;
        text.setText(QStringLiteral("置換前"));
        QDragEnterEvent enterText(QPoint(10, 100), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(form2.get(), &enterText);
        QVERIFY(!enterText.isAccepted());

        QMimeData web;
        web.setUrls({QUrl(QStringLiteral("https://example.com/a.txt"))});
        QDragEnterEvent enterWeb(QPoint(10, 100), Qt::CopyAction, &web, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(form2.get(), &enterWeb);
        QVERIFY(!enterWeb.isAccepted());
        QVERIFY(dialogs->modalWindows.isEmpty());
    }

  private:
    std::unique_ptr<test::FakeDialogs> dialogs;
    std::unique_ptr<TForm4> form4;
    std::unique_ptr<TForm2> form2;
    QTemporaryDir dir;
};

QTEST_MAIN(ReplaceWindowTest)
#include "ReplaceWindowTest.moc"
