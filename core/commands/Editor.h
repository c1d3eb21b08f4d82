#pragma once

#include "core/commands/Progress.h"
#include "core/commands/RandomGenerator.h"
#include "core/lines/Document.h"
#include "core/lines/LineList.h"
#include "core/text/Settings.h"

#include <cstdint>
#include <functional>
#include <string>

namespace linnery {

// Which way the undo item goes next; its caption tells the user.
enum class UndoState {
    None, // "取り消し不可", disabled: no undo copy belongs to the document
    Undo, // "取り消し": the undo copy is the document before the last editing command
    Redo, // "やり直し": the last exchange was an undo
};

// The caption of the undo item for a state (UTF-8).
const char* undoCaption(UndoState state);

// Milliseconds since the system started, as an unsigned 32-bit value that wraps.
std::uint32_t systemTickCount();

// What the editing commands work on: the document, the one-level undo copy, the progress caption and
// the random generator. The main window and the command line each hold one.
class Editor {
  public:
    // With the settings of the environment (TextSettings::read()); SettingError when they are unknown.
    Editor();
    explicit Editor(TextSettings settings);

    // How loaded and imported texts are read; each document gets its TextContext from them.
    const TextSettings& settings() const { return settings_; }

    Document doc;
    LineList undoCopy;
    UndoState undoState = UndoState::None;
    Progress progress;
    RandomGenerator random;
    std::function<std::uint32_t()> tickCount = systemTickCount;
    // Off where nothing can undo (linnery-cli): the undo copy then stays empty, so the lines a command
    // replaces are released at once, and a command that runs out of memory leaves the document as it
    // stopped.
    bool keepsUndoCopy = true;

    // Runs one command on the document. Running out of memory ends it at this boundary with the insert
    // error: the document, its selection, focus and first visible line are as before the command, and
    // the progress caption is "-". Other errors pass through as they are.
    void run(const std::function<void()>& command);

    // Before an editing command changes the document. All or nothing: a copy that fails leaves the
    // previous undo copy.
    void takeUndoCopy();
    // Exchanges the document and the undo copy; undo and redo alternate.
    void undoRedo();
    // The document was replaced by a load or an import: the undo copy cannot be reached any more.
    void documentReplaced() { undoState = UndoState::None; }
    // Loads a file into the document by the text-file rules. The open error leaves the document as it
    // was; after the insert error it holds the lines read so far. The undo state is the caller's. The
    // document is read in the file's code page (TextSettings::contextFor).
    void loadDocument(const std::string& path);

  private:
    TextSettings settings_;
    std::uint64_t undoCopiesTaken_ = 0;
};

} // namespace linnery
