// The find panel, the stream-parse panel and files dropped on the window.
#include <chrono>
#include <filesystem>
#include <new>
#include <thread>

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include "app/app_text.h"
#include "app/main_window.h"
#include "runtime/ui/platform.h"
#include "runtime/ui/qt_text.h"
#include "text/codecs.h"
#include "text/elapsed_time.h"
#include "text/encoding.h"
#include "text/ui/input_box.h"
#include "tree/tree_find.h"

namespace rg_Korrin_ChengXu {

using namespace rg_TolvarMingLingJi_ChuangKouZuJian;
using rg_Korrin_ChuangKou::BeepKind;
using rg_Korrin_ChuangKou::platform;
using rg_Tolvar_MingLingJi::sharedStopwatch;

namespace {

constexpr char16_t kStreamRunning[] = u"正在解析文件流..";

// Size of a file in bytes; -1 when it is missing, not a regular file or cannot be examined.
int64_t fileSizeOf(const CWString& path) {
    std::error_code ec;
    const std::filesystem::path p = rg_Tolvar_MingLingJi::textToPath(path);
    if (!std::filesystem::is_regular_file(p, ec)) return -1;
    const auto size = std::filesystem::file_size(p, ec);
    return ec ? -1 : static_cast<int64_t>(size);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Find panel

bool rg_ZhuChuangKou1::onFindMenuCommand(int32_t id) {
    using F = rg_ChaZhaoCaiChanLei;
    using namespace rg_Tolvar_MingLingJi;
    const CWString text = findTextBox->content();
    switch (id) {
    case F::kUcs2Encode:
        findTextBox->setContent(escapeText(text, kEscapeUcs2));
        return true;
    case F::kUcs2Decode:
        findTextBox->setContent(unescapeText(text, kUnescapeUcs2));
        return true;
    case F::kHtmlEncodeHex:
        findTextBox->setContent(escapeText(text, kEscapeHtmlHex));
        return true;
    case F::kHtmlEncodeDec:
        findTextBox->setContent(escapeText(text, kEscapeHtmlDec));
        return true;
    case F::kHtmlDecode:
        findTextBox->setContent(unescapeText(text, kUnescapeHtml));
        return true;
    case F::kIgnoreCase:
    case F::kRetryEncoded:
        findMenu_.setChecked(id, !findMenu_.isChecked(id));
        return true;
    default:
        return false;
    }
}

void rg_ZhuChuangKou1::findInTree(bool backward) {
    exchangeSettings(rg_TolvarMFCZuJianPeiZhiLei::kSave);
    lastFindText_ = findTextBox->content();
    lastMatchMode_ = matchModeList->currentIndex();
    lastIgnoreCase_ = findMenu_.isChecked(rg_ChaZhaoCaiChanLei::kIgnoreCase) ? 1 : 0;
    const bool retry = findMenu_.isChecked(rg_ChaZhaoCaiChanLei::kRetryEncoded);
    rg_ShuCaoWei* s = current();
    if (!s) return;
    TreeItemMatcher matcher(findRegex_);
    matcher.prepare(lastFindText_, lastMatchMode_, lastIgnoreCase_ != 0);
    sharedStopwatch().restartTimer();
    rg_TolvarShuXingKuangCunChu& store = s->tree->store();
    // Pending messages (painting, timers) are handled every few milliseconds, not per item.
    const TreeFindResult result =
        findInItems(store, backward, matcher, retry, findTextBox->content(), [this] { processMessages(); });
    if (result.retried) lastFindText_ = matcher.findText();
    if (result.item == -1) {
        platform().beep(BeepKind::Error);
        statusBar->setColumnText(kColOther, sharedStopwatch().elapsedText(u"未找到"));
        return;
    }
    platform().beep(BeepKind::Simple);
    const CWString foundText = sharedStopwatch().elapsedText(u"已找到");
    s->tree->setFocus();
    if (result.item != result.selected) {
        // Selecting shows the node (path box and text pane) through selectionChanged.
        const uint64_t before = shownNodes_;
        store.setPendingSelectionReason(ByOwner);
        store.setSelection(result.item);
        if (shownNodes_ == before) {
            pathBox->setContent(store.pathOfItem(result.item, pathMode()));
            showSelectedNode();
        }
    }
    // Shown last, so that the node's own status does not hide the search's outcome.
    statusBar->setColumnText(kColOther, foundText);
}

// ---------------------------------------------------------------------------------------------
// Stream-parse panel

void rg_ZhuChuangKou1::streamParse(const CWString& filePath, int32_t encoding, const CWString& path,
                                   bool popupOnly) {
    if (streamProgress_ != nullptr) return; // one extraction at a time
    sharedStopwatch().restartTimer();
    streamParseButton->setCaption(kStreamRunning);
    streamParseButton->redraw();
    statusBar->setColumnText(kColOther, kStreamRunning);

    // The scan runs on a worker thread over the slot's document (or a scratch one when no slot is
    // current); this thread keeps painting and shows the progress. User input waits until the
    // extraction is done, as for every command; closing the window cancels it.
    rg_Tolvar_JSON::rg_TolvarJSONLei scratch;
    rg_ShuCaoWei* s = current();
    rg_Tolvar_JSON::rg_TolvarJSONLei& document = s ? s->document : scratch;
    rg_Tolvar_JSON::StreamProgress progress;
    const int64_t total = fileSizeOf(filePath);
    CWString result;
    rg_Tolvar_JSON::StreamStatus status = rg_Tolvar_JSON::StreamStatus::CannotOpen;
    bool outOfMemory = false;
    std::atomic<bool> done{false};
    streamProgress_ = &progress;
    std::thread worker([&] {
        try {
            // The document's extraction (its stream fields), with the scanner kept to learn how
            // the extraction ended.
            rg_Tolvar_JSON::StreamScanner scanner(rg_Tolvar_JSON::StreamFields{
                document.streamLength, document.streamEncoding, document.resultBytes, document.chunkSizeKiB,
                document.chunkOffset, document.chunkBytes, document.streamFd});
            scanner.progress = &progress;
            CWString out;
            if (scanner.extractFromFile(filePath, encoding, path, out)) result = std::move(out);
            status = scanner.status();
        } catch (const std::bad_alloc&) {
            // A value too large for memory: a failed extraction.
            CWString().swap(result);
            outOfMemory = true;
        }
        done.store(true, std::memory_order_release);
    });
    auto lastShown = std::chrono::steady_clock::now();
    while (!done.load(std::memory_order_acquire)) {
        processMessages();
        const auto now = std::chrono::steady_clock::now();
        if (total > 0 && now - lastShown >= std::chrono::milliseconds(250)) {
            lastShown = now;
            const int64_t read = std::min(progress.bytesRead.load(std::memory_order_relaxed), total);
            statusBar->setColumnText(kColOther,
                                     CWString(kStreamRunning) + u" " + decimal(read * 100 / total) + u"%");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    worker.join();
    streamProgress_ = nullptr;

    const CWString elapsed = sharedStopwatch().elapsedText(u"解析文件流");
    statusBar->setColumnText(kColOther, elapsed);
    streamParseButton->setCaption(u"开始文件流解析");
    streamParseButton->redraw();
    if (progress.cancel.load()) return; // the window is closing
    // Why there is no value (empty when there is one, possibly an empty text).
    using rg_Tolvar_JSON::StreamStatus;
    CWString failure;
    if (outOfMemory)
        failure = u"内存不足";
    else if (filePath.empty())
        failure = u"未填写文件路径";
    else if (status == StreamStatus::CannotOpen)
        failure = u"无法打开文件";
    else if (status == StreamStatus::BadEncoding)
        failure = u"未选择文件编码";
    else if (status == StreamStatus::NotFound)
        failure = u"找不到该路径";
    else if (status == StreamStatus::TooLarge)
        failure = u"值太大，无法载入";
    else if (status == StreamStatus::ReadError)
        failure = u"读取文件出错";
    if (popupOnly) {
        if (!failure.empty())
            statusBar->setColumnText(kColOther, u"文件流解析失败：" + failure + u"（" + elapsed + u"）");
        InputResult view;
        view.readOnly = true;
        showInputBox(result, u"JSON文件：" + filePath + u"\r\nJSON路径：" + path, u"解析文件流：", view, 0,
                     false);
        return;
    }
    if (!failure.empty()) {
        // Nothing to parse: the slot, its tree and its file stay as they were.
        statusBar->setColumnText(kColOther, u"文件流解析失败：" + failure + u"，当前树未改变");
        platform().beep(BeepKind::Error);
        return;
    }
    if (current() == s && s != nullptr) parseTextToSlot(std::move(result), false, false);
}

void rg_ZhuChuangKou1::browseStreamFile() {
    const std::optional<CWString> chosen =
        platform().openFileName(u"打开JSON文件", filePathBox->content(), u"");
    if (chosen) filePathBox->setContent(*chosen);
}

// ---------------------------------------------------------------------------------------------
// Drag and drop

void rg_ZhuChuangKou1::dragEnterEvent(QDragEnterEvent* event) {
    const QMimeData* mime = event->mimeData();
    if (mime != nullptr && mime->hasUrls() && !mime->urls().isEmpty() && mime->urls().first().isLocalFile())
        event->acceptProposedAction();
}

void rg_ZhuChuangKou1::dropEvent(QDropEvent* event) {
    const QMimeData* mime = event->mimeData();
    if (mime == nullptr || !mime->hasUrls() || mime->urls().isEmpty() || !mime->urls().first().isLocalFile())
        return;
    event->acceptProposedAction();
    openDroppedFile(rg_Korrin_ChuangKou::fromQString(mime->urls().first().toLocalFile()));
}

void rg_ZhuChuangKou1::openDroppedFile(const CWString& path) {
    if (streamProgress_ != nullptr) return;
    const int64_t size = fileSizeOf(path);
    if (size < 0) {
        statusBar->setColumnText(kColOther, u"读取失败：" + fileNameOf(path));
        platform().beep(BeepKind::Error);
        return;
    }
    if (size > kLargeDropBytes) {
        // Too large to load whole: offer it to the stream panel instead.
        filePathBox->setContent(path);
        if (!streamToggle->checked()) {
            streamToggle->setChecked(1);
            relayout();
        }
        statusBar->setColumnText(kColOther, u"文件较大，已填入文件流解析：" + fileNameOf(path));
        return;
    }
    if (!current()) return;
    CWString encoding;
    bool ok = false;
    CWString text = rg_Tolvar_MingLingJi::readTextFile(path, encoding, &ok);
    if (!ok) {
        statusBar->setColumnText(kColOther, u"读取失败：" + fileNameOf(path));
        platform().beep(BeepKind::Error);
        return;
    }
    parseTextToSlot(std::move(text), true, false);
}

} // namespace rg_Korrin_ChengXu
