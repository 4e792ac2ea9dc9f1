#include "text/ui/input_box.h"

#include <algorithm>
#include <cmath>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScreen>
#include <QTextLayout>

#include "controls/button.h"
#include "runtime/ui/container.h"
#include "runtime/ui/platform.h"
#include "runtime/ui/qt_text.h"
#include "text/font/screen_font.h"
#include "text/ui/rich_edit.h"

namespace rg_TolvarMingLingJi_ChuangKouZuJian {

using rg_Korrin_ChuangKou::rg_ZuJianBuJuQi;
using rg_Korrin_ChuangKou::toQString;

namespace {

constexpr char16_t kBoxFont[] = u", 11, 0, 0, 0, 0, 0";
constexpr char16_t kButtonFont[] = u", 15, 0, 0, 0, 0, 0";
constexpr int32_t kViewBackground = 0xECECEC;
constexpr int32_t kInputBackground = 0xFFFFFF;

QPointer<rg_TolvarShuRuKuangLei>& sharedDialog() {
    static QPointer<rg_TolvarShuRuKuangLei> dialog;
    return dialog;
}

void destroySharedDialog() {
    delete sharedDialog().data();
}

// The prompt shows CR LF pairs as one line break.
QString promptDisplayText(const QString& text) {
    QString display = text;
    display.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    display.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return display;
}

rg_TolvarAnNiu1* makeButton(QWidget* parent, const char16_t* caption, int width) {
    auto* button = new rg_TolvarAnNiu1(parent);
    button->setFontDescription(kButtonFont);
    button->setCaption(caption);
    button->resize(width, rg_TolvarShuRuKuangLei::kButtonHeight);
    return button;
}

} // namespace

rg_TolvarShuRuKuangLei::rg_TolvarShuRuKuangLei(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint), prompt_(new QPlainTextEdit(this)),
      input_(new rg_TolvarChaoJiBianJiKuang1(this)), row_(new rg_ZuJianBuJuQi(this)) {
    const rg_Korrin_ChuangKou::ScreenFont boxFont = rg_Tolvar_MingLingJi::fontFromDescription(kBoxFont);

    // The prompt: read-only plain text on the dialog's own background, no frame, no margins, so
    // it wraps at its full width like the measurement in promptHeightFor().
    prompt_->setReadOnly(true);
    prompt_->setFrameShape(QFrame::NoFrame);
    prompt_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    prompt_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    prompt_->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    prompt_->document()->setDocumentMargin(0);
    prompt_->setFont(boxFont.font);
    prompt_->setFocusPolicy(Qt::ClickFocus);
    QPalette promptPalette = prompt_->palette();
    promptPalette.setColor(QPalette::Base, promptPalette.color(QPalette::Window));
    prompt_->setPalette(promptPalette);
    prompt_->setGeometry(5, 6, 464, 40);

    input_->setMultiLine(true);
    input_->setWordWrap(true);
    input_->setMaxLength(0);
    input_->setScreenFont(boxFont);
    input_->setGeometry(5, 62, 480, 184);

    restore_ = makeButton(row_, u"恢复", kRowButtonWidth);
    clear_ = makeButton(row_, u"清空", kRowButtonWidth);
    paste_ = makeButton(row_, u"粘贴", kRowButtonWidth);
    restore_->move(0, 0);
    clear_->move(96, 0);
    paste_->move(192, 0);
    // The row reaches the right edge of its last button and is as high as a button.
    row_->setGeometry(10, 339, paste_->x() + paste_->width(), kButtonHeight);

    ok_ = makeButton(this, u"确定", kButtonWidth);
    cancel_ = makeButton(this, u"取消", kButtonWidth);
    ok_->move(611, 339);
    cancel_->move(714, 339);

    restore_->clicked.bind([this] { input_->setText(startingText_); });
    clear_->clicked.bind([this] { input_->setText({}); });
    paste_->clicked.bind([this] { input_->setText(rg_Korrin_ChuangKou::platform().clipboardText()); });
    ok_->clicked.bind([this] { accept(); });
    cancel_->clicked.bind([this] { finish(); });

    // A top-level window of no size at all is not shown again after it was closed on some
    // platforms, which would leave a caller waiting for a dialog nobody can see.
    setMinimumSize(1, 1);
    resize(kDesignWidth, kDesignHeight);
}

rg_TolvarShuRuKuangLei::~rg_TolvarShuRuKuangLei() {
    if (loop_) loop_->quit();
}

rg_TolvarShuRuKuangLei& rg_TolvarShuRuKuangLei::instance() {
    QPointer<rg_TolvarShuRuKuangLei>& dialog = sharedDialog();
    if (!dialog) {
        dialog = new rg_TolvarShuRuKuangLei();
        static bool cleanupAdded = false;
        if (!cleanupAdded) {
            // Widgets must go before the application object does.
            qAddPostRoutine(destroySharedDialog);
            cleanupAdded = true;
        }
    }
    return *dialog;
}

int rg_TolvarShuRuKuangLei::promptHeightFor(int width) const {
    const QString text = promptDisplayText(prompt_->toPlainText());
    if (text.isEmpty()) return 0;
    // Lay the text out the way the prompt box wraps it, paragraph by paragraph.
    const QFont font = prompt_->font();
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    qreal height = 0;
    for (const QString& paragraph : text.split(QLatin1Char('\n'))) {
        QTextLayout layout(paragraph, font);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(std::max(1, width));
            height += line.height();
        }
        layout.endLayout();
    }
    return static_cast<int>(std::ceil(height));
}

rg_TolvarShuRuKuangLei::Layout rg_TolvarShuRuKuangLei::layoutFor(int width, int height) const {
    Layout l;
    const int promptTop = 5;
    const int promptHeight = promptHeightFor(width - 12);
    l.prompt = QRect(5, promptTop, width - 10, promptHeight);
    const int inputTop = promptTop + promptHeight + 5;
    l.input = QRect(5, inputTop, l.prompt.width(), height - row_->height() - promptHeight - promptTop - 15);
    l.row = QRect(5, inputTop + l.input.height() + 5, row_->width(), row_->height());
    const int cancelLeft = width - cancel_->width() - 5;
    l.cancel = QRect(cancelLeft, l.row.y() + (l.row.height() - cancel_->height()) / 2, cancel_->width(),
                     cancel_->height());
    l.ok = QRect(cancelLeft - 5 - ok_->width(), l.row.y() + (l.row.height() - ok_->height()) / 2,
                 ok_->width(), ok_->height());
    return l;
}

void rg_TolvarShuRuKuangLei::relayout() {
    const Layout l = layoutFor(width(), height());
    // Negative sizes (a dialog smaller than its margins) count as 0.
    auto place = [](QWidget* w, const QRect& r) {
        rg_ZuJianBuJuQi::place(w, r.x(), r.y(), r.width(), r.height());
    };
    place(prompt_, l.prompt);
    place(input_, l.input);
    place(row_, l.row);
    place(cancel_, l.cancel);
    place(ok_, l.ok);
}

void rg_TolvarShuRuKuangLei::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    relayout();
}

bool rg_TolvarShuRuKuangLei::showInputBox(const CWString& initialText, const CWString& prompt,
                                          const CWString& caption, InputResult& result, int32_t height,
                                          bool selectAll) {
    if (loop_) return false;
    viewMode_ = result.readOnly;

    prompt_->setPlainText(promptDisplayText(toQString(prompt)));
    accepted_ = false;
    resultText_.clear();
    input_->setText(initialText);
    startingText_ = viewMode_ ? CWString() : initialText;
    setWindowTitle(toQString(!caption.empty() ? caption
                             : viewMode_      ? CWString(u"信息：")
                                              : CWString(u"输入：")));

    ok_->setVisible(!viewMode_);
    row_->setVisible(!viewMode_);
    input_->setReadOnly(viewMode_);
    input_->setBackColour(viewMode_ ? kViewBackground : kInputBackground);
    cancel_->setCaption(viewMode_ ? u"关闭" : u"取消");
    if (selectAll) input_->selectAll();

    // Each call opens at the design size, centred on the screen but with its top-left corner on it,
    // so the title bar can be reached even on a screen smaller than the dialog.
    resize(kDesignWidth, kDesignHeight);
    if (QScreen* s = screen()) {
        const QRect area = s->availableGeometry();
        const QPoint centred = area.center() - rect().center();
        move(std::max(centred.x(), area.left()), std::max(centred.y(), area.top()));
    }
    show();
    if (height > 0) {
        // The height asked for is the window's, frame included.
        const int frame = std::max(0, frameGeometry().height() - geometry().height());
        resize(width(), std::max(1, height - frame));
    }
    relayout();
    raise();
    activateWindow();
    input_->setFocus(Qt::ActiveWindowFocusReason);

    QEventLoop loop;
    loop_ = &loop;
    QPointer<rg_TolvarShuRuKuangLei> alive(this);
    loop.exec();
    if (!alive) return false; // the dialog went away with the application
    loop_ = nullptr;

    const bool accepted = accepted_ && !viewMode_;
    if (accepted) result.text = resultText_;
    // The next call starts without a selection unless it asks for one.
    input_->setSelection(0, 0);
    return accepted;
}

void rg_TolvarShuRuKuangLei::accept() {
    resultText_ = input_->text();
    accepted_ = true;
    finish();
}

void rg_TolvarShuRuKuangLei::finish() {
    hide();
    if (loop_) loop_->quit();
}

void rg_TolvarShuRuKuangLei::closeEvent(QCloseEvent* event) {
    if (loop_ && !input_->isReadOnly() && input_->text() != startingText_) {
        const int32_t answer = rg_Korrin_ChuangKou::platform().messageBox(
            u"信息:", u"内容已经修改，确认要放弃？", rg_Korrin_ChuangKou::MessageIcon::Information,
            rg_Korrin_ChuangKou::MessageButtons::OkCancel);
        if (answer != rg_Korrin_ChuangKou::kResultOk) {
            event->ignore();
            return;
        }
    }
    event->accept();
    finish();
}

bool showInputBox(const CWString& initialText, const CWString& prompt, const CWString& caption,
                  InputResult& result, int32_t height, bool selectAll) {
    return rg_TolvarShuRuKuangLei::instance().showInputBox(initialText, prompt, caption, result, height,
                                                           selectAll);
}

} // namespace rg_TolvarMingLingJi_ChuangKouZuJian
