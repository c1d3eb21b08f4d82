#include "forms/Unit5.h"

#include "widgets/Fonts.h"
#include "widgets/Label3D.h"
#include "widgets/RowHeight.h"
#include "widgets/TextCodec.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QListWidget>
#include <QToolButton>

namespace linnery {

TForm5::TForm5(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QStringLiteral("コンマ区切りデータのソート"));
    setSizeGripEnabled(true);
    move(263, 115);
    resize(696, 480);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));

    SpeedButton1 = new QToolButton(Panel1);
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton1->setText(QStringLiteral("▽"));
    SpeedButton1->setAccessibleName(QStringLiteral("選択した項目でソート"));
    SpeedButton1->setAutoRaise(true);
    SpeedButton1->setFocusPolicy(Qt::NoFocus);
    SpeedButton1->setGeometry(0, 0, 17, 16);

    // The instruction reads top to bottom in the narrow panel; loading sizes the label to the measured
    // text, and the panel follows the label's width.
    Label3D1 = new TLabel3D(Panel1);
    Label3D1->setObjectName(QStringLiteral("Label3D1"));
    Label3D1->BeginLoading();
    Label3D1->setGeometry(2, 18, 12, 352);
    Label3D1->setAngle(270);
    Label3D1->setCaption(
        QStringLiteral("どの項目でソートするか選択したら、上のボタンをクリックしてください。"));
    Label3D1->setFont(msPGothic(12));
    Label3D1->Font3D()->setDepth(0);
    Label3D1->AfterLoading();
    Panel1->setFixedWidth(Label3D1->x() + Label3D1->width() + 2);

    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setAccessibleName(QStringLiteral("項目の一覧"));
    ListBox1->setFont(msPGothic(16));
    ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListBox1->setUniformItemSizes(true);
    setRowHeight(ListBox1, 16);

    connect(SpeedButton1, &QToolButton::clicked, this, &TForm5::SpeedButton1Click);
    connect(ListBox1, &QListWidget::itemDoubleClicked, this, &TForm5::SpeedButton1Click);
    FormCreate();
}

void TForm5::FormCreate() {
    // The panel keeps the left edge; the field list takes all the rest of the client area.
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Panel1);
    layout->addWidget(ListBox1, 1);
}

void TForm5::setFields(const std::vector<std::string>& fields, const CodePage& cp) {
    ListBox1->clear();
    for (const std::string& field : fields)
        ListBox1->addItem(fromCodePage(field, cp));
    ListBox1->setCurrentRow(-1);
    ListBox1->clearSelection();
}

void TForm5::SpeedButton1Click() {
    const QList<QListWidgetItem*> chosen = ListBox1->selectedItems();
    if (chosen.isEmpty())
        return;
    emit sortRequested(ListBox1->row(chosen.first()));
}

} // namespace linnery
