#pragma once

#include "core/commands/Editor.h"

#include <QMainWindow>

#include <optional>
#include <string>
#include <vector>

class QAction;
class QListView;
class QMenu;

namespace linnery {

class CommandRunner;
class LineListModel;
class TAnimateWindow;
class TForm2;
class TForm3;
class TForm5;

// The main window: the document, its menus and the file commands. Every handler reads what the user
// chose, calls the core and shows the result (title, captions, windows).
class TForm1 : public QMainWindow {
    Q_OBJECT
  public:
    // arguments: the program's command line as bytes, the program's own path first. `settings` say how
    // the documents' texts are read.
    explicit TForm1(std::vector<std::string> arguments = {}, TextSettings settings = TextSettings::read(),
                    QWidget* parent = nullptr);
    ~TForm1() override;

    // The other windows, created after this one.
    void setWindows(TForm2* form2, TForm3* form3, TForm5* form5);

    Editor& editor() { return editor_; }
    // The file names of the open and save dialogs (bytes of the paths).
    const std::string& openName() const { return openName_; }
    const std::string& saveName() const { return saveName_; }

    // The document view and the menu items, named as the program knows them.
    QListView* ListBox1;
    QMenu* PopupMenu1;
    QAction *File1, *Open1, *Save1, *SaveAs1, *N10, *Exit1;
    QAction *Edit1, *N5, *N16, *N1, *N2, *N3, *N4, *N24, *Delete1, *N11, *Commands1;
    QAction *N8, *N6, *N17, *N14, *N15, *N7, *N21;
    QAction *N18, *N19, *N20;
    QAction *Help1, *TarnholmeHomePage1, *N13, *About;
    QAction *N9, *N12;
    QAction *N23, *N22, *Delete2;
    // Takes the whole program to the taskbar and back; no events of its own.
    TAnimateWindow* AnimateWindow1;

    // Handlers.
    void FormCreate();
    void FormShow();
    void FormDestroy();
    void FilesDropped(const std::vector<std::string>& paths);
    void Open1Click();
    void Save1Click();
    void SaveAs1Click();
    void Exit1Click();
    void AboutClick();
    void TarnholmeHomePage1Click();
    void ListBox1DblClick();
    void N1Click();
    void N2Click();
    void N3Click();
    void N4Click();
    void N5Click();
    void Delete1Click();
    void N6Click();
    void N7Click();
    void N8Click();
    void N14Click();
    void N15Click();
    void N17Click();
    void N19Click();
    void N20Click();
    void N21Click();

    // The caption from the open name and the line count.
    void refreshTitle();

    static const QString kOpenFilter;
    static const QString kSaveFilter;
    static const QString kHomePage;
    static const QString kMailAddress;

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void buildMenus();
    QAction* item(QMenu* menu, const char* name, const QString& caption, void (TForm1::*handler)() = nullptr);
    // Runs a command on the document, off the GUI thread (CommandRunner): the view's selection, focus and
    // scroll position go to the document first and come back afterwards; an error ends in the error box.
    // False when the command failed or another command was running.
    template <class Work> bool runCommand(Work&& work);
    void freezeView();
    void readView();
    void writeView();
    void refreshUndoItem();
    // Steps 2 to 6 of the load sequence, for the open name. False when the load failed.
    bool loadOpenName();
    // Asks for a name to save under; false when cancelled.
    bool askSaveName();
    void saveDocument();
    // A loaded or imported document: its title, and the menus that work on it.
    void documentOpened();
    // A typed text in the document's code page; nothing, after the error box, when it cannot hold a
    // character of it.
    std::optional<std::string> typedText(const QString& text);
    void sortByColumn(int field);
    // The prefix and suffix commands: ask for the text, add it, refresh the title.
    void addToEveryLine(const QString& caption, const QString& prompt,
                        bool (*add)(Editor&, std::string_view));

    Editor editor_;
    LineListModel* model_;
    CommandRunner* runner_;
    std::vector<std::string> arguments_;
    std::string openName_;
    std::string saveName_;
    bool shown_ = false;
    TForm2* form2_ = nullptr;
    TForm3* form3_ = nullptr;
    TForm5* form5_ = nullptr;
};

} // namespace linnery
