// The document list against QListView, which it stands in for: the same rows under the same keys, clicks
// and drags, the same selection and scrolling; and a hundred million rows, which QListView cannot lay out.

#include "widgets/LineListView.h"
#include "widgets/Fonts.h"
#include "widgets/ListRowDelegate.h"

#include <QListView>
#include <QScrollBar>
#include <QStringListModel>
#include <QTest>

#include <memory>

using namespace linnery;

namespace {

// Rows that only count: the view asks for what is on screen.
class CountedRows : public QAbstractListModel {
  public:
    explicit CountedRows(int rows) : rows_(rows) {}
    int rowCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : rows_;
    }
    QVariant data(const QModelIndex& index, int role) const override {
        return role == Qt::DisplayRole ? QVariant(QString::number(index.row())) : QVariant();
    }

  private:
    int rows_;
};

void setUp(QAbstractItemView& view, QAbstractItemModel& model, int rowHeight) {
    view.setModel(&model);
    view.setSelectionMode(QAbstractItemView::ExtendedSelection);
    view.setFont(msGothic(16));
    view.setItemDelegate(new ListRowDelegate(rowHeight, &view));
    view.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    view.resize(240, 171); // not a whole number of rows
    view.show();
    // What taking the focus does; the two windows of a test cannot both have it.
    view.selectionModel()->setCurrentIndex(model.index(0, 0), QItemSelectionModel::NoUpdate);
}

QList<int> selectedRows(const QAbstractItemView& view) {
    QList<int> rows;
    for (const QModelIndex& index : view.selectionModel()->selectedIndexes())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

// One step a user takes: keys, or a click or drag from one row's place to another's.
struct Step {
    QList<QKeyCombination> keys;
    int pressAt = -1, releaseAt = -1; // viewport heights, -1: none
    Qt::KeyboardModifiers modifiers = Qt::NoModifier;
};

void take(QAbstractItemView& view, const Step& step) {
    for (const QKeyCombination key : step.keys)
        QTest::keyClick(&view, key.key(), key.keyboardModifiers());
    if (step.pressAt < 0)
        return;
    QWidget* port = view.viewport();
    const QPoint from(30, step.pressAt), to(30, step.releaseAt < 0 ? step.pressAt : step.releaseAt);
    QTest::mousePress(port, Qt::LeftButton, step.modifiers, from);
    if (to != from) {
        QMouseEvent move(QEvent::MouseMove, to, port->mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                         step.modifiers);
        QApplication::sendEvent(port, &move);
    }
    QTest::mouseRelease(port, Qt::LeftButton, step.modifiers, to);
}

} // namespace

class LineListViewTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { installFontSubstitutes(); }

    void behavesAsQListView_data() {
        QTest::addColumn<QList<Step>>("steps");
        using K = QKeyCombination;
        const Qt::KeyboardModifier shift = Qt::ShiftModifier, ctrl = Qt::ControlModifier;
        QTest::newRow("down and page down")
            << QList<Step>{{{K(Qt::Key_Down), K(Qt::Key_PageDown), K(Qt::Key_PageDown)}}};
        QTest::newRow("end, page up, shift+page up") << QList<Step>{
            {{K(Qt::Key_End), K(Qt::Key_PageUp), K(shift, Qt::Key_PageUp), K(shift, Qt::Key_Up)}}};
        QTest::newRow("ctrl+a, then home") << QList<Step>{{{K(ctrl, Qt::Key_A)}}, {{K(Qt::Key_Home)}}};
        QTest::newRow("left and right stay")
            << QList<Step>{{{K(Qt::Key_Down), K(Qt::Key_Right), K(Qt::Key_Left)}}};
        QTest::newRow("click, shift+click lower")
            << QList<Step>{{{}, 40, -1}, {{}, 150, -1, Qt::ShiftModifier}};
        QTest::newRow("click, scroll, shift+click") << QList<Step>{
            {{}, 20, -1}, {{K(Qt::Key_PageDown), K(Qt::Key_PageDown)}}, {{}, 100, -1, Qt::ShiftModifier}};
        QTest::newRow("ctrl+click adds") << QList<Step>{{{}, 5, -1}, {{}, 70, -1, Qt::ControlModifier}};
        QTest::newRow("drag down, and up past the top") << QList<Step>{{{}, 30, 120}, {{}, 120, -30}};
        QTest::newRow("click below the last row") << QList<Step>{{{K(Qt::Key_End)}}, {{}, 168, -1}};
    }

    void behavesAsQListView() {
        QFETCH(QList<Step>, steps);
        for (const int count : {3, 40}) {
            QStringListModel theirModel, ourModel;
            QStringList lines;
            for (int i = 0; i < count; ++i)
                lines << QStringLiteral("行 %1").arg(i);
            theirModel.setStringList(lines);
            ourModel.setStringList(lines);
            QListView theirs;
            LineListView ours;
            theirs.setUniformItemSizes(true);
            setUp(theirs, theirModel, 16);
            setUp(ours, ourModel, 16);
            QVERIFY(QTest::qWaitForWindowExposed(&theirs) && QTest::qWaitForWindowExposed(&ours));
            for (const Step& step : steps) {
                take(theirs, step);
                take(ours, step);
                QCOMPARE(ours.currentIndex().row(), theirs.currentIndex().row());
                QCOMPARE(selectedRows(ours), selectedRows(theirs));
                QCOMPARE(ours.verticalScrollBar()->value(), theirs.verticalScrollBar()->value());
                QCOMPARE(ours.verticalScrollBar()->maximum(), theirs.verticalScrollBar()->maximum());
                QCOMPARE(ours.verticalScrollBar()->pageStep(), theirs.verticalScrollBar()->pageStep());
                for (int y = -20; y < 190; y += 7) {
                    const QPoint at(10, y);
                    QCOMPARE(ours.indexAt(at).row(), theirs.indexAt(at).row());
                    const QModelIndex row = theirModel.index(theirs.indexAt(at).row());
                    QCOMPARE(ours.visualRect(ourModel.index(row.row())), theirs.visualRect(row));
                }
            }
        }
    }

    void reachesTheLastOfAHundredMillionRows() {
        // 22-pixel rows: the last row's top lies past the range of an int, counted from the first row.
        CountedRows model(100'000'000);
        LineListView view;
        setUp(view, model, 22);
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QTest::keyClick(&view, Qt::Key_End, Qt::ControlModifier);
        const QModelIndex last = model.index(99'999'999);
        QCOMPARE(view.currentIndex(), last);
        const QRect rect = view.visualRect(last);
        QVERIFY(view.viewport()->rect().contains(rect));
        QCOMPARE(view.indexAt(rect.center()), last);
        QCOMPARE(view.verticalScrollBar()->maximum(), view.verticalScrollBar()->value());
        QTest::keyClick(&view, Qt::Key_Home, Qt::ShiftModifier);
        QCOMPARE(view.selectionModel()->selection().size(), 1);
        QCOMPARE(view.selectionModel()->selection().first().height(), 100'000'000);
        QTest::keyClick(&view, Qt::Key_PageDown);
        QCOMPARE(view.indexAt(view.visualRect(view.currentIndex()).center()), view.currentIndex());
    }
};

QTEST_MAIN(LineListViewTest)
#include "LineListViewTest.moc"
