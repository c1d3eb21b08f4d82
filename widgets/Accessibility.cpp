#include "widgets/Accessibility.h"

#include "widgets/Label3D.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QAction>
#include <QListView>
#include <QMenuBar>
#include <QPointer>
#include <QRegularExpression>

#include <utility>

namespace linnery {

namespace {

const char* const kItemKind = "linneryAccessibleKind";
enum ItemKind { Separator = 1, Progress = 2 };

// The rotated label reads as the text it shows.
class LabelAccessible : public QAccessibleWidget {
  public:
    explicit LabelAccessible(TLabel3D* label) : QAccessibleWidget(label, QAccessible::StaticText) {}
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
            return static_cast<TLabel3D*>(widget())->Caption();
        return QAccessibleWidget::text(t);
    }
};

// Qt's own interface of a list view, with the selection mode told: Qt 6.4 never reports that a list
// takes several selected rows. Everything else is Qt's.
class ListAccessible : public QAccessibleInterface {
  public:
    // Qt's interface stays in Qt's accessibility cache, which deletes it when the program ends; a list
    // lives as long as its window.
    ListAccessible(QListView* view, QAccessibleInterface* qtOwn) : view_(view), qt_(qtOwn) {}

    bool isValid() const override { return view_ && qt_->isValid(); }
    QObject* object() const override { return qt_->object(); }
    QWindow* window() const override { return qt_->window(); }
    QList<QPair<QAccessibleInterface*, QAccessible::Relation>>
    relations(QAccessible::Relation match) const override {
        return qt_->relations(match);
    }
    QAccessibleInterface* focusChild() const override { return qt_->focusChild(); }
    QAccessibleInterface* childAt(int x, int y) const override { return qt_->childAt(x, y); }
    QAccessibleInterface* parent() const override { return qt_->parent(); }
    QAccessibleInterface* child(int index) const override { return qt_->child(index); }
    int childCount() const override { return qt_->childCount(); }
    int indexOfChild(const QAccessibleInterface* child) const override { return qt_->indexOfChild(child); }
    QString text(QAccessible::Text t) const override { return qt_->text(t); }
    void setText(QAccessible::Text t, const QString& text) override { qt_->setText(t, text); }
    QRect rect() const override { return qt_->rect(); }
    QAccessible::Role role() const override { return qt_->role(); }
    QAccessible::State state() const override {
        QAccessible::State state = qt_->state();
        const auto mode = view_ ? view_->selectionMode() : QAbstractItemView::NoSelection;
        state.multiSelectable =
            mode == QAbstractItemView::ExtendedSelection || mode == QAbstractItemView::MultiSelection;
        state.extSelectable = mode == QAbstractItemView::ExtendedSelection;
        return state;
    }
    QColor foregroundColor() const override { return qt_->foregroundColor(); }
    QColor backgroundColor() const override { return qt_->backgroundColor(); }
    void* interface_cast(QAccessible::InterfaceType type) override { return qt_->interface_cast(type); }

  private:
    QPointer<QListView> view_;
    QAccessibleInterface* qt_;
};

// One of the plain items at the end of the menu bar: a separator, or the progress display.
class MenuBarItemAccessible : public QAccessibleInterface {
  public:
    MenuBarItemAccessible(QAction* action, ItemKind kind) : action_(action), kind_(kind) {}

    bool isValid() const override { return action_ && bar(); }
    QObject* object() const override { return action_; }
    QWindow* window() const override {
        QMenuBar* menuBar = bar();
        return menuBar && menuBar->window() ? menuBar->window()->windowHandle() : nullptr;
    }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(bar()); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Name && showsProgress() ? action_->text() : QString();
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        QMenuBar* menuBar = bar();
        if (!menuBar)
            return {};
        const QRect r = menuBar->actionGeometry(action_);
        return QRect(menuBar->mapToGlobal(r.topLeft()), r.size());
    }
    // The menu bar counts only its items and separators as its children.
    QAccessible::Role role() const override {
        return kind_ == Separator ? QAccessible::Separator : QAccessible::MenuItem;
    }
    QAccessible::State state() const override {
        QAccessible::State state;
        state.invisible = !showsProgress();
        state.disabled = kind_ == Separator;
        return state;
    }

  private:
    QMenuBar* bar() const {
        if (!action_)
            return nullptr;
        for (QObject* widget : action_->associatedObjects())
            if (auto* menuBar = qobject_cast<QMenuBar*>(widget))
                return menuBar;
        return nullptr;
    }
    bool showsProgress() const {
        static const QRegularExpression percentage(QStringLiteral("^\\d+%$"));
        return kind_ == Progress && action_ && percentage.match(action_->text()).hasMatch();
    }

    QPointer<QAction> action_;
    ItemKind kind_;
};

// Set while Qt's own interface of a list is made, which this factory wraps.
bool makingQtOwn = false;

QAccessibleInterface* factory(const QString& key, QObject* object) {
    if (auto* label = qobject_cast<TLabel3D*>(object); label && key == QLatin1String("linnery::TLabel3D"))
        return new LabelAccessible(label);
    if (auto* action = qobject_cast<QAction*>(object); action && key == QLatin1String("QAction")) {
        const int kind = action->property(kItemKind).toInt();
        return kind ? new MenuBarItemAccessible(action, ItemKind(kind)) : nullptr;
    }
    auto* view = qobject_cast<QListView*>(object);
    if (!view || makingQtOwn || key != QLatin1String(object->metaObject()->className()))
        return nullptr;
    makingQtOwn = true;
    QAccessibleInterface* qtOwn = QAccessible::queryAccessibleInterface(view);
    makingQtOwn = false;
    return qtOwn ? new ListAccessible(view, qtOwn) : nullptr;
}

} // namespace

void installAccessibility() {
    static bool installed = false;
    if (!std::exchange(installed, true))
        QAccessible::installFactory(factory);
}

void markSeparatorItem(QAction* action) {
    action->setProperty(kItemKind, int(Separator));
}

void markProgressItem(QAction* action) {
    action->setProperty(kItemKind, int(Progress));
}

void progressCaptionChanged(QAction* action) {
    if (!QAccessible::isActive())
        return;
    QAccessibleEvent nameChanged(action, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&nameChanged);
    QAccessible::State changed;
    changed.invisible = true;
    QAccessibleStateChangeEvent visibility(action, changed);
    QAccessible::updateAccessibility(&visibility);
}

} // namespace linnery
