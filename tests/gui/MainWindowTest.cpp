// The main window driven through its menus, shortcuts, drops and dialogs, offscreen.

#include "GuiTestSupport.h"
#include "HeldCommand.h"

#include "app/Unit1.h"
#include "core/text/CodePage.h"
#include "forms/Unit2.h"
#include "forms/Unit3.h"
#include "forms/Unit4.h"
#include "forms/Unit5.h"
#include "widgets/AppIcon.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMenuBar>
#include <QMimeData>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <QtTest>

#include <cerrno>
#include <cstring>
#include <memory>
#include <unistd.h>

using namespace linnery;
using linnery::test::dropFiles;
using linnery::test::FakeDialogs;

namespace {

struct Windows {
    FakeDialogs dialogs;
    std::unique_ptr<TForm1> form1;
    std::unique_ptr<TForm4> form4 = std::make_unique<TForm4>();
    std::unique_ptr<TForm2> form2;
    std::unique_ptr<TForm3> form3 = std::make_unique<TForm3>();
    std::unique_ptr<TForm5> form5 = std::make_unique<TForm5>();
    QStringList progress;

    explicit Windows(std::vector<std::string> args = {"linnery"},
                     const TextSettings& settings = TextSettings::read()) {
        form2 = std::make_unique<TForm2>(form4.get(), settings);
        form1 = std::make_unique<TForm1>(std::move(args), settings);
        form1->setWindows(form2.get(), form3.get(), form5.get());
        QObject::connect(form1->N12, &QAction::changed, [this] {
            if (progress.isEmpty() || progress.last() != form1->N12->text())
                progress << form1->N12->text();
        });
        form1->show();
    }

    QStringList lines() const {
        QStringList out;
        for (std::string_view line : form1->editor().doc.lines().views())
            out << QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size()));
        return out;
    }
    void select(std::initializer_list<int> rows) {
        QItemSelectionModel* model = form1->ListBox1->selectionModel();
        model->clearSelection();
        for (int row : rows)
            model->select(form1->ListBox1->model()->index(row, 0), QItemSelectionModel::Select);
    }
    QList<int> selectedRows() const {
        QList<int> rows;
        for (const QModelIndex& index : form1->ListBox1->selectionModel()->selectedIndexes())
            rows << index.row();
        std::sort(rows.begin(), rows.end());
        return rows;
    }
    QString title() const { return form1->windowTitle(); }
};

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    QString path = dir.filePath(name);
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
    return path;
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void startUpState();
    void menuCaptionsAndShortcuts();
    void loadsFromTheCommandLine();
    void commandLineFileThatCannotBeLoaded();
    void pathsAreFileNamesWhateverTheCodePage();
    void shiftJisFileOnAUtf8DesktopWithNoSetting();
    void documentKeepsItsCodePageWhileOtherTextsComeAndGo();
    void openDialogAndClipBoardName();
    void relativePathOpensAgainThroughTheRealDialog();
    void programIconFromTheThemeOrBuiltIn();
    void dropLoadsTheFirstFileOnly();
    void droppingAFolderShowsTheOpenError();
    void saveCommands();
    void saveErrorKeepsTheOldFile();
    void leftoverSafetyCopyIsToldOfAndGoesWithTheNextSave();
    void doubleClickCopiesTheFocusLine();
    void aboutAndHomePage();
    void undoItemThroughLoadSortUndoRedo();
    void ctrlZDoesNothingWhileEditIsDisabled();
    void progressCaptionSequence();
    void scopedSortKeepsTheBlockSelected();
    void deleteBeforeAnythingIsLoaded();
    void textEntryCommands();
    void duplicatesWindowAndTitleAfterItCloses();
    void clipboardImportAndExport();
    void columnSortWindow();
    void contextMenuShortcutsWorkInTheList();
    void lineReplacementWindowIsModeless();
    void exitClosesEveryWindow();
    void menuItemsReachTheirCommands();
};

void MainWindowTest::startUpState() {
    Windows w;
    QCOMPARE(w.title(), QStringLiteral("Linnery"));
    QVERIFY(!w.form1->Edit1->isEnabled());
    QVERIFY(!w.form1->Save1->isEnabled());
    QVERIFY(!w.form1->SaveAs1->isEnabled());
    QCOMPARE(w.form1->N5->text(), QStringLiteral("取り消し不可"));
    QVERIFY(!w.form1->N5->isEnabled());
    QCOMPARE(w.form1->N12->text(), QStringLiteral("-"));
    QCOMPARE(w.form1->ListBox1->model()->rowCount(), 0);
    QCOMPARE(w.form1->ListBox1->selectionMode(), QAbstractItemView::ExtendedSelection);
    for (QAction* always : {w.form1->Open1, w.form1->N18, w.form1->N19, w.form1->N20, w.form1->N23,
                            w.form1->N22, w.form1->Delete2, w.form1->Help1})
        QVERIFY2(always->isEnabled(), qPrintable(always->objectName()));
}

void MainWindowTest::menuCaptionsAndShortcuts() {
    Windows w;
    const QList<QAction*> bar = w.form1->menuBar()->actions();
    QStringList captions;
    for (QAction* a : bar)
        captions << a->text();
    QCOMPARE(captions, (QStringList{"ﾌｧｲﾙ(&F)", "編集(&E)", "クリップボード", "ヘルプ(&H)", "-", "-"}));
    QCOMPARE(bar.last(), w.form1->N12);
    QCOMPARE(w.form1->N5->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Z));
    QCOMPARE(w.form1->N23->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_V));
    QCOMPARE(w.form1->N22->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_C));
    QCOMPARE(w.form1->Delete2->shortcut(), QKeySequence(Qt::Key_Delete));
    QStringList edit;
    for (QAction* a : w.form1->Edit1->menu()->actions())
        edit << (a->isSeparator() ? QStringLiteral("-") : a->text());
    QCOMPARE(edit, (QStringList{"取り消し不可", "-", "５０音順ソート", "長さ順ソート", "逆並びソート",
                                "ランダムソート", "-", "削除", "-", "その他の機能"}));
    QStringList more;
    for (QAction* a : w.form1->Commands1->menu()->actions())
        more << a->text();
    QCOMPARE(more, (QStringList{"連続する重複行を削除", "指定文と一致する行を削除", "空行削除",
                                "行頭に文字列を追加", "行末に文字列を追加", "行単位置き換え",
                                "カンマ区切りデータのソート"}));
    QStringList popup;
    for (QAction* a : w.form1->PopupMenu1->actions())
        popup << a->text();
    QCOMPARE(popup, (QStringList{"クリップボードから読み込む", "クリップボードへ書き出す", "削除"}));
}

void MainWindowTest::loadsFromTheCommandLine() {
    QTemporaryDir dir;
    const QString path = writeFile(dir, "My Files a.txt", "one\ntwo\r\nthree");
    Windows w({"linnery", QFile::encodeName(path).toStdString(), "b.txt"});
    QCOMPARE(w.lines(), (QStringList{"one", "two", "three"}));
    QCOMPARE(w.title(), QStringLiteral("My Files a.txt - (3行) - Linnery"));
    QVERIFY(w.form1->Edit1->isEnabled());
    QVERIFY(w.form1->Save1->isEnabled());
    QCOMPARE(w.form1->N5->text(), QStringLiteral("取り消し不可"));
    QCOMPARE(QString::fromStdString(w.form1->saveName()), path);
}

void MainWindowTest::commandLineFileThatCannotBeLoaded() {
    Windows w({"linnery", "/nonexistent/x.txt"});
    QCOMPARE(w.dialogs.errors, QStringList{"ﾌｧｲﾙ /nonexistent/x.txt は開けません."});
    QCOMPARE(w.dialogs.errorDetails,
             QStringList{"/nonexistent/x.txt: " + QString::fromLocal8Bit(std::strerror(ENOENT))});
    QVERIFY(w.form1->isVisible());
    QCOMPARE(w.title(), QStringLiteral("Linnery"));
    QVERIFY(!w.form1->Edit1->isEnabled());
}

// With the code page cp932 the paths (UTF-8 file names) still read right: in the title, the report list
// and the error box. "あ" (E3 81 82) ends in a cp932 lead byte right before a "/".
void MainWindowTest::pathsAreFileNamesWhateverTheCodePage() {
    QTemporaryDir dir;
    QDir(dir.path()).mkdir(QStringLiteral("あ"));
    const QString fruit = writeFile(dir, "あ/果物.txt", "x\n");
    Windows w({"linnery", QFile::encodeName(fruit).toStdString()}, TextSettings("cp932", "ja"));
    QCOMPARE(w.title(), QStringLiteral("果物.txt - (1行) - Linnery"));

    w.dialogs.openAnswers.push_back({true, dir.filePath("無い.txt")});
    w.form1->Open1Click();
    QCOMPARE(w.dialogs.errors, QStringList{"ﾌｧｲﾙ " + dir.filePath("無い.txt") + " は開けません."});

    w.form2->Edit1->setText(QStringLiteral("x"));
    w.form2->replaceDropped({QFile::encodeName(fruit).toStdString()});
    QCOMPARE(w.form4->ListBox1->count(), 1);
    QCOMPARE(w.form4->ListBox1->item(0)->text(), fruit);

    Windows empty({"linnery", ""}); // an empty first argument names no file
    QCOMPARE(empty.title(), QStringLiteral("Linnery"));
    QCOMPARE(empty.dialogs.errors, QStringList{});
}

void MainWindowTest::shiftJisFileOnAUtf8DesktopWithNoSetting() {
    ::setenv("LC_ALL", "C.UTF-8", 1);
    QTemporaryDir dir;
    // う, あ, 漢, い in cp932; "・あ" in a UTF-8 file.
    const QString sjis = writeFile(dir, "s.txt", "\x82\xa4\r\n\x82\xa0\r\n\x8a\xbf\r\n\x82\xa2\r\n");
    const QString utf8 = writeFile(dir, "u.txt", "\xe3\x83\xbb\xe3\x81\x82\r\n");
    Windows w({"linnery", QFile::encodeName(sjis).toStdString()}, TextSettings(nullptr, "ja"));
    QCOMPARE(w.form1->ListBox1->model()->index(0, 0).data().toString(), QStringLiteral("う"));
    w.form1->N1Click();
    w.dialogs.textAnswers.push_back(QStringLiteral("・"));
    w.form1->N14Click();
    w.form1->Save1Click();
    QCOMPARE(readFile(sjis),
             QByteArray("\x81\x45\x82\xa0\r\n\x81\x45\x82\xa2\r\n\x81\x45\x82\xa4\r\n\x81\x45\x8a\xbf\r\n"));
    // The export keeps its code page when a UTF-8 file is opened next.
    w.form1->N20Click();
    dropFiles(w.form1.get(), {utf8});
    QTRY_COMPARE(w.lines(), QStringList{"・あ"});
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("・あ\r\n・い\r\n・う\r\n・漢\r\n"));

    // The same typed texts rewrite each dropped file in its own bytes.
    w.form2->Edit1->setText(QStringLiteral("・あ"));
    w.form2->Edit2->setText(QStringLiteral("あ・"));
    w.form2->replaceDropped({QFile::encodeName(sjis).toStdString(), QFile::encodeName(utf8).toStdString()});
    QCOMPARE(w.form4->ListBox1->count(), 2);
    ::unsetenv("LC_ALL");
    QCOMPARE(readFile(sjis).left(6), QByteArray("\x82\xa0\x81\x45\r\n"));
    QCOMPARE(readFile(utf8), QByteArray("\xe3\x81\x82\xe3\x83\xbb\r\n"));
}

// A cp932 document is shown, sorted and typed into as cp932 while other texts are read in their own
// code pages: files the line replacement window rewrites, and the export another program pastes while a
// command runs. A typed text cp932 cannot hold is refused, never written as "?".
void MainWindowTest::documentKeepsItsCodePageWhileOtherTextsComeAndGo() {
    QTemporaryDir dir;
    // う, あ, ?? in cp932; あ in UTF-8 and (with more text, so the judgement is sure) in EUC-JP.
    const QString sjis = writeFile(dir, "s.txt", "\x82\xa4\r\n\x82\xa0\r\n??\r\n");
    const QString utf8 = writeFile(dir, "u.txt", "\xe3\x81\x82\r\n");
    const QByteArray eucText(
        "\xa4\xa2\xa4\xa4\xa4\xa6\xb4\xc1\xbb\xfa\xc6\xfc\xcb\xdc\xb8\xec\xa4\xce\xa5\xc6\xa5\xad\r\n");
    const QString euc = writeFile(dir, "e.txt", eucText + eucText + "\xa4\xa2\r\n");
    Windows w({"linnery", QFile::encodeName(sjis).toStdString()}, TextSettings(nullptr, "ja"));
    const auto rows = [&] {
        QStringList out;
        for (int row = 0; row < w.form1->ListBox1->model()->rowCount(); ++row)
            out << w.form1->ListBox1->model()->index(row, 0).data().toString();
        return out;
    };

    w.form2->Edit1->setText(QStringLiteral("あ"));
    w.form2->Edit2->setText(QStringLiteral("・"));
    w.form2->replaceDropped({QFile::encodeName(utf8).toStdString(), QFile::encodeName(euc).toStdString()});
    QCOMPARE(w.form4->ListBox1->count(), 2);
    QCOMPARE(readFile(utf8), QByteArray("\xe3\x83\xbb\r\n"));
    QCOMPARE(readFile(euc), eucText + eucText + "\xa1\xa6\r\n");

    w.form1->N1Click();
    QCOMPARE(rows(), (QStringList{"??", "あ", "う"}));
    for (void (TForm1::*command)() : {&TForm1::N14Click, &TForm1::N6Click}) {
        w.dialogs.errors.clear();
        w.dialogs.textAnswers.push_back(QStringLiteral("😀€"));
        (w.form1.get()->*command)();
        QCOMPARE(w.dialogs.errors,
                 QStringList{"「😀」(U+1F600) は文字コード cp932 の文書には入れられません."});
        QCOMPARE(rows(), (QStringList{"??", "あ", "う"})); // nothing added, "??" not deleted
    }
    w.dialogs.textAnswers.push_back(QStringLiteral("・"));
    w.form1->N14Click();
    QCOMPARE(w.form1->editor().doc.at(1), std::string_view("\x81\x45\x82\xa0"));

    // Another program pastes the export while a command runs on the document.
    w.form1->N20Click();
    HeldCommand held;
    QString pasted, shown;
    QTimer::singleShot(300, [&] {
        pasted = QGuiApplication::clipboard()->text();
        shown = w.form1->ListBox1->model()->index(2, 0).data().toString();
        held.release();
    });
    w.form1->N3Click();
    QCOMPARE(pasted, QStringLiteral("・??\r\n・あ\r\n・う\r\n"));
    QCOMPARE(shown, QStringLiteral("・う"));
    QCOMPARE(rows(), (QStringList{"・う", "・あ", "・??"}));
}

// Started from its working folder with "samples/果物.txt": the title shows the name part, and the
// program's own open dialog proposes that file in its folder, so that Open loads it again.
void MainWindowTest::relativePathOpensAgainThroughTheRealDialog() {
    QTemporaryDir dir;
    QDir(dir.path()).mkdir(QStringLiteral("samples"));
    const QString fruit = writeFile(dir, "samples/果物.txt", "a\nb\n");
    const QString folder = QDir::currentPath();
    QDir::setCurrent(dir.path());
    Windows w({"linnery", QFile::encodeName(QStringLiteral("samples/果物.txt")).toStdString()});
    QCOMPARE(w.title(), QStringLiteral("果物.txt - (2行) - Linnery"));
    QCOMPARE(QString::fromStdString(w.form1->saveName()), fruit);

    writeFile(dir, "samples/果物.txt", "c\n");
    QString shownFolder, shownName;
    QTimer::singleShot(0, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (auto* files = qobject_cast<QFileDialog*>(dialog)) {
            shownFolder = files->directory().absolutePath();
            if (auto* edit = files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
                shownName = edit->text();
        }
        // As the Open button does; a dialog that stays open after it is cancelled, so the test ends.
        QMetaObject::invokeMethod(dialog, "accept");
        QMetaObject::invokeMethod(dialog, "reject", Qt::QueuedConnection);
        Dialogs::setInstance(&w.dialogs); // for the error box of a load that fails
    });
    Dialogs::setInstance(nullptr); // the Qt dialogs
    w.form1->Open1Click();
    QDir::setCurrent(folder);
    QCOMPARE(shownFolder, dir.filePath(QStringLiteral("samples")));
    QCOMPARE(shownName, QStringLiteral("果物.txt"));
    QCOMPARE(w.dialogs.errors, QStringList{});
    QCOMPARE(w.lines(), QStringList{"c"});
    QCOMPARE(QString::fromStdString(w.form1->openName()), fruit);
}

void MainWindowTest::programIconFromTheThemeOrBuiltIn() {
    const auto opaqueShare = [](const QIcon& icon, QRgb* corner = nullptr) {
        const QImage image = icon.pixmap(48, 48).toImage().convertToFormat(QImage::Format_ARGB32);
        int opaque = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                opaque += qAlpha(image.pixel(x, y)) == 255;
        if (corner && !image.isNull())
            *corner = image.pixel(24, 24);
        return image.isNull() ? 0.0 : opaque / double(image.width() * image.height());
    };
    const QStringList searchPaths = QIcon::themeSearchPaths();
    const QString themeName = QIcon::themeName();
    QTemporaryDir themes;
    // No theme holds it (as in a build folder): the drawing built into the program, which needs Qt's
    // SVG plugin to show.
    QIcon::setThemeSearchPaths({themes.path()});
    QIcon::setThemeName(QStringLiteral("none"));
    QVERIFY(opaqueShare(programIcon()) > 0.3);
    // An installed theme's icon comes first.
    QDir(themes.path()).mkpath(QStringLiteral("test/48x48/apps"));
    writeFile(themes, "test/index.theme",
              "[Icon Theme]\nName=test\nDirectories=48x48/apps\n[48x48/apps]\nSize=48\nType=Fixed\n");
    QImage red(48, 48, QImage::Format_ARGB32);
    red.fill(Qt::red);
    red.save(themes.filePath(QStringLiteral("test/48x48/apps/linnery.png")));
    QIcon::setThemeName(QStringLiteral("test"));
    QRgb centre = 0;
    QCOMPARE(opaqueShare(programIcon(), &centre), 1.0);
    QCOMPARE(QColor(centre), QColor(Qt::red));
    QIcon::setThemeSearchPaths(searchPaths);
    QIcon::setThemeName(themeName);
}

void MainWindowTest::openDialogAndClipBoardName() {
    QTemporaryDir dir;
    const QString path = writeFile(dir, "表.txt", "x\n");
    Windows w;
    // Cancelled before anything was loaded: the open name becomes "ClipBoard".
    w.form1->Open1Click();
    QCOMPARE(w.dialogs.proposedOpenNames, QStringList{""});
    QCOMPARE(QString::fromStdString(w.form1->openName()), QStringLiteral("ClipBoard"));
    QCOMPARE(w.dialogs.openFilters.constFirst(), TForm1::kOpenFilter);
    // ... and is never proposed.
    w.dialogs.openAnswers.push_back({true, path});
    w.form1->Open1Click();
    QCOMPARE(w.dialogs.proposedOpenNames.last(), QString());
    QCOMPARE(w.title(), QStringLiteral("表.txt - (1行) - Linnery"));
    // A confirmed name that does not exist: the open error, and the title keeps the old name until the
    // next refresh, which shows the new one.
    w.dialogs.openAnswers.push_back({true, dir.filePath("gone.txt")});
    w.form1->Open1Click();
    QCOMPARE(w.dialogs.proposedOpenNames.last(), path);
    QCOMPARE(w.dialogs.errors.size(), 1);
    QCOMPARE(w.title(), QStringLiteral("表.txt - (1行) - Linnery"));
    QCOMPARE(w.lines(), QStringList{"x"});
    w.form1->Delete1Click();
    QCOMPARE(w.title(), QStringLiteral("gone.txt - (0行) - Linnery"));
}

void MainWindowTest::dropLoadsTheFirstFileOnly() {
    QTemporaryDir dir;
    const QString first = writeFile(dir, "first.exe", "MZ\x01\n");
    const QString second = writeFile(dir, "second.txt", "b\n");
    Windows w;
    QVERIFY(dropFiles(w.form1.get(), {first, second}));
    QCOMPARE(w.lines(), QStringList{"MZ\x01"});
    QCOMPARE(w.title(), QStringLiteral("first.exe - (1行) - Linnery"));
    QVERIFY(w.form1->Edit1->isEnabled());
}

void MainWindowTest::droppingAFolderShowsTheOpenError() {
    QTemporaryDir dir;
    const QString folder = dir.filePath("folder");
    QDir().mkdir(folder);
    // File managers may hand a folder over with a trailing "/": the title still shows its name.
    for (const QString& dropped : {folder, folder + "/"}) {
        Windows w;
        QVERIFY(dropFiles(w.form1.get(), {dropped}));
        QCOMPARE(w.dialogs.errors, QStringList{"ﾌｧｲﾙ " + dropped + " は開けません."});
        QCOMPARE(w.title(), QStringLiteral("Linnery"));
        w.form1->Delete1Click();
        QCOMPARE(w.title(), QStringLiteral("folder - (0行) - Linnery"));
    }
}

void MainWindowTest::saveCommands() {
    QTemporaryDir dir;
    const QString path = writeFile(dir, "a.txt", "b\na");
    Windows w({"linnery", QFile::encodeName(path).toStdString()});
    w.form1->Save1Click();
    QCOMPARE(readFile(path), QByteArray("b\r\na\r\n"));
    QVERIFY(w.dialogs.proposedSaveNames.isEmpty());

    const QString other = dir.filePath("c.txt");
    w.dialogs.saveAnswers.push_back({true, other});
    w.form1->SaveAs1Click();
    QCOMPARE(w.dialogs.proposedSaveNames, QStringList{path});
    QCOMPARE(w.dialogs.saveFilters.constFirst(), TForm1::kSaveFilter);
    QCOMPARE(readFile(other), QByteArray("b\r\na\r\n"));
    QCOMPARE(w.title(), QStringLiteral("a.txt - (2行) - Linnery"));
    w.form1->N3Click();
    w.form1->Save1Click();
    QCOMPARE(readFile(other), QByteArray("a\r\nb\r\n"));
    QCOMPARE(readFile(path), QByteArray("b\r\na\r\n"));
    // Cancelling the dialog writes nothing.
    w.form1->SaveAs1Click();
    QCOMPARE(readFile(other), QByteArray("a\r\nb\r\n"));
}

void MainWindowTest::saveErrorKeepsTheOldFile() {
    QTemporaryDir dir;
    const QString path = writeFile(dir, "a.txt", "x\n");
    Windows w({"linnery", QFile::encodeName(path).toStdString()});
    const QString bad = dir.filePath("missing/dir/b.txt");
    w.dialogs.saveAnswers.push_back({true, bad});
    w.form1->SaveAs1Click();
    QCOMPARE(w.dialogs.errors, QStringList{"ﾌｧｲﾙ " + bad + " を作成できません."});
    // The chosen path is the save name already.
    QCOMPARE(QString::fromStdString(w.form1->saveName()), bad);

    // An in-place save (a hard link) with no folder for its safety copy: too long a name beside the
    // file, and a state folder whose parent is a file. The box names that folder.
    const QString linked = writeFile(dir, QString(245, 'n'), "x\n");
    QCOMPARE(::link(QFile::encodeName(linked), QFile::encodeName(dir.filePath("link"))), 0);
    const bool stateSet = qEnvironmentVariableIsSet("XDG_STATE_HOME");
    const QByteArray state = qgetenv("XDG_STATE_HOME");
    qputenv("XDG_STATE_HOME", QFile::encodeName(linked));
    w.dialogs.errors.clear();
    w.dialogs.saveAnswers.push_back({true, linked});
    w.form1->SaveAs1Click();
    if (stateSet)
        qputenv("XDG_STATE_HOME", state);
    else
        qunsetenv("XDG_STATE_HOME");
    QCOMPARE(w.dialogs.errors,
             QStringList{"ﾌｫﾙﾀﾞ " + linked + "/linnery に保存前の内容の控えを作成できません."});
    QCOMPARE(w.dialogs.errorDetails.constLast(),
             linked + "/linnery: " + QString::fromLocal8Bit(std::strerror(ENOTDIR)));
    QCOMPARE(readFile(linked), QByteArray("x\n"));
}

// A copy an unfinished save left beside the file is named at the load and removed by the next save.
void MainWindowTest::leftoverSafetyCopyIsToldOfAndGoesWithTheNextSave() {
    QTemporaryDir dir;
    const QString path = writeFile(dir, "a.txt", "x\n");
    const QString copy = writeFile(dir, "a.txt.linnery-backup", "old\n");
    Windows w({"linnery", QFile::encodeName(path).toStdString()});
    QCOMPARE(w.dialogs.errors,
             QStringList{"保存が途中で終わったときの元の内容が " + copy + " に残っています."});
    QVERIFY(w.dialogs.errorDetails.constFirst().startsWith(copy + ": the file's content from before"));
    w.dialogs.errors.clear();
    w.form1->Save1Click();
    // The save succeeded: its removal is news, not an error.
    QVERIFY(w.dialogs.errors.isEmpty());
    QCOMPARE(w.dialogs.information,
             QStringList{"保存が途中で終わったときの元の内容 " + copy + " は、保存できたので削除しました."});
    QCOMPARE(w.dialogs.informationDetails, QStringList{copy + ": the file now holds what was saved"});
    QVERIFY(!QFile::exists(copy));
    QCOMPARE(readFile(path), QByteArray("x\r\n"));
}

void MainWindowTest::doubleClickCopiesTheFocusLine() {
    Windows w;
    w.form1->ListBox1DblClick();
    QCOMPARE(w.dialogs.errors, QStringList{"ﾘｽﾄのｲﾝﾃﾞｯｸｽが範囲を超えています (-1)"});

    QTemporaryDir dir;
    const QString path = writeFile(dir, "a.txt", "zero\nいち\ntwo\n");
    w.dialogs.openAnswers.push_back({true, path});
    w.form1->Open1Click();
    w.form1->ListBox1->setCurrentIndex(w.form1->ListBox1->model()->index(1, 0));
    w.form1->ListBox1DblClick();
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("いち"));
    QCOMPARE(w.dialogs.errors.size(), 1);
}

void MainWindowTest::aboutAndHomePage() {
    Windows w;
    w.form1->AboutClick();
    QCOMPARE(w.dialogs.messages.size(), 1);
    const QStringList lines = w.dialogs.messages.constFirst().split('\n');
    QCOMPARE(lines.size(), 6);
    QCOMPARE(lines[0], QStringLiteral("Linnery\u3000リネリー"));
    QCOMPARE(lines[1], QStringLiteral("Version 1.5"));
    QCOMPARE(lines[2], QString());
    QCOMPARE(lines[3], QStringLiteral("Created by Tarnholme"));
    QCOMPARE(lines[4], QStringLiteral("HomePage ： ") + TForm1::kHomePage);
    QCOMPARE(lines[5], QStringLiteral("E-mail ： ") + TForm1::kMailAddress);
    w.form1->TarnholmeHomePage1Click();
    QCOMPARE(w.dialogs.urls, QStringList{TForm1::kHomePage});
}

void MainWindowTest::undoItemThroughLoadSortUndoRedo() {
    QTemporaryDir dir;
    const QString path = writeFile(dir, "a.txt", "c\nb\na\n");
    Windows w({"linnery", QFile::encodeName(path).toStdString()});
    struct Step {
        void (TForm1::*command)();
        QStringList lines;
        QString caption;
    };
    const QList<Step> steps = {
        {&TForm1::N1Click, {"a", "b", "c"}, "取り消し"}, {&TForm1::N5Click, {"c", "b", "a"}, "やり直し"},
        {&TForm1::N5Click, {"a", "b", "c"}, "取り消し"}, {&TForm1::N5Click, {"c", "b", "a"}, "やり直し"},
        {&TForm1::N3Click, {"a", "b", "c"}, "取り消し"}, {&TForm1::N5Click, {"c", "b", "a"}, "やり直し"},
        {&TForm1::Delete1Click, {"b", "a"}, "取り消し"},
    };
    for (const Step& step : steps) {
        (w.form1.get()->*step.command)();
        QCOMPARE(w.lines(), step.lines);
        QCOMPARE(w.form1->N5->text(), step.caption);
        QVERIFY(w.form1->N5->isEnabled());
    }
    QCOMPARE(w.title(), QStringLiteral("a.txt - (2行) - Linnery"));
    w.form1->N5Click();
    QCOMPARE(w.title(), QStringLiteral("a.txt - (3行) - Linnery"));
    // A load makes the undo copy unreachable again.
    w.dialogs.openAnswers.push_back({true, path});
    w.form1->Open1Click();
    QCOMPARE(w.form1->N5->text(), QStringLiteral("取り消し不可"));
    QVERIFY(!w.form1->N5->isEnabled());
}

void MainWindowTest::ctrlZDoesNothingWhileEditIsDisabled() {
    Windows w;
    w.form1->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w.form1.get()));
    QTest::keyClick(w.form1->ListBox1, Qt::Key_Delete); // takes an undo copy of the empty document
    QCOMPARE(w.form1->N5->text(), QStringLiteral("取り消し"));
    QCOMPARE(w.title(), QStringLiteral(" - (0行) - Linnery"));
    QTest::keyClick(w.form1->ListBox1, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(w.form1->N5->text(), QStringLiteral("取り消し"));
    w.form1->N5Click();
    QCOMPARE(w.form1->N5->text(), QStringLiteral("取り消し"));
}

void MainWindowTest::progressCaptionSequence() {
    QTemporaryDir dir;
    const QString path = writeFile(dir, "a.txt", "1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n11\n");
    Windows w({"linnery", QFile::encodeName(path).toStdString()});
    w.select({3, 7});
    w.form1->N3Click();
    QCOMPARE(w.progress, (QStringList{"0%", "10%", "-"}));
    w.progress.clear();
    w.select({});
    w.form1->N3Click();
    QCOMPARE(w.progress.constFirst(), QStringLiteral("0%"));
    QCOMPARE(w.progress.mid(w.progress.size() - 2), (QStringList{"100%", "-"}));
}

void MainWindowTest::scopedSortKeepsTheBlockSelected() {
    QTemporaryDir dir;
    const QString path = writeFile(dir, "a.txt", "k\nb\nm\na\nn\n");
    Windows w({"linnery", QFile::encodeName(path).toStdString()});
    w.select({1, 3});
    w.form1->N1Click();
    QCOMPARE(w.lines(), (QStringList{"k", "a", "b", "m", "n"}));
    QCOMPARE(w.selectedRows(), (QList<int>{1, 2}));
    w.select({2});
    w.form1->N3Click();
    QCOMPARE(w.lines(), (QStringList{"n", "m", "b", "a", "k"}));
    QCOMPARE(w.selectedRows(), QList<int>{});
}

void MainWindowTest::deleteBeforeAnythingIsLoaded() {
    Windows w;
    w.form1->Delete1Click();
    QCOMPARE(w.title(), QStringLiteral(" - (0行) - Linnery"));
    QCOMPARE(w.form1->N5->text(), QStringLiteral("取り消し"));
    // Only where the open name says so does the caption read ClipBoard.
    w.form1->Open1Click();
    w.form1->Delete1Click();
    QCOMPARE(w.title(), QStringLiteral("ClipBoard - (0行) - Linnery"));
}

void MainWindowTest::textEntryCommands() {
    QTemporaryDir dir;
    const QString path = writeFile(dir, "a.txt", "x\n\nabc\nABC\n");
    Windows w({"linnery", QFile::encodeName(path).toStdString()});
    // Cancelled (empty) entry: nothing changes but the title refresh.
    w.form1->N6Click();
    QCOMPARE(w.dialogs.textCaptions, QStringList{"自動削除"});
    QCOMPARE(w.dialogs.textPrompts, QStringList{"完全に一致する行だけが削除されます。"});
    QCOMPARE(w.form1->N5->text(), QStringLiteral("取り消し不可"));
    w.dialogs.textAnswers.push_back(QStringLiteral("abc"));
    w.form1->N6Click();
    QCOMPARE(w.lines(), (QStringList{"x", "", "ABC"}));
    QCOMPARE(w.title(), QStringLiteral("a.txt - (3行) - Linnery"));
    w.select({0, 2});
    w.dialogs.textAnswers.push_back(QStringLiteral("前"));
    w.form1->N14Click();
    QCOMPARE(w.lines(), (QStringList{"前x", "前", "前ABC"}));
    QCOMPARE(w.selectedRows(), QList<int>{});
    w.dialogs.textAnswers.push_back(QStringLiteral(" 後"));
    w.form1->N15Click();
    QCOMPARE(w.lines(), (QStringList{"前x 後", "前 後", "前ABC 後"}));
    QCOMPARE(w.dialogs.textCaptions.mid(2), (QStringList{"行頭に文字列を追加", "行末に文字列を追加"}));
    w.form1->N17Click();
    QCOMPARE(w.lines().size(), 3);
    QCOMPARE(w.form1->N5->text(), QStringLiteral("取り消し"));
}

void MainWindowTest::duplicatesWindowAndTitleAfterItCloses() {
    QTemporaryDir dir;
    const QString path = writeFile(dir, "a.txt", "x\nx\ny\ny\ny\nx\n");
    Windows w({"linnery", QFile::encodeName(path).toStdString()});
    QString titleWhileShown;
    w.dialogs.onModal = [&](QDialog* window) {
        QCOMPARE(window, static_cast<QDialog*>(w.form3.get()));
        titleWhileShown = w.title();
    };
    w.form1->N8Click();
    QCOMPARE(titleWhileShown, QStringLiteral("a.txt - (6行) - Linnery"));
    QCOMPARE(w.title(), QStringLiteral("a.txt - (3行) - Linnery"));
    QCOMPARE(w.lines(), (QStringList{"x", "y", "x"}));
    QCOMPARE(w.form3->removedLines().count(), 3);
}

void MainWindowTest::clipboardImportAndExport() {
    Windows w;
    QGuiApplication::clipboard()->clear();
    w.form1->N19Click();
    QCOMPARE(w.dialogs.messages, QStringList{"クリップボードに文字列がありません。"});
    QCOMPARE(w.title(), QStringLiteral("Linnery"));

    QGuiApplication::clipboard()->setText(QStringLiteral("a\r\n\r\nいろは\n"));
    w.form1->N19Click();
    QCOMPARE(w.lines(), (QStringList{"a", "", "いろは", ""}));
    QCOMPARE(w.title(), QStringLiteral("ClipBoard - (4行) - Linnery"));
    QVERIFY(w.form1->Edit1->isEnabled());
    QCOMPARE(w.form1->N5->text(), QStringLiteral("取り消し不可"));

    w.select({0, 2});
    w.form1->N20Click();
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("a\r\nいろは\r\n"));
    w.select({2});
    w.form1->N20Click();
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("a\r\n\r\nいろは\r\n\r\n"));

    // After an import: save asks for a name, open proposes none.
    QTemporaryDir dir;
    w.dialogs.saveAnswers.push_back({true, dir.filePath("c.txt")});
    w.form1->Save1Click();
    QCOMPARE(w.dialogs.proposedSaveNames, QStringList{""});
    QCOMPARE(w.title(), QStringLiteral("ClipBoard - (4行) - Linnery"));
    w.form1->Save1Click();
    QCOMPARE(w.dialogs.proposedSaveNames.size(), 1);
    w.form1->Open1Click();
    QCOMPARE(w.dialogs.proposedOpenNames, QStringList{""});
    QCOMPARE(QString::fromStdString(w.form1->openName()), QStringLiteral("ClipBoard"));
}

void MainWindowTest::contextMenuShortcutsWorkInTheList() {
    Windows w;
    w.form1->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w.form1.get()));
    QGuiApplication::clipboard()->setText(QStringLiteral("b\r\na"));
    QTest::keyClick(w.form1->ListBox1, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(w.lines(), (QStringList{"b", "a"}));
    w.select({0});
    w.form1->ListBox1->setCurrentIndex(w.form1->ListBox1->model()->index(0, 0));
    QGuiApplication::clipboard()->clear();
    // The list view's own copy would put one line there; the command puts all of them.
    QTest::keyClick(w.form1->ListBox1, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("b\r\na\r\n"));
}

void MainWindowTest::columnSortWindow() {
    Windows w;
    w.form1->N21Click();
    QCOMPARE(w.dialogs.errors, QStringList{"ﾘｽﾄのｲﾝﾃﾞｯｸｽが範囲を超えています (0)"});
    QVERIFY(w.dialogs.modalWindows.isEmpty());

    QTemporaryDir dir;
    const QString path = writeFile(dir, "a.csv", "name,age\nbob,25\nal,31\n");
    w.dialogs.openAnswers.push_back({true, path});
    w.form1->Open1Click();
    // Closed without choosing: nothing sorted.
    w.form1->N21Click();
    QCOMPARE(w.lines(), (QStringList{"name,age", "bob,25", "al,31"}));
    QCOMPARE(w.form1->N5->text(), QStringLiteral("取り消し不可"));
    // Chosen and sorted from inside the modal window.
    w.dialogs.onModal = [&](QDialog*) { emit w.form5->sortRequested(0); };
    w.form1->N21Click();
    QCOMPARE(w.lines(), (QStringList{"al,31", "bob,25", "name,age"}));
    QCOMPARE(w.form1->N5->text(), QStringLiteral("取り消し"));
    QVERIFY(!w.form5->isVisible());
}

void MainWindowTest::lineReplacementWindowIsModeless() {
    Windows w;
    w.form1->N7Click();
    QVERIFY(w.form2->isVisible());
    QVERIFY(!w.form2->isModal());
    QVERIFY(w.dialogs.modalWindows.isEmpty());
    QVERIFY(w.form1->isEnabled());
}

void MainWindowTest::exitClosesEveryWindow() {
    Windows w;
    w.form1->N7Click();
    w.form1->Exit1Click();
    QVERIFY(!w.form1->isVisible());
    QVERIFY(!w.form2->isVisible());
}

void MainWindowTest::menuItemsReachTheirCommands() {
    QTemporaryDir dir;
    const QString path = writeFile(dir, "a.txt", "bb\na\n\na\n");
    Windows w({"linnery", QFile::encodeName(path).toStdString()});
    struct Step {
        QAction* item;
        QStringList lines;
    };
    w.dialogs.textAnswers = {QStringLiteral("a"), QStringLiteral("<"), QStringLiteral(">")};
    const QList<Step> steps = {
        {w.form1->N3, {"a", "", "a", "bb"}},
        {w.form1->N2, {"", "a", "a", "bb"}},
        {w.form1->N1, {"", "a", "a", "bb"}},
        {w.form1->N8, {"", "a", "bb"}},
        {w.form1->N5, {"", "a", "a", "bb"}},
        {w.form1->N17, {"a", "a", "bb"}},
        {w.form1->N6, {"bb"}},
        {w.form1->N14, {"<bb"}},
        {w.form1->N15, {"<bb>"}},
        {w.form1->Delete1, {}},
    };
    for (const Step& step : steps) {
        step.item->trigger();
        QCOMPARE(w.lines(), step.lines);
    }
    w.form1->N4->trigger();
    QCOMPARE(w.form1->N5->text(), QStringLiteral("取り消し"));
}

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
