#include "forms/Unit3.h"

#include "widgets/Fonts.h"
#include "widgets/LineListModel.h"
#include "widgets/LineListView.h"
#include "widgets/RowHeight.h"

#include <QListView>
#include <QStatusBar>

#include <algorithm>

namespace linnery {

namespace {

constexpr int kStatusBarHeight = 24;
constexpr int kRowHeight = 16;

} // namespace

TForm3::TForm3(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("被削除行"));
    resize(488, 347);

    // Empty until the first run gives it lines and their code page.
    model_ = new LineListModel(&lines_, std::make_shared<const CodePage>("UTF-8"), this);
    ListBox1 = new LineListView(this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setAccessibleName(QStringLiteral("被削除行"));
    ListBox1->setFont(msGothic(16));
    ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListBox1->setUniformItemSizes(true); // the view asks for one row's size, not for every line's
    setRowHeight(ListBox1, kRowHeight);
    ListBox1->setModel(model_);
    ListBox1->move(0, 0);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    StatusBar1->setFixedHeight(kStatusBarHeight);
    StatusBar1->showMessage(QStringLiteral("連続していた重複行です。これらは削除されました。"));
    FormResize();
}

void TForm3::setRemovedLines(LineList lines, std::shared_ptr<const CodePage> codePage) {
    model_->beginChange();
    lines_ = std::move(lines);
    model_->setCodePage(std::move(codePage));
    model_->endChange();
}

void TForm3::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    FormResize();
}

void TForm3::FormResize() {
    // The status bar is docked at the bottom edge over the full width; the list fills the rest.
    StatusBar1->setGeometry(0, height() - kStatusBarHeight, width(), kStatusBarHeight);
    ListBox1->resize(width(), std::max(0, height() - kStatusBarHeight));
}

} // namespace linnery
