#include "app/Unit1.h"

#include "core/commands/AffixCommands.h"
#include "core/commands/ClipboardTransfer.h"
#include "core/commands/ColumnSort.h"
#include "core/commands/DeleteCommands.h"
#include "core/commands/OrderCommands.h"
#include "core/commands/WindowTitle.h"
#include "core/files/Paths.h"
#include "core/files/SafetyCopies.h"
#include "core/files/TextFile.h"
#include "core/lines/LineError.h"
#include "forms/Unit2.h"
#include "forms/Unit3.h"
#include "forms/Unit5.h"
#include "widgets/Accessibility.h"
#include "widgets/AnimWnd.h"
#include "widgets/ClipboardLines.h"
#include "widgets/CommandRunner.h"
#include "widgets/Dialogs.h"
#include "widgets/FileDrops.h"
#include "widgets/Fonts.h"
#include "widgets/LineListModel.h"
#include "widgets/LineListView.h"
#include "widgets/RowHeight.h"
#include "widgets/TextCodec.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QListView>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QScrollBar>
#include <QUrl>

#include <algorithm>
#include <exception>

namespace linnery {

const QString TForm1::kOpenFilter = QStringLiteral(
    "ソートするファイル (*.txt;*.csv)|*.txt;*.csv|テキスト文書 (*.txt)|*.txt|カンマ区切り (*.csv)|*.csv|"
    "すべてのファイル (*.*)|*.*");
const QString TForm1::kSaveFilter = QStringLiteral("テキスト文書|*.txt|すべてのファイル (*.*)|*.*");
const QString TForm1::kHomePage = QStringLiteral("https://linnery.example.com/");
const QString TForm1::kMailAddress = QStringLiteral("linnery@example.com");

namespace {

// A busy cursor over the windows while a command runs, for the long ones on big documents.
struct BusyCursor {
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

// The only whole copy of a file's earlier content may be one an unfinished save left; the user hears of
// it. Its removal after a save that succeeded is news, not an error.
void reportLeftoverCopies(const std::vector<std::string>& copies, bool removed) {
    for (const std::string& copy : copies)
        if (removed)
            reportInformation(LineError::leftoverCopyRemoved(copy));
        else
            reportError(LineError::leftoverCopy(copy));
}

} // namespace

TForm1::TForm1(std::vector<std::string> arguments, TextSettings settings, QWidget* parent)
    : QMainWindow(parent), editor_(std::move(settings)), arguments_(std::move(arguments)) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Linnery"));
    setFont(msPGothic(12));
    resize(640, 480); // a size to start from where the window system does not choose one
    ListBox1 = new LineListView(this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setAccessibleName(QStringLiteral("行の一覧"));
    model_ = new LineListModel(&editor_.doc.lines(), editor_.doc.text().sharedCodePage(), this);
    ListBox1->setModel(model_);
    ListBox1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListBox1->setUniformItemSizes(true);
    ListBox1->setFont(msGothic(16));
    setRowHeight(ListBox1, 16);
    ListBox1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    ListBox1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListBox1->setAcceptDrops(false);
    ListBox1->viewport()->setAcceptDrops(false);
    ListBox1->viewport()->installEventFilter(this);
    ListBox1->setContextMenuPolicy(Qt::NoContextMenu); // the window's context menu covers the list
    buildMenus();
    AnimateWindow1 = new TAnimateWindow(this);
    AnimateWindow1->setObjectName(QStringLiteral("AnimateWindow1"));
    AnimateWindow1->setParentComponent(this);
    runner_ = new CommandRunner(
        [this](const std::string& caption) {
            // Only the menu bar is redrawn, at once, also while the GUI thread waits for a short command.
            N12->setText(QString::fromStdString(caption));
            menuBar()->repaint();
            progressCaptionChanged(N12);
        },
        this);
    // The commands report from the thread they run on; the runner brings the captions here.
    editor_.progress.setListener([this](const std::string& caption) { runner_->caption(caption); });
    FormCreate();
    // The first window the program makes is its main window.
    if (!AnimPlatform::instance().mainForm())
        AnimPlatform::instance().setMainForm(this);
}

TForm1::~TForm1() {
    FormDestroy();
}

void TForm1::setWindows(TForm2* form2, TForm3* form3, TForm5* form5) {
    form2_ = form2;
    form3_ = form3;
    form5_ = form5;
    if (form5_)
        connect(form5_, &TForm5::sortRequested, this, &TForm1::sortByColumn);
}

QAction* TForm1::item(QMenu* menu, const char* name, const QString& caption, void (TForm1::*handler)()) {
    QAction* action = caption == QLatin1String("-") ? menu->addSeparator() : menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    if (handler)
        connect(action, &QAction::triggered, this, handler);
    return action;
}

void TForm1::buildMenus() {
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    QMenu* file = bar->addMenu(QStringLiteral("ﾌｧｲﾙ(&F)"));
    File1 = file->menuAction();
    File1->setObjectName(QStringLiteral("File1"));
    Open1 = item(file, "Open1", QStringLiteral("開く(&O)..."), &TForm1::Open1Click);
    Save1 = item(file, "Save1", QStringLiteral("上書き保存(&S)"), &TForm1::Save1Click);
    SaveAs1 = item(file, "SaveAs1", QStringLiteral("名前を付けて保存(&A)..."), &TForm1::SaveAs1Click);
    N10 = item(file, "N10", QStringLiteral("-"));
    Exit1 = item(file, "Exit1", QStringLiteral("終了(&X)"), &TForm1::Exit1Click);

    QMenu* edit = bar->addMenu(QStringLiteral("編集(&E)"));
    Edit1 = edit->menuAction();
    Edit1->setObjectName(QStringLiteral("Edit1"));
    N5 = item(edit, "N5", QStringLiteral("取り消し"), &TForm1::N5Click);
    N5->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    N16 = item(edit, "N16", QStringLiteral("-"));
    N1 = item(edit, "N1", QStringLiteral("５０音順ソート"), &TForm1::N1Click);
    N2 = item(edit, "N2", QStringLiteral("長さ順ソート"), &TForm1::N2Click);
    N3 = item(edit, "N3", QStringLiteral("逆並びソート"), &TForm1::N3Click);
    N4 = item(edit, "N4", QStringLiteral("ランダムソート"), &TForm1::N4Click);
    N24 = item(edit, "N24", QStringLiteral("-"));
    Delete1 = item(edit, "Delete1", QStringLiteral("削除"), &TForm1::Delete1Click);
    N11 = item(edit, "N11", QStringLiteral("-"));
    QMenu* commands = edit->addMenu(QStringLiteral("その他の機能"));
    Commands1 = commands->menuAction();
    Commands1->setObjectName(QStringLiteral("Commands1"));
    N8 = item(commands, "N8", QStringLiteral("連続する重複行を削除"), &TForm1::N8Click);
    N6 = item(commands, "N6", QStringLiteral("指定文と一致する行を削除"), &TForm1::N6Click);
    N17 = item(commands, "N17", QStringLiteral("空行削除"), &TForm1::N17Click);
    N14 = item(commands, "N14", QStringLiteral("行頭に文字列を追加"), &TForm1::N14Click);
    N15 = item(commands, "N15", QStringLiteral("行末に文字列を追加"), &TForm1::N15Click);
    N7 = item(commands, "N7", QStringLiteral("行単位置き換え"), &TForm1::N7Click);
    N21 = item(commands, "N21", QStringLiteral("カンマ区切りデータのソート"), &TForm1::N21Click);

    QMenu* clipboard = bar->addMenu(QStringLiteral("クリップボード"));
    N18 = clipboard->menuAction();
    N18->setObjectName(QStringLiteral("N18"));
    N19 = item(clipboard, "N19", QStringLiteral("読み込む"), &TForm1::N19Click);
    N20 = item(clipboard, "N20", QStringLiteral("書き出す"), &TForm1::N20Click);

    QMenu* help = bar->addMenu(QStringLiteral("ヘルプ(&H)"));
    Help1 = help->menuAction();
    Help1->setObjectName(QStringLiteral("Help1"));
    TarnholmeHomePage1 = item(help, "TarnholmeHomePage1", QStringLiteral("Tarnholme Home Page"),
                              &TForm1::TarnholmeHomePage1Click);
    N13 = item(help, "N13", QStringLiteral("-"));
    About = item(help, "About", QStringLiteral("バージョン情報(&A)"), &TForm1::AboutClick);

    // Two plain items at the end of the bar; N12 carries the progress caption.
    N9 = bar->addAction(QStringLiteral("-"));
    N9->setObjectName(QStringLiteral("N9"));
    N12 = bar->addAction(QStringLiteral("-"));
    N12->setObjectName(QStringLiteral("N12"));
    markSeparatorItem(N9);
    markProgressItem(N12);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    N23 = item(PopupMenu1, "N23", QStringLiteral("クリップボードから読み込む"), &TForm1::N19Click);
    N23->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_V));
    N22 = item(PopupMenu1, "N22", QStringLiteral("クリップボードへ書き出す"), &TForm1::N20Click);
    N22->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    Delete2 = item(PopupMenu1, "Delete2", QStringLiteral("削除"), &TForm1::Delete1Click);
    Delete2->setShortcut(QKeySequence(Qt::Key_Delete));
    // The context menu's shortcuts work whenever the window has the focus, before the menu bar's.
    for (QAction* action : {N23, N22, Delete2}) {
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
    }
}

void TForm1::FormCreate() {
    setCentralWidget(ListBox1);
    N5->setText(QString::fromUtf8(undoCaption(UndoState::None)));
    N5->setEnabled(false);
    Edit1->setEnabled(false);
    Save1->setEnabled(false);
    SaveAs1->setEnabled(false);
    setAcceptDrops(true);
}

void TForm1::FormShow() {
    // An empty first argument names no file: nothing to open, nothing to report.
    if (arguments_.size() < 2 || arguments_[1].empty())
        return;
    // Absolute from here on, so the title, the open dialog and the save name keep naming this file.
    openName_ = absolutePath(arguments_[1]);
    loadOpenName();
}

void TForm1::FormDestroy() {
    setAcceptDrops(false);
}

void TForm1::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!shown_) {
        shown_ = true;
        FormShow();
    }
}

void TForm1::closeEvent(QCloseEvent* event) {
    QMainWindow::closeEvent(event);
    // Closing the main window ends the program with all its windows, without asking.
    QApplication::closeAllWindows();
    QApplication::quit();
}

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
    acceptDrag(event, DropRule::AnyAddresses);
}

void TForm1::dragMoveEvent(QDragMoveEvent* event) {
    acceptDrag(event, DropRule::AnyAddresses);
}

void TForm1::dropEvent(QDropEvent* event) {
    takeDrop(event, DropRule::AnyAddresses, this, [this](const auto& paths) { FilesDropped(paths); });
}

void TForm1::FilesDropped(const std::vector<std::string>& paths) {
    if (paths.empty() || CommandRunner::busy())
        return;
    openName_ = absolutePath(paths.front()); // the first file only, whatever its type
    if (loadOpenName()) {
        raise();
        activateWindow();
    }
}

void TForm1::contextMenuEvent(QContextMenuEvent* event) {
    PopupMenu1->exec(event->globalPos());
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ListBox1->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        // Let the list move its focus mark to the clicked line first.
        QMouseEvent* mouse = static_cast<QMouseEvent*>(event);
        const QModelIndex index = ListBox1->indexAt(mouse->position().toPoint());
        if (index.isValid())
            ListBox1->setCurrentIndex(index);
        ListBox1DblClick();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void TForm1::readView() {
    Document& doc = editor_.doc;
    doc.setSelected(-1, false);
    if (QItemSelectionModel* selection = ListBox1->selectionModel()) {
        for (const QItemSelectionRange& range : selection->selection())
            if (range.top() <= range.bottom() && range.top() < doc.count())
                doc.selectRange(range.top(), std::min(range.bottom(), doc.count() - 1));
    }
    const QModelIndex current = ListBox1->currentIndex();
    doc.setFocus(current.isValid() ? current.row() : 0);
    doc.setTopIndex(ListBox1->verticalScrollBar()->value());
}

void TForm1::writeView() {
    const Document& doc = editor_.doc;
    QItemSelection selection;
    // Run by run: the flags of ten million lines are read in a few milliseconds.
    const std::vector<std::uint8_t>& flags = doc.selection();
    const auto end = flags.begin() + doc.count();
    for (auto run = std::find(flags.begin(), end, 1); run != end;) {
        const auto after = std::find(run, end, 0);
        selection.select(model_->index(static_cast<int>(run - flags.begin())),
                         model_->index(static_cast<int>(after - flags.begin()) - 1));
        run = std::find(after, end, 1);
    }
    QItemSelectionModel* model = ListBox1->selectionModel();
    if (doc.focus() >= 0)
        model->setCurrentIndex(model_->index(doc.focus()), QItemSelectionModel::NoUpdate);
    model->select(selection, QItemSelectionModel::ClearAndSelect);
    ListBox1->verticalScrollBar()->setValue(doc.topIndex());
}

void TForm1::freezeView() {
    // The rows on screen, and as many below as the tallest window could show after a resize.
    const int top = ListBox1->verticalScrollBar()->value();
    const int rows = ListBox1->screen()->geometry().height() / std::max(1, ListBox1->sizeHintForRow(0)) + 1;
    model_->freeze(top, top + rows);
}

template <class Work> bool TForm1::runCommand(Work&& work) {
    // A command reached through the event loop while another runs (a drop queued before it) is dropped.
    if (CommandRunner::busy())
        return false;
    readView();
    std::exception_ptr failure;
    {
        BusyCursor busy;
        // The work runs on another thread: until it is done the view shows what it showed before.
        freezeView();
        try {
            runner_->run([&] { editor_.run(work); });
        } catch (...) {
            failure = std::current_exception();
        }
        // The view shows what the document holds now, also after an error: nothing is rolled back.
        model_->thaw(editor_.doc.text().sharedCodePage());
        writeView();
        refreshUndoItem();
    }
    if (!failure)
        return true;
    try {
        std::rethrow_exception(failure);
    } catch (const std::exception& error) {
        reportError(error);
    }
    return false;
}

std::optional<std::string> TForm1::typedText(const QString& text) {
    const CodePage& cp = editor_.doc.text().codePage();
    QString missing;
    std::optional<std::string> bytes = typedInCodePage(text, cp, &missing);
    if (!bytes)
        reportError(LineError::notInCodePage(missing.toStdString(), cp.name()));
    return bytes;
}

void TForm1::refreshUndoItem() {
    N5->setText(QString::fromUtf8(undoCaption(editor_.undoState)));
    N5->setEnabled(editor_.undoState != UndoState::None);
}

void TForm1::refreshTitle() {
    const QString name = pathText(fileNamePart(openName_));
    setWindowTitle(QString::fromStdString(titleCaption(name.toStdString(), editor_.doc.count())));
}

bool TForm1::loadOpenName() {
    const bool loaded = runCommand([this] { editor_.loadDocument(openName_); });
    reportLeftoverCopies(leftoverSafetyCopies(openName_), false);
    if (!loaded)
        return false;
    saveName_ = openName_;
    documentOpened();
    editor_.documentReplaced();
    refreshUndoItem();
    return true;
}

void TForm1::Open1Click() {
    if (openName_ == kClipboardName)
        openName_.clear(); // the dialog does not propose it
    QString name = pathText(openName_);
    if (Dialogs::instance().openFile(this, kOpenFilter, name)) {
        openName_ = pathBytes(name);
        loadOpenName();
    }
    if (openName_.empty())
        openName_ = kClipboardName;
}

bool TForm1::askSaveName() {
    QString name = pathText(saveName_);
    if (!Dialogs::instance().saveFile(this, kSaveFilter, name))
        return false;
    saveName_ = pathBytes(name);
    return true;
}

void TForm1::saveDocument() {
    if (CommandRunner::busy())
        return;
    try {
        // The document is only read: the view may go on showing it meanwhile.
        std::vector<std::string> leftovers;
        runner_->run([&] { leftovers = saveFile(editor_.doc.lines(), saveName_); });
        reportLeftoverCopies(leftovers, true);
    } catch (const std::exception& error) {
        reportError(error);
        reportLeftoverCopies(leftoverSafetyCopies(saveName_), false);
    }
}

void TForm1::Save1Click() {
    if (saveName_.empty() && !askSaveName())
        return;
    saveDocument();
}

void TForm1::SaveAs1Click() {
    if (askSaveName())
        saveDocument();
}

void TForm1::Exit1Click() {
    close();
}

void TForm1::AboutClick() {
    const QString text =
        QStringLiteral("Linnery\u3000リネリー\nVersion 1.5\n\nCreated by Tarnholme\nHomePage ： ") +
        kHomePage + QStringLiteral("\nE-mail ： ") + kMailAddress;
    Dialogs::instance().messageBox(this, text);
}

void TForm1::TarnholmeHomePage1Click() {
    Dialogs::instance().openUrl(QUrl(kHomePage));
}

void TForm1::ListBox1DblClick() {
    try {
        const QModelIndex current = ListBox1->currentIndex();
        const int focus = editor_.doc.count() == 0 ? -1 : (current.isValid() ? current.row() : 0);
        QGuiApplication::clipboard()->setText(
            fromCodePage(editor_.doc.get(focus), editor_.doc.text().codePage()));
    } catch (const std::exception& error) {
        reportError(error);
    }
}

void TForm1::N1Click() {
    runCommand([this] { collationSort(editor_); });
}
void TForm1::N2Click() {
    runCommand([this] { lengthSort(editor_); });
}
void TForm1::N3Click() {
    runCommand([this] { reverseOrder(editor_); });
}
void TForm1::N4Click() {
    runCommand([this] { randomOrder(editor_); });
}

void TForm1::N5Click() {
    // Ctrl+Z reaches the item only while the Edit menu can be opened.
    if (!Edit1->isEnabled() || !N5->isEnabled())
        return;
    if (runCommand([this] { editor_.undoRedo(); }))
        refreshTitle();
}

void TForm1::Delete1Click() {
    if (runCommand([this] { deleteSelected(editor_); }))
        refreshTitle();
}

void TForm1::N6Click() {
    const QString text = Dialogs::instance().textEntry(
        this, QStringLiteral("自動削除"), QStringLiteral("完全に一致する行だけが削除されます。"), QString());
    const std::optional<std::string> bytes = typedText(text);
    if (bytes && runCommand([&] { deleteMatching(editor_, *bytes); }))
        refreshTitle();
}

void TForm1::N17Click() {
    if (runCommand([this] { deleteEmpty(editor_); }))
        refreshTitle();
}

void TForm1::N7Click() {
    if (!form2_)
        return;
    form2_->show();
    form2_->raise();
    form2_->activateWindow();
}

void TForm1::N8Click() {
    LineList removed;
    if (!runCommand([&] { removed = removeConsecutiveDuplicates(editor_); }))
        return;
    if (form3_) {
        form3_->setRemovedLines(std::move(removed), editor_.doc.text().sharedCodePage());
        Dialogs::instance().showModal(form3_);
    }
    refreshTitle();
}

void TForm1::addToEveryLine(const QString& caption, const QString& prompt,
                            bool (*add)(Editor&, std::string_view)) {
    const QString text = Dialogs::instance().textEntry(this, caption, prompt, QString());
    const std::optional<std::string> bytes = typedText(text);
    if (bytes && runCommand([&] { add(editor_, *bytes); }))
        refreshTitle();
}

void TForm1::N14Click() {
    addToEveryLine(QStringLiteral("行頭に文字列を追加"),
                   QStringLiteral("行頭に追加する文字列を入力してください。"), addPrefix);
}

void TForm1::N15Click() {
    addToEveryLine(QStringLiteral("行末に文字列を追加"),
                   QStringLiteral("行末に追加する文字列を入力してください。"), addSuffix);
}

void TForm1::N19Click() {
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    if (!mime || !mime->hasText()) {
        Dialogs::instance().messageBox(this, QStringLiteral("クリップボードに文字列がありません。"));
        return;
    }
    if (CommandRunner::busy())
        return;
    // The clipboard is read here; the work thread only converts and splits.
    QString text = mime->text();
    editor_.documentReplaced();
    refreshUndoItem();
    saveName_.clear();
    // The imported text is a new document: it takes the set code page or the locale's.
    TextContextPtr context = editor_.settings().contextForNewText();
    if (!runCommand(
            [&] { importClipboardText(editor_, toCodePage(std::move(text), context->codePage()), context); }))
        return;
    openName_ = kClipboardName;
    documentOpened();
}

void TForm1::documentOpened() {
    refreshTitle();
    Edit1->setEnabled(true);
    Save1->setEnabled(true);
    SaveAs1->setEnabled(true);
}

void TForm1::N20Click() {
    if (CommandRunner::busy())
        return;
    readView();
    try {
        LineList lines;
        runner_->run([&] { lines = exportedLines(editor_.doc); }); // reads the document only
        // The export keeps the document's code page: another program may paste it while a later
        // command replaces the document.
        QGuiApplication::clipboard()->setMimeData(
            new ClipboardLines(std::move(lines), editor_.doc.text().sharedCodePage()));
    } catch (const std::exception& error) {
        reportError(error);
    }
}

void TForm1::N21Click() {
    if (!form5_)
        return;
    std::vector<std::string> fields;
    try {
        fields = firstLineFields(editor_.doc);
    } catch (const std::exception& error) {
        reportError(error);
        return;
    }
    form5_->setFields(fields, editor_.doc.text().codePage());
    Dialogs::instance().showModal(form5_);
}

void TForm1::sortByColumn(int field) {
    if (!runCommand([&] { columnSort(editor_, field); }))
        return; // the window stays open after an error
    refreshTitle();
    form5_->close();
}

} // namespace linnery
