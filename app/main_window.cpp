#include "app/main_window.h"
#include "app/undo_entry.h"

#include <algorithm>
#include <filesystem>
#include <limits>
#include <new>
#include <string>

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QScreen>

#include "app/app_text.h"
#include "app/data_folder.h"
#include "resources/images.h"
#include "runtime/ui/image_resources.h"
#include "runtime/ui/platform.h"
#include "runtime/ui/qt_text.h"
#include "text/codecs.h"
#include "text/elapsed_time.h"
#include "text/encoding.h"
#include "text/font/screen_font.h"
#include "text/text_file.h"
#include "text/ui/input_box.h"
#include "json/node.h"

namespace rg_Korrin_ChengXu {

using namespace rg_TolvarMingLingJi_ChuangKouZuJian;
using rg_Korrin_ChuangKou::BeepKind;
using rg_Korrin_ChuangKou::fromQString;
using rg_Korrin_ChuangKou::MessageButtons;
using rg_Korrin_ChuangKou::MessageIcon;
using rg_Korrin_ChuangKou::platform;
using rg_Korrin_ChuangKou::rg_BianJiKuang;
using rg_Korrin_ChuangKou::rg_ZuJianBuJuQi;
using rg_Korrin_ChuangKou::toQString;
using rg_Tolvar_MingLingJi::fontFromDescription;
using rg_Tolvar_MingLingJi::sharedStopwatch;

namespace {

constexpr char16_t kF11[] = u", 11, 0, 0, 0, 0, 0";
constexpr char16_t kF11B[] = u", 11, 1, 0, 0, 0, 0";
constexpr char16_t kF17[] = u", 17, 0, 0, 0, 0, 0";
constexpr char16_t kFH15[] = u"黑体, 15, 0, 0, 0, 0, 0";
constexpr char16_t kParseCaption[] = u"从剪贴板解析到树";
constexpr char16_t kSettingsSection[] = u"主界面";
constexpr int kPathMargin = 9; // left edge of the path box, the layout's unit gap

QFont screenFont(CWStringView description) {
    return fontFromDescription(description).font;
}

void place(QWidget* w, int x, int y, int width, int height) {
    rg_ZuJianBuJuQi::place(w, x, y, width, height);
}

rg_TolvarAnNiu1* makeButton(QWidget* parent, CWStringView caption, int32_t image, CWStringView tooltip = {}) {
    auto* b = new rg_TolvarAnNiu1(parent);
    b->setCaption(caption);
    b->setFontDescription(kF11);
    if (image > 0) b->setNormalImage(image);
    if (!tooltip.empty()) b->setTooltip(tooltip);
    return b;
}

rg_BianJiKuang* makeEditBox(QWidget* parent, CWStringView text, CWStringView controlName, int right) {
    auto* e = new rg_BianJiKuang(parent);
    e->setScreenFont(fontFromDescription(kF11));
    e->setMargins(0, right);
    e->setContent(text);
    e->setControlName(controlName);
    return e;
}

QLabel* makeLabel(QWidget* parent, CWStringView text) {
    auto* l = new QLabel(toQString(text), parent);
    l->setFont(screenFont(kF11));
    l->setAlignment(Qt::AlignVCenter | Qt::AlignLeft);
    return l;
}

CWString joinRemarks(const std::vector<CWString>& names) {
    CWString out;
    for (size_t i = 0; i < names.size(); ++i) {
        if (i) out += u'|';
        out += names[i];
    }
    return out;
}

std::vector<CWString> splitRemarks(CWStringView text, size_t count) {
    std::vector<CWString> out;
    size_t start = 0;
    for (;;) {
        const size_t bar = text.find(u'|', start);
        out.emplace_back(text.substr(start, bar == CWStringView::npos ? CWStringView::npos : bar - start));
        if (bar == CWStringView::npos || out.size() > count) break;
        start = bar + 1;
    }
    out.resize(count);
    return out;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Construction

rg_ZhuChuangKou1::rg_ZhuChuangKou1(CWString dataFolder, QWidget* parent)
    : QWidget(parent), dataFolder_(std::move(dataFolder)) {
    for (auto& s : slots_)
        s = std::make_unique<rg_ShuCaoWei>();
    setWindowTitle(QStringLiteral("Tolvar·Quelix(Veltrix) v1.7.0.0"));
    setWindowIcon(rg_Korrin_ZiYuan::applicationIcon());
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                   Qt::WindowCloseButtonHint);
    setFont(screenFont(kF11));
    setAcceptDrops(true);

    settings_.processMessages = [this] { processMessages(); };
    settings_.showMessage = [this](const CWString& text) { showInfo(text); };
    settings_.open(settingsFilePath());

    resize(kDesignWidth, kDesignHeight);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.x() + (area.width() - kDesignWidth) / 2, area.y() + (area.height() - kDesignHeight) / 2);
    }
    createControls();
    bindEvents();
    createShortcuts();
    onCreated();
    rg_Korrin_ChuangKou::setDialogOwner(this); // the open-file and input dialogs stay above it
}

rg_ZhuChuangKou1::~rg_ZhuChuangKou1() {
    for (int32_t i = 0; i < kSlotCount; ++i)
        finishSlotWrite(i);
    // The trees and their stores raise events into this window; unbind before the members go.
    for (auto& s : slots_)
        if (s->tree) {
            s->tree->store().selectionChanged.unbind();
            s->tree->rightClicked.unbind();
            s->tree->editCommitted.unbind();
        }
}

CWString rg_ZhuChuangKou1::settingsFilePath() const {
    return fileInFolder(dataFolder_, u"软件配置.ini");
}

CWString rg_ZhuChuangKou1::slotFilePath(int32_t slot) const {
    return fileInFolder(dataFolder_, u"JSON树" + decimal(slot + 1) + u".txt");
}

void rg_ZhuChuangKou1::createControls() {
    slotBar = new rg_TolvarXuanZeGa1(this);
    place(slotBar, 4, 139, 858, 51);
    slotBar->tabHeight = 50;
    slotBar->multiRow = 0;
    slotBar->sharedImage = 1;
    slotBar->sharedTooltip = 1;
    slotBar->tooltips = {u"这是树[序号]，右击可以编辑本树的顶级节点备注名称，双击可以解析到树"};
    slotBar->setTabImage(0, 502);
    slotBar->setTabs(u"1|2|3|4|5|6|7|8|9|10|11|12|13|14|15|16|17|18|19|20");

    banner = new rg_PinPaiHengFu(this);
    place(banner, 0, 0, 1139, 73);
    banner->setDisplayName(u"Tolvar·Quelix");
    banner->setVersionText(u"v1.7.0.0");

    // The toolbar sits over the banner's right end; it is the window's child (not the banner's)
    // so its lower buttons are not cut off at the banner's bottom edge.
    toolbarPanel = new rg_ZuJianBuJuQi(this);
    place(toolbarPanel, 830, 2, 294, 83);
    streamToggle =
        makeButton(toolbarPanel, u"文件流解析", 503, u"对外部JSON文件进行解析，支持超大文件指定路径解析");
    streamToggle->toggleMode = 1;
    place(streamToggle, 4, 4, 128, 36);
    findToggle = makeButton(toolbarPanel, u"查找树数据", 504, u"查找JSON树中的节点并定位显示");
    findToggle->toggleMode = 1;
    findToggle->setChecked(1);
    place(findToggle, 4, 44, 128, 36);
    topMostCheck = new rg_TolvarXuanZhongKuang1(toolbarPanel);
    topMostCheck->setCaption(u"窗口置顶");
    topMostCheck->button()->setFontDescription(kF11);
    place(topMostCheck, 151, 4, 130, 36);
    textIconCheck = new rg_TolvarXuanZhongKuang1(toolbarPanel);
    textIconCheck->setCaption(u"文字图标");
    textIconCheck->button()->setFontDescription(kF11);
    place(textIconCheck, 151, 44, 130, 36);

    copyPathButton = makeButton(this, u"复制路径", 505);
    place(copyPathButton, 932, 102, 96, 25);

    paneTemplate = new rg_TolvarChaoJiBianJiKuang1(this);
    paneTemplate->setScreenFont(fontFromDescription(kF11));
    paneTemplate->setMultiLine(true);
    paneTemplate->setWordWrap(true);
    place(paneTemplate, 561, 198, 560, 344);
    paneTemplate->hide();

    outputFormatList = new rg_XiaLaLieBiaoKuang(this);
    outputFormatList->setItems({u"缩进输出", u"紧凑输出"});
    outputFormatList->setFont(screenFont(kF11));
    outputFormatList->setControlName(u"输出格式");
    outputFormatList->setCurrentIndex(0);
    place(outputFormatList, 1033, 104, 84, 24);

    statusBar = new rg_ZhuangTaiTiao(this);
    statusBar->setFont(screenFont(kF11));
    statusBar->setColumns({150, 200, 200, 200});
    statusBar->setImage(rg_Korrin_ChuangKou::loadImageResource(506));
    place(statusBar, 13, 558, 1072, 30);

    jumpIcon = new rg_TuPianKuang(this);
    jumpIcon->setImage(rg_Korrin_ChuangKou::loadImageResource(511));
    jumpIcon->setToolTip(QStringLiteral(
        "左击跳转到当前输入的JSON路径，右击可以切换JSON路径模式（默认、数组独立分隔，KorrinJSON）"));
    place(jumpIcon, 13, 104, 24, 24);

    pastePathButton = makeButton(this, u"粘贴路径并跳转", 507);
    place(pastePathButton, 785, 102, 143, 25);

    pathBox = new rg_BianJiKuang(this);
    pathBox->setScreenFont(fontFromDescription(kFH15));
    pathBox->setBackColour(0xECECEC);
    pathBox->setMargins(35, 250);
    pathBox->setThinBorder(true);
    pathBox->setMaxLength(std::numeric_limits<int>::max()); // paths of deep items run long
    pathBox->setContent(u"JSON路径");
    place(pathBox, 9, 100, 1112, 32);

    streamPanel = new QGroupBox(QStringLiteral("文件流解析"), this);
    streamPanel->setFont(screenFont(kF11B));
    place(streamPanel, 13, 606, 1112, 91);
    streamPanel->hide();
    fileLabel = makeLabel(streamPanel, u"JSON文件：");
    place(fileLabel, 8, 22, 88, 26);
    encodingList = new rg_XiaLaLieBiaoKuang(streamPanel);
    encodingList->setItems({u"ANSI", u"UTF-8", u"UTF16LE", u"UTF16BE"});
    encodingList->setFont(screenFont(kF11));
    encodingList->setControlName(u"JSON文件编码");
    encodingList->setCurrentIndex(1);
    place(encodingList, 816, 25, 100, 24);
    streamPathLabel = makeLabel(streamPanel, u"JSON路径：");
    place(streamPathLabel, 8, 52, 88, 26);
    pasteStreamPathButton = makeButton(streamPanel, u"", 508);
    place(pasteStreamPathButton, 771, 55, 26, 21);
    streamPathBox = makeEditBox(streamPanel, u"data.items.[180]", u"JSON文件内JSON路径", 35);
    place(streamPathBox, 96, 52, 704, 26);
    browseButton = makeButton(streamPanel, u"..", 0);
    place(browseButton, 771, 25, 26, 21);
    filePathBox = makeEditBox(streamPanel, u"\\json.txt", u"JSON文件路径", 35);
    place(filePathBox, 96, 22, 704, 26);
    popupOnlyCheck = new QCheckBox(QStringLiteral("仅弹出结果"), streamPanel);
    popupOnlyCheck->setFont(screenFont(kF11));
    place(popupOnlyCheck, 816, 52, 104, 26);
    streamParseButton =
        makeButton(streamPanel, u"文件流解析", 503, u"对外部JSON文件进行解析，支持超大文件指定路径解析");
    place(streamParseButton, 932, 25, 168, 50);
    // Buttons laid over an edit box's end must stay above it.
    browseButton->raise();
    pasteStreamPathButton->raise();

    findPanel = new QGroupBox(QStringLiteral("查找树数据"), this);
    findPanel->setFont(screenFont(kF11B));
    place(findPanel, 13, 702, 1112, 66);
    findPanel->hide();
    findOptionsButton = new QPushButton(findPanel);
    findOptionsButton->setIcon(rg_Korrin_ZiYuan::imageResourceIcon(509));
    place(findOptionsButton, 772, 29, 26, 21);
    findLabel = makeLabel(findPanel, u"查找内容：");
    place(findLabel, 8, 26, 88, 26);
    pasteFindButton = makeButton(findPanel, u"", 508);
    place(pasteFindButton, 744, 29, 26, 21);
    findTextBox = makeEditBox(findPanel, u"level", u"查找内容", 75);
    place(findTextBox, 96, 26, 704, 26);
    matchModeList = new rg_XiaLaLieBiaoKuang(findPanel);
    matchModeList->setItems({u"匹配：常规", u"匹配：通配", u"匹配：正则"});
    matchModeList->setFont(screenFont(kF11));
    matchModeList->setControlName(u"匹配模式");
    matchModeList->setCurrentIndex(0);
    place(matchModeList, 816, 28, 100, 24);
    findButton = makeButton(findPanel, u"查找树数据", 504, u"查找JSON树中的节点并定位显示");
    findButton->setChecked(1);
    place(findButton, 932, 16, 168, 43);
    findOptionsButton->raise();
    pasteFindButton->raise();

    treeTemplate = new rg_ShuKuang(this);
    place(treeTemplate, 9, 198, 544, 344);
    treeTemplate->hide();

    clipboardParseButton = new rg_TolvarAnNiu1(this);
    clipboardParseButton->setCaption(kParseCaption);
    clipboardParseButton->setFontDescription(kF17);
    clipboardParseButton->setNormalImage(510);
    clipboardParseButton->setTooltip(u"将复制好的JSON文本数据解析到当前树");
    place(clipboardParseButton, 868, 141, 250, 38);

    // Controls laid over the path box's ends stay above it.
    jumpIcon->raise();
    pastePathButton->raise();
    copyPathButton->raise();
    outputFormatList->raise();
}

void rg_ZhuChuangKou1::bindEvents() {
    slotBar->tabSelected.bind([this](int32_t index) {
        currentSlot_ = index >= 0 && index < kSlotCount ? index : -1;
        showCurrentSlot(true);
    });
    slotBar->tabRightClicked.bind([this](int32_t) -> int32_t {
        editSlotRemark();
        return 1; // the current tab stays
    });
    slotBar->tabDoubleClicked.bind([this](int32_t) { onButtonClicked(clipboardParseButton, 0); });
    // Loading the settings may change the selection before any slot exists (created_ false).
    outputFormatList->selectionChanged.bind([this](int32_t) {
        if (created_) showSelectedNode();
    });
    jumpIcon->leftDown.bind([this](int32_t, int32_t, int32_t) { jumpToPath(false); });
    jumpIcon->rightDown.bind([this](int32_t, int32_t, int32_t) { nextPathMode(); });
    pathBox->enterPressed.bind([this] { jumpToPath(false); });
    findTextBox->enterPressed.bind([this] { findInTree(false); });
    connect(findOptionsButton, &QPushButton::clicked, this, [this] {
        const int32_t id = findMenu_.trackPopup(this, platform().cursorScreenPos() + QPoint(3, 3));
        if (id != 0) onMenuCommand(id);
    });
    topMostCheck->clicked.bind([this] { onCheckChanged(topMostCheck); });
    textIconCheck->clicked.bind([this] { onCheckChanged(textIconCheck); });
    for (rg_TolvarAnNiu1* b :
         {streamParseButton, findButton, streamToggle, findToggle, clipboardParseButton, browseButton,
          pasteFindButton, pasteStreamPathButton, pastePathButton, copyPathButton})
        b->clicked.bind([this, b] { onButtonClicked(b, 0); });
    findButton->rightReleased.bind([this] { onButtonClicked(findButton, 1); });
    copyPathButton->rightReleased.bind([this] { onCopyPathRightClick(); });
}

void rg_ZhuChuangKou1::onCreated() {
    exchangeSettings(rg_TolvarMFCZuJianPeiZhiLei::kLoad);
    createSlotControls();
    showCurrentSlot(false);
    toolbarPanel->raise();
    pathBox->setCueBanner(u"输入JSON路径后回车即可跳转，或点击图标跳转，或右击图标切换JSON路径模式");
    created_ = true;
}

// ---------------------------------------------------------------------------------------------
// Window events

void rg_ZhuChuangKou1::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) onFirstActivated();
}

void rg_ZhuChuangKou1::onFirstActivated() {
    if (activated_ || !created_) return;
    activated_ = true;
    showCurrentSlot(true);
}

void rg_ZhuChuangKou1::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (created_) relayout();
}

void rg_ZhuChuangKou1::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        event->accept(); // Esc does not close the window
        return;
    }
    QWidget::keyPressEvent(event);
}

void rg_ZhuChuangKou1::closeEvent(QCloseEvent* event) {
    if (streamProgress_ != nullptr)
        streamProgress_->cancel.store(true); // a running extraction stops at its next read
    saveOnClose();
    event->accept();
}

void rg_ZhuChuangKou1::saveForSession() {
    if (closed_ || !created_) return;
    // No dialog: the session manager may not allow one now. A slot that cannot be written stays
    // dirty, so the real close tries again (and asks).
    exchangeSettings(rg_TolvarMFCZuJianPeiZhiLei::kSave);
    saveDirtySlotsImpl(false);
}

void rg_ZhuChuangKou1::saveOnClose() {
    if (closed_) return;
    closed_ = true;
    exchangeSettings(rg_TolvarMFCZuJianPeiZhiLei::kSave);
    // Edits exist only in memory: a slot that cannot be written is offered again rather than
    // dropped without a word.
    while (!saveDirtySlots()) {
        CWString names;
        for (int32_t i = 0; i < kSlotCount; ++i)
            if (slots_[size_t(i)]->slotDirty)
                names += u"\r\n" + (slots_[size_t(i)]->fileAdopted ? slotFilePath(i) : editedPathOf(i));
        const int32_t answer = platform().messageBox(
            u"信息:", u"以下树的数据未能写入文件，修改将会丢失：" + names + u"\r\n\r\n是否重试？",
            MessageIcon::Warning, MessageButtons::RetryCancel);
        if (answer != rg_Korrin_ChuangKou::kResultRetry) break;
    }
}

void rg_ZhuChuangKou1::processMessages() {
    // User input waits until the command is done, so a second command cannot start inside it.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

// ---------------------------------------------------------------------------------------------
// Layout and toolbar

void rg_ZhuChuangKou1::relayout() {
    const int W = width(), H = height(), m = kPathMargin;
    streamPanel->setVisible(streamToggle->checked() != 0);
    findPanel->setVisible(findToggle->checked() != 0);
    banner->resize(W, banner->height());
    pathBox->resize(W - 2 * m, pathBox->height());
    outputFormatList->move(m + pathBox->width() - outputFormatList->width() - 3, outputFormatList->y());
    copyPathButton->move(outputFormatList->x() - copyPathButton->width() - 5, copyPathButton->y());
    pastePathButton->move(copyPathButton->x() - pastePathButton->width() - 5, pastePathButton->y());

    const int S = streamPanel->isVisibleTo(this) ? streamPanel->height() + m : 0;
    const int F = findPanel->isVisibleTo(this) ? findPanel->height() + m : 0;
    const int B = statusBar->height();

    // Every slot's pair shares one geometry, so switching slots needs no layout of its own.
    const int treeY = treeTemplate->y(), paneX = paneTemplate->x(), paneY = paneTemplate->y();
    const int treeH = H - B - F - S - m - treeY;
    const int paneW = W - m - paneX, paneH = H - B - F - S - m - paneY;
    treeTemplate->resize(treeTemplate->width(), std::max(0, treeH));
    paneTemplate->resize(std::max(0, paneW), std::max(0, paneH));
    for (auto& s : slots_) {
        if (s->tree)
            s->tree->setGeometry(treeTemplate->x(), treeY, treeTemplate->width(), std::max(0, treeH));
        if (s->pane) s->pane->setGeometry(paneX, paneY, std::max(0, paneW), std::max(0, paneH));
    }
    streamPanel->move(streamPanel->x(), treeY + treeTemplate->height() + m);
    if (streamPanel->isVisibleTo(this))
        findPanel->move(findPanel->x(), streamPanel->y() + streamPanel->height() + m);
    else
        findPanel->move(findPanel->x(), treeY + treeTemplate->height() + m);
    statusBar->setGeometry(0, H - B, W, B);
    toolbarPanel->move(W - toolbarPanel->width(), toolbarPanel->y());

    const int P = std::max(0, W - m - streamPanel->x());
    streamPanel->resize(P, streamPanel->height());
    streamParseButton->move(P - streamParseButton->width() - m, streamParseButton->y());
    encodingList->move(streamParseButton->x() - 2 * m - encodingList->width(), encodingList->y());
    popupOnlyCheck->move(encodingList->x(), popupOnlyCheck->y());
    filePathBox->resize(std::max(0, encodingList->x() - 2 * m - filePathBox->x()), filePathBox->height());
    streamPathBox->resize(filePathBox->width(), streamPathBox->height());
    browseButton->move(filePathBox->x() + filePathBox->width() - browseButton->width() - 2,
                       browseButton->y());
    pasteStreamPathButton->move(browseButton->x(), pasteStreamPathButton->y());

    findPanel->resize(P, findPanel->height());
    findButton->move(streamParseButton->x(), findButton->y());
    matchModeList->move(encodingList->x(), matchModeList->y());
    findTextBox->resize(filePathBox->width(), findTextBox->height());
    findOptionsButton->move(browseButton->x(), findOptionsButton->y());
    pasteFindButton->move(findOptionsButton->x() - pasteFindButton->width() - 3, pasteFindButton->y());

    slotBar->resize(std::max(0, W - 3 * m - clipboardParseButton->width()), 51);
    clipboardParseButton->setGeometry(m + pathBox->width() - clipboardParseButton->width(), slotBar->y() + 1,
                                      clipboardParseButton->width(), 50);
}

void rg_ZhuChuangKou1::onCheckChanged(rg_TolvarXuanZhongKuang1* box) {
    if (box == textIconCheck) {
        const int32_t strip = textIconCheck->checked() ? kTextIconsImage : kPictureIconsImage;
        for (auto& s : slots_)
            if (s->tree) s->tree->setImageStrip(strip);
    } else if (box == topMostCheck) {
        applyTopMost();
    }
}

void rg_ZhuChuangKou1::applyTopMost() {
    const bool on = topMostCheck->checked() != 0;
    if (windowFlags().testFlag(Qt::WindowStaysOnTopHint) == on) return;
    const bool wasVisible = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, on); // hides a shown window
    if (wasVisible) show();
}

void rg_ZhuChuangKou1::onButtonClicked(rg_TolvarAnNiu1* button, int32_t argument) {
    if (button == findButton) {
        findInTree(argument != 0);
    } else if (button == streamParseButton) {
        exchangeSettings(rg_TolvarMFCZuJianPeiZhiLei::kSave);
        streamParse(filePathBox->content(), encodingList->currentIndex(), streamPathBox->content(),
                    popupOnlyCheck->isChecked());
    } else if (button == browseButton) {
        browseStreamFile();
    } else if (button == streamToggle || button == findToggle) {
        relayout();
    } else if (button == clipboardParseButton) {
        if (current()) parseTextToSlot(platform().clipboardText(), false, false);
    } else if (button == pasteFindButton) {
        findTextBox->setContent(platform().clipboardText());
    } else if (button == pasteStreamPathButton) {
        streamPathBox->setContent(platform().clipboardText());
    } else if (button == pastePathButton) {
        pathBox->setContent(platform().clipboardText());
        jumpToPath(false);
    } else if (button == copyPathButton) {
        platform().setClipboardText(pathBox->content());
    }
}

// ---------------------------------------------------------------------------------------------
// Settings

bool rg_ZhuChuangKou1::exchangeSettings(int32_t direction) {
    auto& s = settings_;
    s.direction = direction;
    s.section = kSettingsSection;
    s.bindToggleButton(*findToggle);
    s.bindToggleButton(*streamToggle);
    s.bindToggleCheck(*topMostCheck);
    s.bindToggleCheck(*textIconCheck);
    s.bindComboBox(*outputFormatList);
    s.bindEditBox(*filePathBox);
    s.bindEditBox(*streamPathBox);
    s.bindComboBox(*encodingList);
    s.bindCheckBox(*popupOnlyCheck);
    s.bindEditBox(*findTextBox);
    s.bindComboBox(*matchModeList);
    s.bindMenuItem(findMenu_, rg_ChaZhaoCaiChanLei::kIgnoreCase);
    s.bindMenuItem(findMenu_, rg_ChaZhaoCaiChanLei::kRetryEncoded);
    s.bindMenuItem(treeMenu_, rg_ShuCaiChanLei::kDecodeOnShow);
    s.bindMenuItem(treeMenu_, rg_ShuCaiChanLei::kDecodeOnParse);
    s.bindMenuItem(treeMenu_, rg_ShuCaiChanLei::kPathModeArrays);
    s.bindMenuItem(treeMenu_, rg_ShuCaiChanLei::kPathModeKorrin);
    s.bindMenuItem(treeMenu_, rg_ShuCaiChanLei::kPathModeDefault);
    if (direction == rg_TolvarMFCZuJianPeiZhiLei::kSave) {
        s.setText(u"顶级节点备注组", joinRemarks(remarkNames_));
        s.setInt(u"当前组件序号", currentSlot_);
        if (!s.save()) {
            reportWriteFailure(fileNameOf(settingsFilePath()));
            return false;
        }
        return true;
    }
    // A hand-edited file may check several path modes or none; keep exactly one.
    const int32_t modes[] = {rg_ShuCaiChanLei::kPathModeDefault, rg_ShuCaiChanLei::kPathModeArrays,
                             rg_ShuCaiChanLei::kPathModeKorrin};
    const int32_t mode = pathMode();
    for (int32_t i = 0; i < 3; ++i)
        treeMenu_.setChecked(modes[i], i == mode);
    applyTopMost();
    remarkNames_ = splitRemarks(s.getText(u"顶级节点备注组", u""), kSlotCount);
    const int32_t stored = s.getInt(u"当前组件序号", 0);
    currentSlot_ = stored >= 0 && stored < kSlotCount ? stored : -1;
    slotBar->selectTab(currentSlot_);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Slots

void rg_ZhuChuangKou1::createSlotControls() {
    const int32_t strip = textIconCheck->checked() ? kTextIconsImage : kPictureIconsImage;
    for (int32_t i = 0; i < kSlotCount; ++i) {
        rg_ShuCaoWei& s = *slots_[size_t(i)];
        s.tree = new rg_ShuKuang(this);
        s.tree->hide();
        auto& store = s.tree->store();
        s.tree->properties().treeLines = 1;
        s.tree->properties().hotTracking = 1;
        s.tree->properties().fontSize = 11;
        s.tree->setImageStrip(strip);
        ItemCursor cursor;
        store.insertItem(-1, kTopItemText, 0, 3, 0, cursor);
        store.selectionChanged.bind(this, i,
                                    [](rg_ZhuChuangKou1& w, rg_TolvarShuXingKuangCunChu&, int64_t slot,
                                       int32_t item, int32_t) { w.onTreeSelection(int32_t(slot), item); });
        s.tree->rightClicked.bind(this, i, [](rg_ZhuChuangKou1& w, rg_TolvarShuXingKuang&, int64_t slot) {
            w.onTreeRightClick(int32_t(slot));
        });
        s.tree->editCommitted.bind(this, i,
                                   [](rg_ZhuChuangKou1& w, rg_TolvarShuXingKuang&, int64_t slot, int32_t item,
                                      const CWString& before, const CWString& edited) {
                                       return w.onTreeEditCommitted(int32_t(slot), item, before, edited);
                                   });
        addUndoShortcuts(*s.tree);
        s.tree->setGeometry(treeTemplate->geometry());

        s.pane = new rg_TolvarChaoJiBianJiKuang1(this);
        s.pane->hide();
        s.pane->setScreenFont(fontFromDescription(kF11));
        s.pane->setMultiLine(true);
        s.pane->setWordWrap(true);
        s.pane->setGeometry(paneTemplate->geometry());
    }
}

void rg_ZhuChuangKou1::showCurrentSlot(bool load) {
    for (int32_t i = 0; i < kSlotCount; ++i) {
        rg_ShuCaoWei& s = *slots_[size_t(i)];
        const bool shown = i == currentSlot_;
        if (s.tree) s.tree->setVisible(shown);
        if (s.pane) s.pane->setVisible(shown);
        if (shown && s.tree && s.tree->isVisible()) s.tree->setFocus();
    }
    relayout();
    refreshUndoRows();
    rg_ShuCaoWei* s = current();
    if (!s) {
        pathBox->setContent(u"");
        return;
    }
    auto& store = s->tree->store();
    const int32_t sel = store.getSelection();
    pathBox->setContent(sel != -1 ? store.pathOfItem(sel, pathMode()) : CWString());
    if (load && !s->loaded) {
        s->loaded = true;
        finishSlotWrite(currentSlot_);
        CWString text;
        const bool readable = readSlotFile(currentSlot_, text);
        s->sourceText = std::move(text);
        parseTextToSlotImpl(s->sourceText, true, false,
                            readable ? SlotText::SlotFile : SlotText::UnreadSlotFile);
    }
}

bool rg_ZhuChuangKou1::readSlotFile(int32_t slot, CWString& text) {
    using namespace rg_Tolvar_MingLingJi;
    text.clear();
    const CWString path = slotFilePath(slot);
    const auto refuse = [&](CWStringView why) {
        CWString().swap(text);
        statusBar->setColumnText(kColOther, u"读取失败，未改写文件：" + fileNameOf(path) + CWString(why));
        return false;
    };
    // Missing (or a link to nothing): an empty slot. Present but not a readable regular file: keep
    // it as it is (a FIFO or device is not even opened).
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::status(textToPath(path), ec);
    if (status.type() == std::filesystem::file_type::not_found) return true;
    if (!std::filesystem::is_regular_file(status)) return refuse(u"（不是普通文件）");
    try {
        // At most two copies of the text at once: the file's bytes and the decoded text.
        CKorMem bytes;
        const int64_t n = readFileBytes(path, bytes);
        if (n < 0) {
            const auto size = std::filesystem::file_size(textToPath(path), ec);
            return refuse(!ec && size > uint64_t(kMaxWholeFileBytes) ? u"（文件过大）" : u"（无法读取）");
        }
        CWString encoding;
        bool exact = true;
        if (!decodeTextFileBytes(bytesOf(bytes), encoding, text, &exact)) exact = false;
        if (n == 0) return true;
        // The slot file is rewritten as UTF-16 once parsed. When the text does not give back the
        // file's exact bytes (broken sequences, a zero byte, an unknown charset), keep the original
        // beside it first so nothing it held is lost.
        if (!exact) {
            const CWString backup = path + u".bak";
            if (!writeFileBytes(backup, bytesOf(bytes))) {
                CWString().swap(text);
                statusBar->setColumnText(kColOther, u"无法备份原文件，未改写：" + fileNameOf(path));
                return false;
            }
            statusBar->setColumnText(kColOther, u"原文件已备份为 " + fileNameOf(backup));
        }
        return true;
    } catch (const std::bad_alloc&) {
        // Too large for the memory there is: the other slots and their edits go on.
        return refuse(u"（内存不足）");
    }
}

bool rg_ZhuChuangKou1::writeSlotFile(int32_t slot, const CWString& text) {
    const CWString path = slotFilePath(slot);
    // The whole text: a U+0000 in it is kept, so the next start shows all that was parsed.
    if (rg_Tolvar_MingLingJi::writeUtf16TextFile(text, path)) return true;
    reportWriteFailure(fileNameOf(path));
    return false;
}

void rg_ZhuChuangKou1::reportWriteFailure(const CWString& what) {
    statusBar->setColumnText(kColOther, u"写入失败：" + what);
}

void rg_ZhuChuangKou1::startSlotWrite(int32_t slot) {
    rg_ShuCaoWei& s = *slots_[size_t(slot)];
    finishSlotWrite(slot);
    const uint64_t id = ++s.writeId;
    s.writer = std::thread([this, &s, slot, id, path = slotFilePath(slot)] {
        s.writeFailed = !rg_Tolvar_MingLingJi::writeUtf16TextFile(s.sourceText, path);
        // Report as soon as the UI thread is free; dropped if the window is gone by then.
        QMetaObject::invokeMethod(
            this,
            [this, slot, id] {
                if (slots_[size_t(slot)]->writeId == id) finishSlotWrite(slot);
            },
            Qt::QueuedConnection);
    });
}

void rg_ZhuChuangKou1::finishSlotWrite(int32_t slot) {
    rg_ShuCaoWei& s = *slots_[size_t(slot)];
    if (!s.writer.joinable()) return;
    s.writer.join();
    if (s.writeFailed) {
        s.writeFailed = false;
        // The text is not on disk, unless the file already held it (a slot file's own text).
        s.slotDirty = s.slotDirty || !s.fileHoldsSource;
        if (s.slotDirty) history_.markUnknown(slot);
        reportWriteFailure(fileNameOf(slotFilePath(slot)));
    } else {
        s.fileHoldsSource = true;
    }
}

void rg_ZhuChuangKou1::editSlotRemark() {
    rg_ShuCaoWei* s = current();
    if (!s) return;
    const int32_t slotIndex = currentSlot_;
    InputResult result;
    if (!showInputBox(remarkNames_[size_t(slotIndex)], u"",
                      u"修改当前树的备注名称，将显示在顶级节点。备注留空将使用默认值。", result, 200, true))
        return;
    // The remark belongs to the slot it was asked for, even when another slot was picked while
    // the dialog was open (it does not block other input).
    const CWString& entered = result.text;
    remarkNames_[size_t(slotIndex)] = entered;
    const CWString label = entered.empty() ? CWString(kTopItemText) : entered;
    auto& store = s->tree->store();
    if (store.itemCount() > 0) {
        store.setText(0, label);
        s->tree->redraw(-1);
    }
    exchangeSettings(rg_TolvarMFCZuJianPeiZhiLei::kSave);
}

namespace {

// The text whose UCS-2 decode is `text`: the decode drops a backslash before any unit (and reads
// \uXXXX, %uXXXX, \r and \n), so every backslash is doubled and every '%' gets one.
CWString textDecodingTo(const CWString& text) {
    CWString out;
    out.reserve(text.size() + text.size() / 16);
    for (char16_t c : text) {
        if (c == u'\\' || c == u'%') out.push_back(u'\\');
        out.push_back(c);
    }
    return out;
}

} // namespace

bool rg_ZhuChuangKou1::saveDirtySlots() {
    return saveDirtySlotsImpl(true);
}

bool rg_ZhuChuangKou1::saveDirtySlotsImpl(bool interactive) {
    bool allWritten = true;
    for (int32_t i = 0; i < kSlotCount; ++i) {
        finishSlotWrite(i); // a failed background write makes the slot dirty
        rg_ShuCaoWei& s = *slots_[size_t(i)];
        if (!s.slotDirty) continue;
        if (s.saveSource && s.fileAdopted) {
            // Back (by undo) at an unedited parse: the text that was parsed reads back the same.
            if (writeSlotFile(i, s.sourceText)) {
                s.slotDirty = false;
                s.saveSource = false;
                history_.markClean(i);
            } else {
                allWritten = false;
            }
            continue;
        }
        CWString text = rg_Tolvar_JSON::toJsonText(s.document.root(), true);
        // With "解析到树时自动USC2解码" on, the next start decodes the file before parsing it (the
        // setting is saved with the slots): written so that decode gives this text back, an escape
        // in a value is not decoded a second time.
        if (treeMenu_.isChecked(rg_ShuCaiChanLei::kDecodeOnParse)) text = textDecodingTo(text);
        if (s.fileAdopted) {
            if (writeSlotFile(i, text)) {
                s.slotDirty = false;
                history_.markClean(i);
            } else
                allWritten = false;
            continue;
        }
        // The slot file was not read: it stays as it is, and the edits go beside it.
        const CWString& aside = editedPathOf(i);
        if (rg_Tolvar_MingLingJi::writeUtf16TextFile(text, aside)) {
            s.slotDirty = false;
            history_.markClean(i);
            const CWString line = u"\r\n" + fileNameOf(slotFilePath(i)) + u" → " + fileNameOf(aside);
            if (asideNotice_.find(line) == CWString::npos) asideNotice_ += line;
        } else {
            reportWriteFailure(fileNameOf(aside));
            allWritten = false;
        }
    }
    // Told once per file, at the first save that may ask something (a session save may not).
    if (interactive && !asideNotice_.empty()) {
        showInfo(u"以下树的文件未能读取，为保护原文件未改写，修改已另存为：" + asideNotice_);
        asideNotice_.clear();
    } else if (!asideNotice_.empty()) {
        statusBar->setColumnText(kColOther, u"修改已另存为：" + asideNotice_.substr(2));
    }
    return allWritten;
}

const CWString& rg_ZhuChuangKou1::editedPathOf(int32_t slot) {
    rg_ShuCaoWei& s = *slots_[size_t(slot)];
    if (s.editedPath.empty()) {
        // The first name not taken (a file left by an earlier session is not replaced).
        const CWString base = slotFilePath(slot) + u".edited";
        s.editedPath = base;
        std::error_code ec;
        for (int32_t n = 2;
             n < 100 && std::filesystem::exists(rg_Tolvar_MingLingJi::textToPath(s.editedPath), ec); ++n)
            s.editedPath = base + decimal(n);
    }
    return s.editedPath;
}

// ---------------------------------------------------------------------------------------------
// Parse and load

void rg_ZhuChuangKou1::parseTextToSlot(const CWString& text, bool fromFile, bool keepSource) {
    if (rg_ShuCaoWei* s = current()) rememberDocument(keepSource || &text == &s->sourceText);
    parseTextToSlotImpl(text, fromFile, keepSource, keepSource ? SlotText::SourceAgain : SlotText::UserText);
}

void rg_ZhuChuangKou1::parseTextToSlot(CWString&& text, bool fromFile, bool keepSource) {
    rg_ShuCaoWei* s = current();
    rememberDocument(keepSource);
    if (s && !keepSource) {
        finishSlotWrite(currentSlot_);
        s->sourceText = std::move(text);
        parseTextToSlotImpl(s->sourceText, fromFile, keepSource, SlotText::UserText);
    } else {
        parseTextToSlotImpl(text, fromFile, keepSource,
                            keepSource ? SlotText::SourceAgain : SlotText::UserText);
    }
}

void rg_ZhuChuangKou1::parseTextToSlotImpl(const CWString& text, bool fromFile, bool keepSource,
                                           SlotText origin) {
    rg_ShuCaoWei* s = current();
    if (!s) return;
    const int32_t slotIndex = currentSlot_;
    finishSlotWrite(slotIndex); // the source text and the file are about to change
    processMessages();
    sharedStopwatch().restartTimer();
    clipboardParseButton->setCaption(u"正在解析到树..");
    clipboardParseButton->redraw();
    statusBar->setColumnText(kColParse, u"正在解析..");
    if (!keepSource && &text != &s->sourceText) s->sourceText = text;
    if (treeMenu_.isChecked(rg_ShuCaiChanLei::kDecodeOnParse))
        s->document.parseText(rg_Tolvar_MingLingJi::unescapeText(text, rg_Tolvar_MingLingJi::kUnescapeUcs2));
    else
        s->document.parseText(text);
    statusBar->setColumnText(kColParse, sharedStopwatch().elapsedText(u"解析"));
    if (!keepSource || &text == &s->sourceText || text == s->sourceText)
        s->sourceParse = treeMenu_.isChecked(rg_ShuCaiChanLei::kDecodeOnParse);
    else
        s->sourceParse.reset();
    s->saveSource = false;
    loadDocumentToTree();
    clipboardParseButton->setCaption(kParseCaption);
    clipboardParseButton->redraw();
    // Whether the slot file already holds the text to be written (then a failed write loses
    // nothing and claims no change).
    bool onDisk = false;
    bool write = true;
    // Only a re-parse with keep source on can parse a text other than the source text.
    const bool textIsSource =
        origin != SlotText::SourceAgain || &text == &s->sourceText || text == s->sourceText;
    switch (origin) {
    case SlotText::UnreadSlotFile:
        s->fileAdopted = false; // left alone; nothing new to keep either
        write = false;
        break;
    case SlotText::SourceAgain:
        write = s->fileAdopted;
        onDisk = s->fileHoldsSource && textIsSource;
        break;
    case SlotText::SlotFile:
        s->fileAdopted = true;
        onDisk = true;
        break;
    case SlotText::UserText:
        s->fileAdopted = true; // the user's own text replaces whatever the file held
        break;
    }
    if (!write) {
        s->slotDirty = false;
    } else if (&text == &s->sourceText && text.size() >= kBackgroundWriteUnits) {
        // The tree is shown now; the file follows (a failure is reported when it is known).
        s->slotDirty = false;
        s->fileHoldsSource = onDisk; // until the writer is joined
        startSlotWrite(slotIndex);
    } else if (writeSlotFile(slotIndex, text)) {
        s->slotDirty = false;
        s->fileHoldsSource = textIsSource;
    } else {
        // Not on disk: closing writes the document instead.
        s->slotDirty = !onDisk;
        s->fileHoldsSource = onDisk;
    }
    if (!s->slotDirty) history_.markClean(slotIndex); // the slot file holds this document's text
    if (!fromFile) platform().beep(BeepKind::Default);
}

void rg_ZhuChuangKou1::loadDocumentToTree() {
    rg_ShuCaoWei* s = current();
    if (!s) return;
    processMessages();
    statusBar->setColumnText(kColLoad, u"正在加载到树..");
    processMessages();
    const rg_Tolvar_JSON::rg_TolvarJSONJieDian& root = s->document.root();
    const bool isObject = root.nodeType() == rg_Tolvar_JSON::Object;
    auto& store = s->tree->store();
    store.properties().autoRedraw = 0;
    store.clearItems();
    const CWString& remark = remarkNames_[size_t(currentSlot_)];
    store.appendTopItem(remark.empty() ? CWStringView(kTopItemText) : CWStringView(remark),
                        isObject ? rg_TolvarShuXingKuangCunChu::kImageObject
                                 : rg_TolvarShuXingKuangCunChu::kImageArray);
    store.setGrowthStep(size_t(std::max(64, rg_Tolvar_JSON::estimateTextLength(root, 0))));
    store.fillFromNode(root, 0, false);
    // The old selection and the pane's text belong to the document that was replaced: kept, they
    // would let 修改键值 write the old node's text over the new document. The path box keeps its
    // text, so a jump can select the node again.
    store.properties().currentItem = -1;
    s->pane->setText(CWString());
    store.properties().autoRedraw = 1;
    store.redraw(-1);
    statusBar->setColumnText(kColLoad, sharedStopwatch().elapsedText(u"加载到树"));
}

void rg_ZhuChuangKou1::showSelectedNode() {
    rg_ShuCaoWei* s = current();
    if (!s) return;
    ++shownNodes_;
    s->pane->setText(CWString());
    statusBar->setColumnText(kColRead, u"正在读取..");
    statusBar->setColumnText(kColShow, u"等待显示..");
    statusBar->setColumnText(kColOther, u"");
    processMessages();
    sharedStopwatch().restartTimer();
    const bool compact = outputFormatList->currentIndex() == 1;
    rg_Tolvar_JSON::rg_TolvarJSONJieDian* holder = nullptr;
    CWString timing;
    CWString text = s->document.readAtPath(pathBox->content(), holder, false, compact, timing);
    const bool found = holder != nullptr && !holder->isEmptyObject();
    if (treeMenu_.isChecked(rg_ShuCaiChanLei::kDecodeOnShow))
        text = rg_Tolvar_MingLingJi::unescapeText(text, rg_Tolvar_MingLingJi::kUnescapeUcs2);
    s->pane->setText(std::move(text));
    statusBar->setColumnText(kColRead, timing);
    statusBar->setColumnText(kColShow, sharedStopwatch().elapsedText(u"显示节点"));
    s->pane->setSelection(0, 0);
    if (!found) {
        statusBar->setColumnText(kColOther, u"找不到节点，请检查路径");
        platform().beep(BeepKind::Error);
    } else {
        statusBar->setColumnText(kColOther, decimal(holder->childCount()) + u"个子节点");
    }
}

// ---------------------------------------------------------------------------------------------
// Path bar

int32_t rg_ZhuChuangKou1::pathMode() const {
    if (treeMenu_.isChecked(rg_ShuCaiChanLei::kPathModeDefault)) return 0;
    if (treeMenu_.isChecked(rg_ShuCaiChanLei::kPathModeArrays)) return 1;
    if (treeMenu_.isChecked(rg_ShuCaiChanLei::kPathModeKorrin)) return 2;
    return 0;
}

void rg_ZhuChuangKou1::onTreeSelection(int32_t slot, int32_t item) {
    if (slot != currentSlot_ || item < 0) return;
    rg_ShuCaoWei* s = current();
    pathBox->setContent(s->tree->store().pathOfItem(item, pathMode()));
    showSelectedNode();
}

void rg_ZhuChuangKou1::nextPathMode() {
    using M = rg_ShuCaiChanLei;
    int32_t next = M::kPathModeDefault;
    if (treeMenu_.isChecked(M::kPathModeDefault))
        next = M::kPathModeArrays;
    else if (treeMenu_.isChecked(M::kPathModeArrays))
        next = M::kPathModeKorrin;
    onTreeMenuCommand(next); // as choosing that path mode in the tree menu
}

void rg_ZhuChuangKou1::jumpToPath(bool force) {
    rg_ShuCaoWei* s = current();
    if (!s) return;
    auto& store = s->tree->store();
    const int32_t sel = store.getSelection();
    sharedStopwatch().restartTimer();
    const CWString path = pathBox->content();
    if (sel != -1 && !force && path == store.pathOfItem(sel, pathMode())) return;
    const int32_t item = store.findItemByPath(CWStringView(path));
    const uint64_t before = shownNodes_;
    if (item >= 0) {
        store.setPendingSelectionReason(ByOwner);
        store.setSelection(item);
        s->tree->setFocus();
    }
    // Selecting raised selectionChanged, which already showed the node at the generated path
    // (the same node); reading a large node twice would only cost time.
    if (shownNodes_ == before) showSelectedNode();
}

} // namespace rg_Korrin_ChengXu
