#pragma once

// Shared by the window tests: dialogs answered by the test instead of a person.

#include "widgets/Dialogs.h"

#include <QApplication>
#include <QDialog>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QStringList>
#include <QUrl>

#include <deque>
#include <functional>

namespace linnery::test {

class FakeDialogs : public Dialogs {
  public:
    struct FileAnswer {
        bool confirm = false;
        QString path;
    };

    // Answers, used in order; an unanswered file dialog is cancelled, an unanswered text entry returns
    // the default text.
    std::deque<FileAnswer> openAnswers, saveAnswers;
    std::deque<QString> textAnswers;
    // Runs while a modal window is "shown"; the window is closed afterwards if it still is open.
    std::function<void(QDialog*)> onModal;

    // What the program showed.
    QStringList proposedOpenNames, proposedSaveNames, openFilters, saveFilters;
    QStringList errors, errorDetails, information, informationDetails, messages, textCaptions, textPrompts,
        urls;
    QList<QDialog*> modalWindows;

    FakeDialogs() { Dialogs::setInstance(this); }
    ~FakeDialogs() override { Dialogs::setInstance(nullptr); }

    bool openFile(QWidget*, const QString& filter, QString& fileName) override {
        openFilters << filter;
        return answer(openAnswers, proposedOpenNames, fileName);
    }
    bool saveFile(QWidget*, const QString& filter, QString& fileName) override {
        saveFilters << filter;
        return answer(saveAnswers, proposedSaveNames, fileName);
    }
    void errorBox(const QString& text, const QString& detail) override {
        errors << text;
        errorDetails << detail;
    }
    void informationBox(const QString& text, const QString& detail) override {
        information << text;
        informationDetails << detail;
    }
    void messageBox(QWidget*, const QString& text) override { messages << text; }
    QString textEntry(QWidget*, const QString& caption, const QString& prompt,
                      const QString& defaultText) override {
        textCaptions << caption;
        textPrompts << prompt;
        if (textAnswers.empty())
            return defaultText;
        QString text = textAnswers.front();
        textAnswers.pop_front();
        return text;
    }
    void showModal(QDialog* window) override {
        modalWindows << window;
        window->show();
        if (onModal)
            onModal(window);
        window->hide();
    }
    void openUrl(const QUrl& url) override { urls << url.toString(); }

  private:
    static bool answer(std::deque<FileAnswer>& answers, QStringList& proposed, QString& fileName) {
        proposed << fileName;
        if (answers.empty())
            return false;
        FileAnswer a = answers.front();
        answers.pop_front();
        if (a.confirm)
            fileName = a.path;
        return a.confirm;
    }
};

// Drags the files onto `target` the way the platform does: enter, move, drop. Returns whether the
// drag was accepted.
inline bool dropFiles(QWidget* target, const QStringList& paths) {
    QMimeData data;
    QList<QUrl> urls;
    for (const QString& p : paths)
        urls << QUrl::fromLocalFile(p);
    data.setUrls(urls);
    data.setText(paths.join(QLatin1Char('\n'))); // file managers offer the paths as text too
    const QPoint at(target->width() / 2, target->height() / 2);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted())
        return false;
    QDragMoveEvent move(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &move);
    if (!move.isAccepted())
        return false;
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    QCoreApplication::processEvents(); // the windows act on a drop once it is finished
    return drop.isAccepted();
}

} // namespace linnery::test
