#include "widgets/TextEntryDialog.h"

#include "widgets/OneLineValidator.h"

#include <QEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

namespace linnery {

namespace {

// Dialog units of a font: a quarter of its average letter width across, an eighth of its height down.
struct DialogUnits {
    int baseX;
    int baseY;

    explicit DialogUnits(const QFont& font) {
        const QFontMetrics metrics(font);
        const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
        baseX = metrics.horizontalAdvance(letters) / 52;
        baseY = metrics.height();
    }
    // units * base / 4 (resp. / 8), rounded to the nearest pixel
    int x(int units) const { return (units * baseX * 2 + 4) / 8; }
    int y(int units) const { return (units * baseY * 2 + 8) / 16; }
};

// Centres its window on the screen each time it is shown, by the outer size, which is known only then.
class CentreOnShow : public QObject {
  public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show)
            centre(static_cast<QWidget*>(watched));
        return false;
    }
    static void centre(QWidget* window) {
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            const QRect area = screen->geometry();
            const QSize outer = window->frameGeometry().size();
            window->move(area.x() + (area.width() - outer.width()) / 2,
                         area.y() + (area.height() - outer.height()) / 2);
        }
    }
};

} // namespace

TextEntryDialog::TextEntryDialog(QWidget* parent, const QString& caption, const QString& prompt,
                                 const QString& defaultText)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      default_(defaultText) {
    setWindowTitle(caption);
    const DialogUnits du(font());

    prompt_ = new QLabel(prompt, this);
    prompt_->move(du.x(8), du.y(8));
    prompt_->adjustSize();

    edit_ = new QLineEdit(this);
    edit_->setMaxLength(255);
    OneLineValidator::install(edit_);
    edit_->setText(defaultText);
    edit_->setGeometry(du.x(8), du.y(19), du.x(164), edit_->sizeHint().height());
    edit_->selectAll();
    prompt_->setBuddy(edit_); // screen readers name the edit box by its prompt

    ok_ = new QPushButton(QStringLiteral("OK"), this);
    ok_->setGeometry(du.x(38), du.y(41), du.x(50), du.y(14));
    ok_->setDefault(true);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);

    // Esc rejects through QDialog; the button does the same.
    cancel_ = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    cancel_->setGeometry(du.x(92), du.y(41), du.x(50), du.y(14));
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

    setFixedSize(du.x(180), du.y(63));
    edit_->setFocus();

    // Placed now so the dialog is not put over its parent, and again once its frame is known.
    CentreOnShow::centre(this);
    installEventFilter(new CentreOnShow(this));
}

QString TextEntryDialog::result() const {
    return QDialog::result() == QDialog::Accepted ? edit_->text() : default_;
}

QString TextEntryDialog::ask(QWidget* parent, const QString& caption, const QString& prompt,
                             const QString& defaultText) {
    TextEntryDialog dialog(parent, caption, prompt, defaultText);
    dialog.exec();
    return dialog.result();
}

} // namespace linnery
