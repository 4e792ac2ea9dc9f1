// rg_ZhuChuangKou1: the main window: path bar, slot bar, twenty tree slots with their JSON text
// panes, status bar, stream-parse and find panels, the toolbar toggles and the brand banner.
//
// Construction runs the whole creation: every control in its design position, the settings file
// "软件配置.ini" of the data folder opened and loaded into the controls, the slot controls made
// and the current slot shown without reading its file. The first activation of the window reads
// the current slot's file ("JSON树N.txt" in the data folder); every other slot is read the first
// time it is shown. Closing saves the settings and writes every slot whose tree was edited.
//
// Every command acts on the current slot; when the stored slot number was out of range there is
// none (currentSlot() == -1) and the slot commands do nothing until a tab is picked.
//
// Files are written atomically. A write that fails is reported in the last status column (and,
// while closing, in a message box offering to retry), never silently dropped. A slot file that
// could not be read is never written over (rg_ShuCaoWei::fileAdopted).
//
// Owns all its controls (Qt children), the settings object, the two popup menus and per slot the
// document and texts. Modal and noisy things (clipboard, beeps, input dialog, message boxes) go
// through the platform interface. UI thread only.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QWidget>

#include "app/control_settings.h"
#include "app/core/slot_history.h"
#include "app/menus.h"
#include "app/window_parts.h"
#include "controls/button.h"
#include "controls/check_box.h"
#include "controls/selector_bar.h"
#include "runtime/ui/container.h"
#include "runtime/ui/edit_box.h"
#include "text/regex.h"
#include "text/ui/rich_edit.h"
#include "tree/ui/tree_box.h"
#include "json/document.h"
#include "json/stream_extract.h"

namespace rg_Korrin_ChengXu {

// The tree box of a slot.
using rg_ShuKuang = rg_TolvarMingLingJi_ChuangKouZuJian::rg_TolvarShuXingKuang;

// One slot: tree box, text pane, document and the texts and flags that go with them.
struct rg_ShuCaoWei {
    rg_ShuKuang* tree = nullptr; // owned by the window (Qt child)
    rg_TolvarMingLingJi_ChuangKouZuJian::rg_TolvarChaoJiBianJiKuang1* pane = nullptr; // likewise
    rg_Tolvar_JSON::rg_TolvarJSONLei document;
    CWString sourceText;    // the text last parsed with keep-source off
    bool slotDirty = false; // the tree or document was edited since the last parse
    bool loaded = false;    // the slot file was read (lazily, on first show)
    // A large source text is written to the slot file on this thread; sourceText is not changed
    // and the file not written again until it has been joined (finishSlotWrite).
    std::thread writer;
    bool writeFailed = false; // set by the writer, read after joining it
    uint64_t writeId = 0;     // which write the writer's completion message belongs to
    // False while the slot file is one the program could not read (unreadable, too large, out of
    // memory): such a file is never written, renamed over or emptied (not by a re-parse of the
    // source text, not at close) until the user parses new text into this slot. Edits made in
    // the meantime are saved beside it (editedPath) when the window closes.
    bool fileAdopted = true;
    // The slot file holds sourceText (as read, in whatever encoding, or as last written): a failed
    // rewrite of that same text then loses nothing, so it does not make the slot dirty. While a
    // background write runs it tells what the file held before.
    bool fileHoldsSource = false;
    CWString editedPath; // where edits of a slot whose file was not adopted were saved
    // Set while the document is the parse of sourceText, unedited: the 20014 setting it was parsed
    // under. Undo entries keep it with the state they restore.
    std::optional<bool> sourceParse;
    // After an undo or redo back to such a state: closing writes sourceText itself (what was
    // parsed), not the document's compact text, which need not read back the same.
    bool saveSource = false;
};

class rg_ZhuChuangKou1 : public QWidget {
    Q_OBJECT
public:
    static constexpr int32_t kSlotCount = 20;
    enum : int32_t { kColParse = 0, kColLoad = 1, kColRead = 2, kColShow = 3, kColOther = 4 };
    static constexpr int kDesignWidth = 1130, kDesignHeight = 800;
    static constexpr int32_t kTextIconsImage = 500, kPictureIconsImage = 501;

    // `dataFolder` holds the settings file and the slot files.
    explicit rg_ZhuChuangKou1(CWString dataFolder, QWidget* parent = nullptr);
    ~rg_ZhuChuangKou1() override;

    const CWString& dataFolder() const { return dataFolder_; }
    CWString settingsFilePath() const;
    CWString slotFilePath(int32_t slot) const;

    // ---- commands ----
    // Loads (rg_TolvarMFCZuJianPeiZhiLei::kLoad) or saves every persisted control; saving writes
    // the file when its content changed and returns false when that write failed.
    bool exchangeSettings(int32_t direction);
    void createSlotControls();
    void showCurrentSlot(bool load);
    void editSlotRemark();
    // Writes every dirty slot; false when a write failed (the slot stays dirty). A slot whose file
    // was not adopted (fileAdopted) is written beside it, to "JSON树N.txt.edited", and the user is
    // told so in a message box.
    bool saveDirtySlots();
    void parseTextToSlot(const CWString& text, bool fromFile, bool keepSource);
    // The same for a text the caller gives up: it becomes the slot's source text without a copy.
    void parseTextToSlot(CWString&& text, bool fromFile, bool keepSource);
    void loadDocumentToTree();
    void showSelectedNode();
    void jumpToPath(bool force);
    void nextPathMode();
    // 0 default, 1 independent array separation, 2 KorrinJSON, from the menu's check marks.
    int32_t pathMode() const;
    // A choice from either popup menu: the tree menu's commands, then the find options.
    void onMenuCommand(int32_t id);
    // Runs a tree menu command (10001 to 10014) or option (20013, 20014, 20016 to 20018). False
    // for ids that are not the tree menu's.
    bool onTreeMenuCommand(int32_t id);
    // Runs a find-options item (20001, 20002, 20004 to 20008). False for other ids.
    bool onFindMenuCommand(int32_t id);
    // A right-click on an item of slot `slot`'s tree box: path box brought up to date, then the
    // tree menu at the mouse.
    void onTreeRightClick(int32_t slot);
    // The find panel's search from the selected item, forward or backward, wrapping around.
    void findInTree(bool backward);
    // Takes the value at `path` out of the file without loading it: into the current slot, or only
    // shown in the input box's view mode. The window keeps painting (with the progress in percent
    // in the last status column) while the file is scanned on a worker thread. When there is no
    // value (no file, no encoding, the path names nothing, too large, a read error, no memory)
    // the slot, its tree and its file stay as they were and the last status column says why.
    void streamParse(const CWString& filePath, int32_t encoding, const CWString& path, bool popupOnly);
    // The open-file dialog of the stream panel's ".." button.
    void browseStreamFile();
    // A file dropped on the window: parsed into the current slot, or, above kLargeDropBytes, put
    // into the stream panel's file box (the panel is shown).
    void openDroppedFile(const CWString& path);
    static constexpr int64_t kLargeDropBytes = int64_t(256) << 20;
    // Source texts of at least this many units are written to the slot file in the background.
    static constexpr size_t kBackgroundWriteUnits = size_t(8) << 20;
    void onButtonClicked(rg_TolvarMingLingJi_ChuangKouZuJian::rg_TolvarAnNiu1* button, int32_t argument);
    void onCheckChanged(rg_TolvarMingLingJi_ChuangKouZuJian::rg_TolvarXuanZhongKuang1* box);
    void relayout();
    // Makes slot `index` current as a click on its tab does (the keyboard's way to every slot).
    void selectSlot(int32_t index);
    // A right-click on "复制路径": the menu of other tools' path syntaxes at the mouse.
    void onCopyPathRightClick();
    // Puts the selected node's path in the syntax of copy-path menu row `id` on the clipboard and
    // says so in the last status column; a node that syntax cannot name is refused the same way.
    void copyToolPath(int32_t id);
    rg_FuZhiLuJingCaiChanLei& copyPathMenu() { return copyPathMenu_; }
    // The first activation's work (reads the current slot); runs once, later calls do nothing.
    void onFirstActivated();
    // Saves settings and dirty slots (what closing does); runs once per window.
    void saveOnClose();
    // The session manager's save request (a checkpoint, or a logout that may still be cancelled):
    // settings and dirty slots are saved as closing saves them, once, without asking anything;
    // the session may go on, and the real close saves again.
    void saveForSession();

    // Undo (redo) of the current slot's last (next) document change: "新建", "删除", "修改键名",
    // the in-place rename, "修改键值" and every replacement of the slot's document. The document,
    // the tree, the source text and the dirty flag come back as they were; the changed node is
    // selected. Nothing to undo (redo) is said in the last status column.
    void undo();
    void redo();
    // The undo history of all slots (budget and step limit; tests lower the budget).
    rg_CaoWeiLiShi& history() { return history_; }

    // ---- state ----
    int32_t currentSlot() const { return currentSlot_; }
    rg_ShuCaoWei& slot(int32_t i) { return *slots_[size_t(i)]; }
    // The current slot; nullptr when none is current or the slot controls do not exist yet (while
    // the settings load at creation, a control's change event must not reach a slot).
    rg_ShuCaoWei* current() {
        return currentSlot_ >= 0 && currentSlot_ < kSlotCount && slots_[size_t(currentSlot_)]->pane != nullptr
                   ? slots_[size_t(currentSlot_)].get()
                   : nullptr;
    }
    const std::vector<CWString>& remarkNames() const { return remarkNames_; }
    CWString statusText(int32_t column) const { return statusBar->columnText(column); }
    rg_TolvarMFCZuJianPeiZhiLei& settings() { return settings_; }
    rg_ShuCaiChanLei& treeMenu() { return treeMenu_; }
    rg_ChaZhaoCaiChanLei& findMenu() { return findMenu_; }
    bool firstActivationDone() const { return activated_; }
    // What the last search looked for (after a UCS-2 retry, the escaped text).
    const CWString& lastFindText() const { return lastFindText_; }
    int32_t lastMatchMode() const { return lastMatchMode_; }
    int32_t lastIgnoreCase() const { return lastIgnoreCase_; }
    // True while a stream extraction runs (closing then cancels it first).
    bool streaming() const { return streamProgress_ != nullptr; }
    // The icon strip the tree boxes use now: 500 with "文字图标" checked, else 501.
    int32_t treeImageStrip() const { return textIconCheck->checked() ? kTextIconsImage : kPictureIconsImage; }

    // ---- controls (owned, Qt children; public so commands and tests can reach them) ----
    rg_TolvarMingLingJi_ChuangKouZuJian::rg_TolvarXuanZeGa1* slotBar = nullptr;
    rg_PinPaiHengFu* banner = nullptr;
    rg_Korrin_ChuangKou::rg_ZuJianBuJuQi* toolbarPanel = nullptr;
    rg_TolvarMingLingJi_ChuangKouZuJian::rg_TolvarAnNiu1* streamToggle = nullptr;
    rg_TolvarMingLingJi_ChuangKouZuJian::rg_TolvarAnNiu1* findToggle = nullptr;
    rg_TolvarMingLingJi_ChuangKouZuJian::rg_TolvarXuanZhongKuang1* topMostCheck = nullptr;
    rg_TolvarMingLingJi_ChuangKouZuJian::rg_TolvarXuanZhongKuang1* textIconCheck = nullptr;
    rg_TolvarMingLingJi_ChuangKouZuJian::rg_TolvarAnNiu1* copyPathButton = nullptr;
    rg_TolvarMingLingJi_ChuangKouZuJian::rg_TolvarChaoJiBianJiKuang1* paneTemplate = nullptr;
    rg_XiaLaLieBiaoKuang* outputFormatList = nullptr;
    rg_ZhuangTaiTiao* statusBar = nullptr;
    rg_TuPianKuang* jumpIcon = nullptr;
    rg_TolvarMingLingJi_ChuangKouZuJian::rg_TolvarAnNiu1* pastePathButton = nullptr;
    rg_Korrin_ChuangKou::rg_BianJiKuang* pathBox = nullptr;
    QGroupBox* streamPanel = nullptr;
    QLabel* fileLabel = nullptr;
    rg_XiaLaLieBiaoKuang* encodingList = nullptr;
    QLabel* streamPathLabel = nullptr;
    rg_TolvarMingLingJi_ChuangKouZuJian::rg_TolvarAnNiu1* pasteStreamPathButton = nullptr;
    rg_Korrin_ChuangKou::rg_BianJiKuang* streamPathBox = nullptr;
    rg_TolvarMingLingJi_ChuangKouZuJian::rg_TolvarAnNiu1* browseButton = nullptr;
    rg_Korrin_ChuangKou::rg_BianJiKuang* filePathBox = nullptr;
    QCheckBox* popupOnlyCheck = nullptr;
    rg_TolvarMingLingJi_ChuangKouZuJian::rg_TolvarAnNiu1* streamParseButton = nullptr;
    QGroupBox* findPanel = nullptr;
    QPushButton* findOptionsButton = nullptr;
    QLabel* findLabel = nullptr;
    rg_TolvarMingLingJi_ChuangKouZuJian::rg_TolvarAnNiu1* pasteFindButton = nullptr;
    rg_Korrin_ChuangKou::rg_BianJiKuang* findTextBox = nullptr;
    rg_XiaLaLieBiaoKuang* matchModeList = nullptr;
    rg_TolvarMingLingJi_ChuangKouZuJian::rg_TolvarAnNiu1* findButton = nullptr;
    rg_ShuKuang* treeTemplate = nullptr;
    rg_TolvarMingLingJi_ChuangKouZuJian::rg_TolvarAnNiu1* clipboardParseButton = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // Ctrl+Z, Ctrl+Y and Ctrl+Shift+Z in the current tree box (shortcuts.cpp).
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void createControls();
    void bindEvents();
    void createShortcuts();
    // Ctrl+Z undo, Ctrl+Y and Ctrl+Shift+Z redo while the focus is in this tree box.
    void addUndoShortcuts(rg_ShuKuang& tree);
    void onCreated();
    void onTreeSelection(int32_t slot, int32_t item);
    void applyTopMost();
    void processMessages();
    // Reads a slot file; false (and `text` empty) when an existing file could not be read, in
    // which case the file must not be overwritten.
    bool readSlotFile(int32_t slot, CWString& text);
    // Writes text to the slot file; reports a failure in the last status column.
    bool writeSlotFile(int32_t slot, const CWString& text);
    void reportWriteFailure(const CWString& what);
    // Writes the slot's source text to its file on a background thread (large texts).
    void startSlotWrite(int32_t slot);
    // Joins the slot's background write, if any, and reports its failure (the slot becomes dirty).
    void finishSlotWrite(int32_t slot);
    // The selected item of the current tree for 10003-10005 and 10007, or -1 after telling the
    // user to select one (items below `minimum` do not count).
    int32_t commandItem(int32_t minimum);
    // The node the path box names in the current slot's document (with its key as the path's last
    // segment gives it), or nullptr after giving the tree box the focus.
    rg_Tolvar_JSON::rg_TolvarJSONJieDian* nodeAtPathBox(CWString* key);
    void createNode();
    void deleteNode();
    void renameKey();
    void setNodeValue();
    // Status column 4 := text, with the error beep (a command that found no node, or another one).
    void reportNodeProblem(const CWString& text);
    // The node the selected item of the current tree was built from (by position), or nullptr.
    rg_Tolvar_JSON::rg_TolvarJSONJieDian* selectedItemNode();
    // 10005's work once the new key is known: document, item text and key length, dirty flag,
    // path box.
    void applyKeyRename(int32_t item, rg_Tolvar_JSON::rg_TolvarJSONJieDian& node, const CWString& entered);
    // The value 10007 writes from the text pane, or nothing to leave the node as it is.
    std::optional<CWString> valueFromPane(rg_Tolvar_JSON::rg_TolvarJSONJieDian& node);
    // The tree box's editCommitted: an in-place edit renames a member's key (tree_commands.cpp).
    int32_t onTreeEditCommitted(int32_t slot, int32_t item, const CWString& before, const CWString& edited);
    // ---- undo (undo_commands.cpp) ----
    struct UndoEntry;
    // The record* functions keep what a change is about to alter in a pending entry;
    // commitPendingEntry records it once the change was made.
    void recordNodeState(const rg_Tolvar_JSON::rg_TolvarJSONJieDian& node);
    void recordKey(const rg_Tolvar_JSON::rg_TolvarJSONJieDian& node);
    // Before `child` is removed from its container.
    void recordRemoval(const rg_Tolvar_JSON::rg_TolvarJSONJieDian& child);
    void recordChild(const rg_Tolvar_JSON::rg_TolvarJSONJieDian& container, int32_t index, bool present);
    void commitPendingEntry();
    void dropPendingEntry();
    void recordEntry(std::unique_ptr<UndoEntry> entry);
    // Before the current slot's document is replaced: the old document (and unless keepSource the
    // source text) moved into an entry, or the history dropped when it would not fit.
    void rememberDocument(bool keepSource);
    // The slot's document changed in a way not recorded: its history cannot apply any more.
    void dropHistory(int32_t slot);
    void refreshUndoRows();
    void stepHistory(bool back);
    int32_t applyEntry(UndoEntry& entry);
    // Rebuilds item `item` and its descendants from `node` (the top item keeps its label), as
    // "修改键值" does; the expand state stays.
    void refillItem(int32_t item, const rg_Tolvar_JSON::rg_TolvarJSONJieDian& node);
    // Item `item` shows the key of `node` again (its text and key length), after a rename.
    void relabelKeyItem(int32_t item, const rg_Tolvar_JSON::rg_TolvarJSONJieDian& node);
    int32_t insertChildItems(int32_t parentItem, const rg_Tolvar_JSON::rg_TolvarJSONJieDian& container,
                             int32_t index);
    // A message box with the caption "信息:" and the information icon, no owner window.
    void showInfo(const CWString& text);
    // Where a parsed text comes from, which decides what happens to the slot file.
    enum class SlotText {
        UserText,       // new text the user parsed into the slot: the slot file is (re)adopted
        SourceAgain,    // the slot's source text again (keep source): written only if adopted
        SlotFile,       // the slot file's own text, just read
        UnreadSlotFile, // the slot file could not be read: it is not adopted, nothing is written
    };
    void parseTextToSlotImpl(const CWString& text, bool fromFile, bool keepSource, SlotText origin);
    // saveDirtySlots; `interactive` false writes without telling anything (a session save).
    bool saveDirtySlotsImpl(bool interactive);
    // The file beside slot `slot`'s unadopted file that receives its edits (chosen once).
    const CWString& editedPathOf(int32_t slot);

    CWString dataFolder_;
    rg_TolvarMFCZuJianPeiZhiLei settings_;
    rg_ShuCaiChanLei treeMenu_;
    rg_ChaZhaoCaiChanLei findMenu_;
    rg_FuZhiLuJingCaiChanLei copyPathMenu_;
    std::array<std::unique_ptr<rg_ShuCaoWei>, kSlotCount> slots_;
    std::vector<CWString> remarkNames_ = std::vector<CWString>(kSlotCount);
    int32_t currentSlot_ = 0;
    bool activated_ = false;
    bool closed_ = false;
    bool created_ = false;
    CWString lastFindText_;
    int32_t lastMatchMode_ = 0;
    int32_t lastIgnoreCase_ = 0;
    rg_Tolvar_MingLingJi::rg_TolvarZhengZeBiaoDaShiLei findRegex_;
    rg_Tolvar_JSON::StreamProgress* streamProgress_ = nullptr; // set while an extraction runs
    uint64_t shownNodes_ = 0; // counts showSelectedNode runs (jumpToPath avoids a second read)
    CWString asideNotice_;    // edits saved beside unadopted slot files, not yet told to the user
    rg_CaoWeiLiShi history_{kSlotCount};
    std::unique_ptr<UndoEntry> pendingEntry_; // what the change being made will record
};

} // namespace rg_Korrin_ChengXu
