#pragma once

class QAction;

namespace linnery {

// What screen readers are told beyond Qt's own accessible interfaces: the rotated label is text with
// its caption for a name, a list that takes several selected rows says so, and the plain items at the
// end of the menu bar are a separator and a progress display rather than two items named "-". Nothing
// here changes what is drawn. Installed once, before the windows are made.
void installAccessibility();

// The menu-bar item `action` is a separator for screen readers, whatever its caption shows.
void markSeparatorItem(QAction* action);
// The menu-bar item `action` shows progress: named by its caption while that is a percentage, nameless
// and invisible to screen readers while it shows "-".
void markProgressItem(QAction* action);
// Tells screen readers that a progress item's caption changed.
void progressCaptionChanged(QAction* action);

} // namespace linnery
