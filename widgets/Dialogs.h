#pragma once

#include <QString>

class QDialog;
class QUrl;
class QWidget;

namespace linnery {

class LineError;

// Every dialog, message box and modal window the program shows goes through this seam, so the window
// tests can answer them without a person. The program uses the Qt dialogs (QtDialogs).
class Dialogs {
  public:
    virtual ~Dialogs() = default;

    // The open and save dialogs: `fileName` is the proposed name on entry and the chosen path when the
    // user confirms (the result is true). `filter` is in the program's "name|patterns|..." form.
    virtual bool openFile(QWidget* parent, const QString& filter, QString& fileName) = 0;
    virtual bool saveFile(QWidget* parent, const QString& filter, QString& fileName) = 0;
    // The error box: caption "Linnery", stop icon, one OK button, application-modal. `detail` (the file
    // and the system's reason) is offered behind the box's details button when it is not empty.
    virtual void errorBox(const QString& text, const QString& detail) = 0;
    // The same box for news that is no error: the information icon instead of the stop icon.
    virtual void informationBox(const QString& text, const QString& detail) = 0;
    // The program's own messages: caption "Linnery", one OK button, no icon, owned by `parent`.
    virtual void messageBox(QWidget* parent, const QString& text) = 0;
    // The text-entry dialog; the default text when it is not confirmed with OK.
    virtual QString textEntry(QWidget* parent, const QString& caption, const QString& prompt,
                              const QString& defaultText) = 0;
    // Shows a window modally and returns when it is closed.
    virtual void showModal(QDialog* window) = 0;
    // Asks the desktop to open a web address; the result is not examined.
    virtual void openUrl(const QUrl& url) = 0;

    // The dialogs in use; tests install their own.
    static Dialogs& instance();
    static void setInstance(Dialogs* dialogs);
};

class QtDialogs : public Dialogs {
  public:
    bool openFile(QWidget* parent, const QString& filter, QString& fileName) override;
    bool saveFile(QWidget* parent, const QString& filter, QString& fileName) override;
    void errorBox(const QString& text, const QString& detail) override;
    void informationBox(const QString& text, const QString& detail) override;
    void messageBox(QWidget* parent, const QString& text) override;
    QString textEntry(QWidget* parent, const QString& caption, const QString& prompt,
                      const QString& defaultText) override;
    void showModal(QDialog* window) override;
    void openUrl(const QUrl& url) override;
};

// "name|patterns|name|patterns" -> Qt's "name (patterns);;..." list.
QString qtFileFilter(const QString& filter);

// Shows an error raised by a command in the error box, with the error box's text rule.
void reportError(const std::exception& error);
// Shows news told in an error's form (words around a path, the reason as the detail) in the
// information box, with the same text rule.
void reportInformation(const LineError& news);

} // namespace linnery
