// The journey test: a seeded, stateful random walk through the real main window on the offscreen
// platform. Each step is one user action drawn from a weighted table (parses from the clipboard,
// a tab, a dropped file and the stream panel; selection by click, keys and path box; scrolling;
// every tree-menu command with its dialogs answered or cancelled; in-place edits; finds; slot
// switches; remarks; every option; session saves; closing and starting again in the same folder
// with planted slot and settings files). After every step invariants are checked: the tree agrees
// with the document, paths lead back to their items, commands change only the selected node,
// other slots and files stay as they were, a restart shows the same documents and settings.
//
// Each journey runs in a child process (a crash is a failure like any other). A failing journey
// is shrunk by delta debugging over its recorded step list, each candidate replayed in a fresh
// child and folder; the seed, the failing step and the shortest list are printed.
//
// Environment:
// Undo model: per slot the documents (compact JSON) before each recorded change and after each
// undo, in step with the window's history counts (a change the history dropped clears them).
//
//   QUELIX_JOURNEY_SEED=n     one seed instead of the CI list
//   QUELIX_JOURNEY_STEPS=n    steps per seed
//   QUELIX_JOURNEY_SOAK=1     a long soak (many seeds, many steps)
//   QUELIX_JOURNEY_REPLAY=l   replays a printed step list ("key:hex,key:hex,...")
//   QUELIX_JOURNEY_SKIP=k,k   action or invariant keys to turn off (triage); besides the tables'
//                             keys: option_format (the output-format list), plant (planted files
//                             at restarts), gen_colon (keys holding ":" in generated texts),
//                             drop_nobom (dropped files in UTF-8 without a byte-order mark),
//                             path_korrin (the path check in the KorrinJSON mode)
//   QUELIX_JOURNEY_TRACE=1    prints what each step did and keeps the data folders
//   QUELIX_JOURNEY_NOSHRINK=1 report without shrinking
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "app/main_window.h"
#include "app_test_base.h"
#include "gui_test_util.h"
#include "journey_json.h"
#include "runtime/tick_clock.h"
#include "runtime/ui/qt_text.h"
#include "runtime/ui/testing/test_platform.h"
#include "text/codecs.h"
#include "text/ui/input_box.h"
#include "text/ui/popup_menu.h"
#include "text/ui/rich_edit.h"
#include "json/document.h"
#include "json/node.h"

using namespace rg_Korrin_ChengXu;
using rg_Korrin_ChuangKou::fromQString;
using rg_Korrin_ChuangKou::toQString;
using Store = rg_TolvarMingLingJi_ChuangKouZuJian::rg_TolvarShuXingKuangCunChu;
using ItemCursor = rg_TolvarMingLingJi_ChuangKouZuJian::ItemCursor;
using Node = rg_Tolvar_JSON::rg_TolvarJSONJieDian;
using M = rg_ShuCaiChanLei;
using F = rg_ChaZhaoCaiChanLei;

namespace journey {

// ---------------------------------------------------------------------------------------------
// Action and invariant tables: each can be turned off by its key (QUELIX_JOURNEY_SKIP).

struct ActionKind {
    const char* key;
    int weight;
};
const ActionKind kActions[] = {
    {"parse_clip", 10}, {"parse_tab", 3},    {"parse_drop", 4},   {"parse_stream", 3}, {"select_click", 12},
    {"select_keys", 8}, {"select_path", 6},  {"scroll", 5},       {"expand", 4},       {"menu", 16},
    {"pane_edit", 3},   {"edit_inplace", 4}, {"find", 6},         {"slot", 5},         {"remark", 2},
    {"option", 8},      {"restart", 3},      {"session_save", 1}, {"undo", 6},         {"redo", 3},
    {"undo_k", 2},
};
const char* const kInvariants[] = {
    "inv_tree",     // the items are what fillFromNode gives for the document
    "inv_view",     // the painted rows start at the top item and follow the visible items
    "inv_path",     // the selected item's path leads back to its own node (and item)
    "inv_change",   // a command changes only the selected node; a parse gives the parsed text
    "inv_others",   // a step changes no other loaded slot
    "inv_restart",  // after a restart every slot shows the same document
    "inv_settings", // after a restart every setting reads back as set
    "inv_pane",     // the text pane shows the node the path box names (unless typed into)
    "inv_files",    // no slot file is emptied except by a parse; files not adopted stay as they are
    "inv_undo",     // undoing k steps gives the document as it was k steps before; redo goes forward again
};

std::set<std::string> skipped() {
    std::set<std::string> out;
    const QByteArray env = qgetenv("QUELIX_JOURNEY_SKIP");
    for (const QByteArray& k : env.split(','))
        if (!k.trimmed().isEmpty()) out.insert(k.trimmed().toStdString());
    return out;
}

struct Step {
    std::string key;
    uint64_t seed;
};

std::string formatSteps(const std::vector<Step>& steps) {
    std::string out;
    char buf[32];
    for (const Step& s : steps) {
        if (!out.empty()) out += ',';
        std::snprintf(buf, sizeof buf, ":%llx", static_cast<unsigned long long>(s.seed));
        out += s.key + buf;
    }
    return out;
}

std::vector<Step> parseSteps(const std::string& text) {
    std::vector<Step> out;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find(',', at);
        if (end == std::string::npos) end = text.size();
        const std::string token = text.substr(at, end - at);
        const size_t colon = token.find(':');
        if (colon != std::string::npos)
            out.push_back({token.substr(0, colon), std::strtoull(token.c_str() + colon + 1, nullptr, 16)});
        at = end + 1;
    }
    return out;
}

// ---------------------------------------------------------------------------------------------
// Document helpers

void preorder(const Node& node, std::vector<const Node*>& out) {
    std::vector<std::pair<const Node*, int32_t>> stack{{&node, 0}};
    while (!stack.empty()) {
        auto& [n, i] = stack.back();
        if (i >= n->childCount()) {
            stack.pop_back();
            continue;
        }
        const Node* c = n->child(i++);
        out.push_back(c);
        stack.push_back({c, 0});
    }
}

struct FlatEntry {
    int32_t depth;
    int32_t type;
    CWString key;
    CWString value;
    bool operator==(const FlatEntry& o) const {
        return depth == o.depth && type == o.type && key == o.key && value == o.value;
    }
};

// Every node below the root in pre-order (depth from the walk, not the parent links), with the
// number of entries of its subtree.
void flatten(const Node& root, std::vector<FlatEntry>& out, std::vector<int32_t>& sizes) {
    out.clear();
    std::vector<std::pair<const Node*, int32_t>> stack{{&root, 0}};
    std::vector<int32_t> depthOf{-1};
    while (!stack.empty()) {
        auto& [n, i] = stack.back();
        if (i >= n->childCount()) {
            stack.pop_back();
            continue;
        }
        const Node* c = n->child(i++);
        out.push_back({int32_t(stack.size()) - 1, c->nodeType(), CWString(c->keyText()),
                       c->isContainer() ? CWString() : CWString(c->valueText())});
        stack.push_back({c, 0});
    }
    sizes.assign(out.size(), 1);
    for (size_t i = 0; i < out.size(); ++i) {
        size_t j = i + 1;
        while (j < out.size() && out[j].depth > out[i].depth)
            ++j;
        sizes[i] = int32_t(j - i);
    }
}

// The first node whose parent link does not lead to the node that holds it, or null.
const Node* brokenParentLink(const Node& root) {
    std::vector<const Node*> stack{&root};
    while (!stack.empty()) {
        const Node* n = stack.back();
        stack.pop_back();
        for (int32_t i = 0; i < n->childCount(); ++i) {
            if (n->child(i)->parent() != n) return n->child(i);
            stack.push_back(n->child(i));
        }
    }
    return nullptr;
}

CWString compactOf(const rg_Tolvar_JSON::rg_TolvarJSONLei& doc) {
    return rg_Tolvar_JSON::toJsonText(doc.root(), true);
}

// A key the path syntax cannot write so that it leads back: "->" and "[" are split by the lookup,
// "#46#" is read as a dot, white space at the ends is trimmed, a leading "//" may be dropped, and
// control characters are not kept in item texts.
bool keyNameable(CWStringView raw, bool first) {
    const CWString k = rg_Tolvar_JSON::unquote(raw);
    if (k.find(u"->") != CWString::npos || k.find(u'[') != CWString::npos ||
        k.find(u"#46#") != CWString::npos)
        return false;
    if (!k.empty() && (k.front() <= 0x20 || k.back() <= 0x20)) return false;
    for (char16_t c : k)
        if (c < 0x20) return false;
    if (first && k.starts_with(u"//")) return false;
    return true;
}

bool nodeNameable(const Node* n, const Node* root) {
    std::vector<const Node*> chain;
    for (const Node* p = n; p != nullptr && p != root; p = p->parent())
        chain.push_back(p);
    for (size_t i = 0; i < chain.size(); ++i) {
        const Node* p = chain[i];
        const bool inArray = p->parent() != nullptr && p->parent()->nodeType() == rg_Tolvar_JSON::Array;
        if (!inArray && !keyNameable(p->keyText(), i + 1 == chain.size())) return false;
    }
    return true;
}

QString show(CWStringView text, size_t max = 160) {
    QString s = toQString(text.substr(0, std::min(text.size(), max)));
    if (text.size() > max) s += QStringLiteral("…(%1)").arg(text.size());
    return s.replace(QLatin1Char('\n'), QStringLiteral("\\n"))
        .replace(QLatin1Char('\r'), QStringLiteral("\\r"));
}

// ---------------------------------------------------------------------------------------------
// One journey over one data folder.

class Journey {
public:
    Journey() : skip_(skipped()) {}
    ~Journey() { teardown(); }

    // Runs the steps; returns the failure ("<invariant>: message") or empty. onStep is called
    // with each step before it runs.
    std::string run(const std::vector<Step>& steps, const std::function<void(size_t, const Step&)>& onStep) {
        setup();
        for (size_t i = 0; i < steps.size() && failure_.empty(); ++i) {
            stepNo_ = i;
            if (onStep) onStep(i, steps[i]);
            if (skip_.count(steps[i].key)) continue;
            runStep(steps[i]);
            if (failure_.empty()) checkAfterStep(steps[i]);
        }
        if (failure_.empty() && !steps.empty()) {
            // The journey ends with a close and a start, so that every edit meets the restart checks.
            finalRestart_ = true;
            runStep({"restart", 0x5eed});
        }
        std::string out = failure_;
        teardown();
        return out;
    }

private:
    using Window = rg_ZhuChuangKou1;

    struct Settings {
        int32_t findToggle, streamToggle, topMost, textIcon, outputFormat, encoding, matchMode;
        bool popupOnly;
        CWString filePath, streamPath, findText;
        bool ignoreCase, retry, decodeOnShow, decodeOnParse;
        int32_t pathMode;
        std::vector<CWString> remarks;
        int32_t current;
        bool operator==(const Settings&) const = default;
    };

    struct SlotModel {
        bool decodeAtParse = false;      // 20014 when the slot's document was last parsed
        std::optional<QByteArray> alien; // a file the program did not adopt: its bytes ("<dir>" for a folder)
    };

    std::set<std::string> skip_;
    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<rg_Korrin_ChuangKou::TestPlatform> platform_;
    std::unique_ptr<rg_Korrin_ChuangKou::TestPlatformInstall> install_;
    std::unique_ptr<Window> w_;
    std::mt19937_64 rng_;
    std::string failure_;
    size_t stepNo_ = 0;
    std::array<SlotModel, Window::kSlotCount> slots_{};
    std::array<int64_t, Window::kSlotCount> fileSizes_{};
    std::array<std::optional<CWString>, Window::kSlotCount> otherDocs_{};
    int explicitParseSlot_ = -1; // the slot the current step parsed into explicitly
    // The slot's pane may hold something else than its node on purpose (typed into, a pane
    // command, or stale after a parse, which keeps the selection): cleared once it shows its node.
    std::array<bool, Window::kSlotCount> paneTouched_{};
    struct {
        int slot = -1;
        uint64_t version = 0;
        int32_t item = -1;
    } selBefore_;
    int fileCounter_ = 0;
    bool finalRestart_ = false; // the closing restart plants nothing
    // The undo model (see the top of the file): a state is a document (unknown when the slot was
    // not loaded) with the 20014 setting it was parsed under.
    struct UndoState {
        std::optional<CWString> doc;
        bool decode = false;
    };
    std::array<std::vector<UndoState>, Window::kSlotCount> past_{}, future_{};
    std::array<uint64_t, Window::kSlotCount> stateIds_{};
    std::array<bool, Window::kSlotCount> decodeBefore_{};

    bool on(const char* key) const { return !skip_.count(key); }
    // What a step did, for reading a replay (QUELIX_JOURNEY_TRACE=1).
    void trace(const QString& what) const {
        if (qEnvironmentVariableIsSet("QUELIX_JOURNEY_TRACE"))
            std::fprintf(stderr, "  [%zu] %s\n", stepNo_, qPrintable(what));
    }
    void fail(const char* inv, const QString& msg) {
        if (failure_.empty() && on(inv)) failure_ = std::string(inv) + ": " + msg.toStdString();
    }
    int pick(int n) { return n <= 1 ? 0 : int(rng_() % uint64_t(n)); }
    bool chance(int percent) { return pick(100) < percent; }

    QString slotPath(int slot) const { return dir_->filePath(QStringLiteral("JSON树%1.txt").arg(slot + 1)); }
    QString iniPath() const { return dir_->filePath(QStringLiteral("软件配置.ini")); }

    void setup() {
        dir_ = std::make_unique<QTemporaryDir>();
        if (qEnvironmentVariableIsSet("QUELIX_JOURNEY_TRACE")) {
            dir_->setAutoRemove(false); // kept for reading the files afterwards
            trace(QStringLiteral("data folder %1").arg(dir_->path()));
        }
        platform_ = std::make_unique<rg_Korrin_ChuangKou::TestPlatform>();
        install_ = std::make_unique<rg_Korrin_ChuangKou::TestPlatformInstall>(*platform_);
        rg_Korrin_JiBen::setTickClock(&platform_->clock);
        failure_.clear();
        finalRestart_ = false;
        paneTouched_.fill(true);
        slots_ = {};
        otherDocs_ = {};
        startWindow();
        resetUndoModel();
        recordFileSizes();
    }
    void teardown() {
        rg_Korrin_MFCJieMian_KuoZhanZuJian::setPopupHook({});
        if (w_) {
            w_->close();
            w_.reset();
        }
        rg_Korrin_JiBen::setTickClock(nullptr);
        install_.reset();
        platform_.reset();
        dir_.reset();
    }
    void startWindow() {
        w_ = std::make_unique<Window>(fromQString(dir_->path()));
        w_->resize(Window::kDesignWidth, Window::kDesignHeight);
        w_->show();
        w_->onFirstActivated();
    }

    rg_ShuCaoWei* cur() { return w_->current(); }

    // What showSelectedNode puts into the current pane for the path box now.
    CWString expectedPane() {
        rg_ShuCaoWei* s = cur();
        Node* holder = nullptr;
        CWString timing;
        CWString text = s->document.readAtPath(w_->pathBox->content(), holder, false,
                                               w_->outputFormatList->currentIndex() == 1, timing);
        if (w_->treeMenu().isChecked(M::kDecodeOnShow))
            text = rg_Tolvar_MingLingJi::unescapeText(text, rg_Tolvar_MingLingJi::kUnescapeUcs2);
        return text;
    }
    // Pane texts compared without their CRs and from their first U+0000 on.
    static CWString normPane(CWString text) {
        text = text.substr(0, std::min(text.size(), text.find(u'\0')));
        std::erase(text, u'\r');
        return text;
    }
    Store* store() { return cur() ? &cur()->tree->store() : nullptr; }

    // ---- the steps ------------------------------------------------------------------------
    void runStep(const Step& step) {
        rng_.seed(step.seed);
        explicitParseSlot_ = -1;
        platform_->messageBoxes.clear();
        platform_->inputAnswers.clear();
        platform_->messageBoxAnswers.clear();
        for (int i = 0; i < Window::kSlotCount; ++i)
            otherDocs_[size_t(i)] =
                w_->slot(i).loaded ? std::optional<CWString>(compactOf(w_->slot(i).document)) : std::nullopt;
        const int before = w_->currentSlot();
        std::array<bool, Window::kSlotCount> loadedBefore{};
        for (int i = 0; i < Window::kSlotCount; ++i)
            loadedBefore[size_t(i)] = w_->slot(i).loaded;
        selBefore_.slot = before;
        selBefore_.version = store() ? store()->bufferVersion() : 0;
        selBefore_.item = store() ? store()->getSelection() : -1;
        const bool decodeShownBefore = w_->treeMenu().isChecked(M::kDecodeOnShow);
        const int formatBefore = w_->outputFormatList->currentIndex();
        const std::string& k = step.key;
        for (int i = 0; i < Window::kSlotCount; ++i)
            decodeBefore_[size_t(i)] = slots_[size_t(i)].decodeAtParse;
        if (k == "undo" || k == "redo" || k == "undo_k")
            doUndo(k);
        else if (k == "parse_clip" || k == "parse_tab" || k == "parse_drop")
            doParse(k);
        else if (k == "parse_stream")
            doStream();
        else if (k == "select_click")
            doClick();
        else if (k == "select_keys")
            doKeys();
        else if (k == "select_path")
            doPathBox();
        else if (k == "scroll")
            doScroll();
        else if (k == "expand")
            doExpand();
        else if (k == "menu")
            doMenu();
        else if (k == "pane_edit")
            doPaneEdit();
        else if (k == "edit_inplace")
            doInplaceEdit();
        else if (k == "find")
            doFind();
        else if (k == "slot")
            doSlot();
        else if (k == "remark")
            doRemark();
        else if (k == "option")
            doOption();
        else if (k == "restart")
            doRestart();
        else if (k == "session_save")
            w_->saveForSession(); // what a session manager's save request runs
        QCoreApplication::processEvents();
        if (k == "restart")
            resetUndoModel();
        else if (k != "undo" && k != "redo" && k != "undo_k")
            followHistory();
        if (k != "restart") checkOtherSlots(before);
        // The other slots' panes keep what they showed under the former display options.
        if (w_->treeMenu().isChecked(M::kDecodeOnShow) != decodeShownBefore ||
            w_->outputFormatList->currentIndex() != formatBefore)
            for (int i = 0; i < Window::kSlotCount; ++i)
                if (i != w_->currentSlot()) paneTouched_[size_t(i)] = true;
        for (int i = 0; i < Window::kSlotCount; ++i)
            if (!loadedBefore[size_t(i)] && w_->slot(i).loaded)
                paneTouched_[size_t(i)] = true; // read with the selection kept, the pane not shown
        if (k == "option" || k == "select_path")
            if (cur())
                paneTouched_[size_t(w_->currentSlot())] =
                    true; // a path-mode switch rewrites only the path box
    }

    // ---- undo and redo ------------------------------------------------------------------------
    void resetUndoModel() {
        for (int i = 0; i < Window::kSlotCount; ++i) {
            past_[size_t(i)].clear();
            future_[size_t(i)].clear();
            stateIds_[size_t(i)] = w_->history().stateId(i);
        }
    }
    // After a step that is not an undo or redo: a recorded change pushes the document before it.
    void followHistory() {
        for (int i = 0; i < Window::kSlotCount; ++i) {
            const uint64_t id = w_->history().stateId(i);
            if (id == stateIds_[size_t(i)]) continue;
            stateIds_[size_t(i)] = id;
            auto& past = past_[size_t(i)];
            future_[size_t(i)].clear();
            const size_t n = w_->history().undoCount(i);
            if (n == 0 && w_->history().redoCount(i) == 0) {
                past.clear(); // dropped (or a change that could not be kept)
                continue;
            }
            past.push_back({otherDocs_[size_t(i)], decodeBefore_[size_t(i)]});
            while (past.size() > n)
                past.erase(past.begin());
            while (past.size() < n)
                past.insert(past.begin(), UndoState{}); // more entries than the model saw: unknown
        }
    }
    // One undo or redo through the keys (in the tree box) or the tree menu; false when the
    // history had nothing to do.
    bool undoOnce(bool back) {
        rg_ShuCaoWei* s = cur();
        const int slot = w_->currentSlot();
        auto& from = back ? past_[size_t(slot)] : future_[size_t(slot)];
        auto& to = back ? future_[size_t(slot)] : past_[size_t(slot)];
        const size_t undoBefore = w_->history().undoCount(slot), redoBefore = w_->history().redoCount(slot);
        const CWString docBefore = compactOf(s->document);
        const bool empty = back ? undoBefore == 0 : redoBefore == 0;
        if (from.size() != (back ? undoBefore : redoBefore))
            fail("inv_undo",
                 QStringLiteral("slot %1: the history holds %2 undo / %3 redo steps, the journey saw %4")
                     .arg(slot + 1)
                     .arg(undoBefore)
                     .arg(redoBefore)
                     .arg(from.size()));
        const int how = pick(back ? 3 : 4);
        trace(
            QStringLiteral("%1 by %2").arg(back ? QStringLiteral("undo") : QStringLiteral("redo")).arg(how));
        if (how == 0) {
            rg_Korrin_MFCJieMian_KuoZhanZuJian::setPopupHook([back](QMenu& menu, QPoint) {
                for (QAction* a : menu.actions())
                    if (!a->isSeparator() && a->data().toInt() == (back ? M::kUndo : M::kRedo))
                        return a->isEnabled() ? (back ? int32_t(M::kUndo) : int32_t(M::kRedo)) : 0;
                return 0;
            });
            w_->onTreeRightClick(slot);
            rg_Korrin_MFCJieMian_KuoZhanZuJian::setPopupHook({});
        } else {
            s->tree->setFocus();
            QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : s->tree;
            if (back)
                QTest::keyClick(target, Qt::Key_Z, Qt::ControlModifier);
            else if (how == 1 || how == 3)
                QTest::keyClick(target, Qt::Key_Y, Qt::ControlModifier);
            else
                QTest::keyClick(target, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        }
        QCoreApplication::processEvents();
        const CWString docAfter = compactOf(s->document);
        stateIds_[size_t(slot)] = w_->history().stateId(slot);
        if (s->tree->store().getSelection() < 0)
            paneTouched_[size_t(slot)] =
                true; // a replaced document comes back as a parse: pane empty, path box kept
        if (empty) {
            if (docAfter != docBefore)
                fail("inv_undo", QStringLiteral("slot %1: with nothing to %2 the document changed to %3")
                                     .arg(slot + 1)
                                     .arg(back ? "undo" : "redo")
                                     .arg(show(docAfter)));
            return false;
        }
        const size_t undoAfter = w_->history().undoCount(slot), redoAfter = w_->history().redoCount(slot);
        trace(QStringLiteral("  history %1/%2 -> %3/%4")
                  .arg(undoBefore)
                  .arg(redoBefore)
                  .arg(undoAfter)
                  .arg(redoAfter));
        if (undoAfter == undoBefore && redoAfter == redoBefore)
            fail("inv_undo", QStringLiteral("slot %1: the %2 did not reach the window (history %3/%4)")
                                 .arg(slot + 1)
                                 .arg(back ? "undo" : "redo")
                                 .arg(undoBefore)
                                 .arg(redoBefore));
        if (undoAfter + redoAfter != undoBefore + redoBefore ||
            (back ? undoAfter + 1 != undoBefore : redoAfter + 1 != redoBefore)) {
            // The history was dropped (the document no longer met it): nothing to compare.
            past_[size_t(slot)].clear();
            future_[size_t(slot)].clear();
            return false;
        }
        UndoState state;
        if (!from.empty()) {
            state = from.back();
            from.pop_back();
        }
        to.push_back({docBefore, slots_[size_t(slot)].decodeAtParse});
        if (state.doc) {
            const bool bothEmpty =
                (docAfter.empty() || docAfter == u"{}") && (state.doc->empty() || *state.doc == u"{}");
            if (docAfter != *state.doc && !bothEmpty)
                fail("inv_undo", QStringLiteral("slot %1: after %2 the document is %3, it was %4")
                                     .arg(slot + 1)
                                     .arg(back ? "undo" : "redo")
                                     .arg(show(docAfter), show(*state.doc)));
        }
        slots_[size_t(slot)].decodeAtParse = state.decode;
        return true;
    }
    void doUndo(const std::string& k) {
        if (!cur()) return;
        const int slot = w_->currentSlot();
        if (k == "undo" || k == "redo") {
            undoOnce(k == "undo");
            return;
        }
        // Back k steps and (mostly) forward again: the document k steps ago, then the one now.
        const size_t known = past_[size_t(slot)].size();
        const int steps = 1 + pick(int(std::min<size_t>(known, 6)) + 1);
        const CWString now = compactOf(cur()->document);
        std::optional<CWString> expected = size_t(steps) <= known
                                               ? past_[size_t(slot)][known - size_t(steps)].doc
                                               : std::optional<CWString>();
        int done = 0;
        while (done < steps && failure_.empty() && undoOnce(true))
            ++done;
        if (done == steps && expected && failure_.empty() && compactOf(cur()->document) != *expected)
            fail("inv_undo", QStringLiteral("slot %1: %2 undos give %3, %2 steps ago it was %4")
                                 .arg(slot + 1)
                                 .arg(steps)
                                 .arg(show(compactOf(cur()->document)), show(*expected)));
        if (chance(70)) {
            int redone = 0;
            while (redone < done && failure_.empty() && undoOnce(false))
                ++redone;
            if (redone == done && failure_.empty() && compactOf(cur()->document) != now)
                fail("inv_undo", QStringLiteral("slot %1: %2 redos after as many undos give %3, it was %4")
                                     .arg(slot + 1)
                                     .arg(done)
                                     .arg(show(compactOf(cur()->document)), show(now)));
        }
    }

    // Parse a generated text into the current slot from the clipboard, a tab or a dropped file.
    void doParse(const std::string& how) {
        JsonGen gen(rng_, !on("gen_colon"));
        const CWString text = gen.text();
        rg_ShuCaoWei* s = cur();
        const int slot = w_->currentSlot();
        if (how == "parse_clip") {
            platform_->clipboard = text;
            app_test::click(w_->clipboardParseButton);
        } else if (how == "parse_tab") {
            platform_->clipboard = text;
            if (slot < 0) return;
            QTest::mouseDClick(w_->slotBar->tab(slot)->canvas(), Qt::LeftButton, Qt::NoModifier,
                               QPoint(8, 8));
        } else {
            const QString path = dir_->filePath(QStringLiteral("drop%1.json").arg(++fileCounter_));
            QByteArray bytes;
            int enc = pick(3);
            if (enc == 0 && !on("drop_nobom")) enc = 1;
            if (enc == 0)
                bytes = toQString(text).toUtf8();
            else if (enc == 1)
                bytes = QByteArray("\xEF\xBB\xBF") + toQString(text).toUtf8();
            else
                bytes = app_test::utf16File(text);
            app_test::writeAll(path, bytes);
            w_->openDroppedFile(fromQString(path));
        }
        if (!s) return;
        trace(QStringLiteral("%1 into slot %2: \"%3\"")
                  .arg(QString::fromStdString(how))
                  .arg(slot + 1)
                  .arg(show(text, 400)));
        explicitParseSlot_ = slot;
        paneTouched_[size_t(slot)] = true;
        const bool decode = w_->treeMenu().isChecked(M::kDecodeOnParse);
        slots_[size_t(slot)].decodeAtParse = decode;
        slots_[size_t(slot)].alien.reset();
        // The document is the parsed text.
        rg_Tolvar_JSON::rg_TolvarJSONLei expected;
        expected.parseText(
            decode ? rg_Tolvar_MingLingJi::unescapeText(text, rg_Tolvar_MingLingJi::kUnescapeUcs2) : text);
        const CWString want = compactOf(expected), got = compactOf(s->document);
        if (want != got)
            fail("inv_change", QStringLiteral("%1 of \"%2\" gave %3, expected %4")
                                   .arg(QString::fromStdString(how), show(text), show(got), show(want)));
    }

    void doStream() {
        rg_ShuCaoWei* s = cur();
        JsonGen gen(rng_, !on("gen_colon"));
        std::u16string items;
        const int n = 1 + pick(6);
        for (int i = 0; i < n; ++i)
            items += (i ? u"," : u"") + gen.value(1);
        const std::u16string text = u"{\"data\":{\"items\":[" + items + u"]},\"tail\":" + gen.value(1) + u"}";
        const QString path = dir_->filePath(QStringLiteral("stream%1.json").arg(++fileCounter_));
        app_test::writeAll(path, toQString(text).toUtf8());
        CWString jsonPath;
        switch (pick(4)) {
        case 0:
            jsonPath = u"data.items.[" + JsonGen::num(pick(n + 2)) + u"]";
            break;
        case 1:
            jsonPath = u"tail";
            break;
        case 2:
            jsonPath = u"nope.x";
            break; // names nothing
        default:
            jsonPath = u"data.items";
            break;
        }
        if (!w_->streamToggle->checked()) app_test::click(w_->streamToggle);
        w_->filePathBox->setContent(fromQString(path));
        w_->streamPathBox->setContent(jsonPath);
        w_->encodingList->setCurrentIndex(1);
        const bool popup = chance(20);
        w_->popupOnlyCheck->setChecked(popup);
        const CWString before = s ? compactOf(s->document) : CWString();
        const CWString sourceBefore = s ? s->sourceText : CWString();
        const int slot = w_->currentSlot();
        QTimer closer;
        closer.setInterval(2);
        QObject::connect(&closer, &QTimer::timeout, [] {
            auto& box = rg_TolvarMingLingJi_ChuangKouZuJian::rg_TolvarShuRuKuangLei::instance();
            if (box.isRunning()) app_test::click(box.cancelButton());
        });
        closer.start();
        app_test::click(w_->streamParseButton);
        closer.stop();
        if (!s || popup) return;
        explicitParseSlot_ = slot;
        paneTouched_[size_t(slot)] = true;
        slots_[size_t(slot)].decodeAtParse = w_->treeMenu().isChecked(M::kDecodeOnParse);
        // A failed extraction keeps the slot as it was.
        if (s->sourceText.empty() && !sourceBefore.empty() && compactOf(s->document) != before)
            fail("inv_change", QStringLiteral("a stream extraction of %1 that found nothing emptied the slot")
                                   .arg(toQString(jsonPath)));
        else
            slots_[size_t(slot)].alien.reset();
    }

    // A painted row of the current tree, or nullptr.
    const rg_ShuKuang::PaintedRow* randomRow() {
        if (!cur()) return nullptr;
        cur()->tree->redraw(-1);
        const auto& rows = cur()->tree->paintedRows();
        if (rows.empty()) return nullptr;
        return &rows[size_t(pick(int(rows.size())))];
    }

    void doClick() {
        const auto* row = randomRow();
        if (!row) return;
        auto* canvas = cur()->tree->canvas();
        if (row->glyphX != rg_TolvarMingLingJi_ChuangKouZuJian::kTreeNoCell && chance(30))
            QTest::mouseClick(canvas, Qt::LeftButton, Qt::NoModifier, QPoint(row->glyphX + 4, row->top + 4));
        else if (chance(10))
            QTest::mouseDClick(canvas, Qt::LeftButton, Qt::NoModifier, QPoint(row->textX + 3, row->top + 4));
        else
            QTest::mouseClick(canvas, Qt::LeftButton, Qt::NoModifier, QPoint(row->textX + 3, row->top + 4));
    }

    void doKeys() {
        if (!cur()) return;
        static const Qt::Key keys[] = {Qt::Key_Down, Qt::Key_Up,   Qt::Key_Left,     Qt::Key_Right,
                                       Qt::Key_Home, Qt::Key_End,  Qt::Key_PageDown, Qt::Key_PageUp,
                                       Qt::Key_Down, Qt::Key_Right};
        const int n = 1 + pick(5);
        for (int i = 0; i < n; ++i)
            QTest::keyClick(cur()->tree->canvas(), keys[pick(int(std::size(keys)))]);
    }

    void doPathBox() {
        Store* st = store();
        if (!st) return;
        CWString path;
        const int kind = pick(10);
        if (kind < 7 && st->itemCount() > 0) {
            path = st->pathOfItem(pick(st->itemCount()), pick(3));
        } else if (kind < 9) {
            static const char16_t* const paths[] = {u"a",       u"a.b",    u"[0]",    u"a[1]",
                                                    u"//a.[0]", u"->0",    u"k->1",   u"nothing.here",
                                                    u"",        u"a#46#b", u"[99999]"};
            path = paths[pick(int(std::size(paths)))];
        } else {
            path = u"x[";
        }
        w_->pathBox->setContent(path);
        if (chance(50))
            QTest::keyClick(w_->pathBox, Qt::Key_Return);
        else if (chance(50))
            w_->jumpIcon->leftDown.raise(0, 0, 0);
        else
            w_->jumpToPath(chance(50));
    }

    void doScroll() {
        if (!cur()) return;
        auto* canvas = cur()->tree->canvas();
        if (chance(70)) {
            const int notches = (1 + pick(8)) * (chance(60) ? -1 : 1);
            gui_test::wheel(canvas, QPoint(40, 40), notches * 120);
        } else {
            QTest::keyClick(canvas, chance(50) ? Qt::Key_PageDown : Qt::Key_End);
        }
    }

    void doExpand() {
        Store* st = store();
        if (!st || st->itemCount() == 0) return;
        if (chance(30)) {
            // Everything open, as a user who unfolds every level.
            for (int32_t i = 0; i < st->itemCount() && i < 3000; ++i)
                if (st->hasChildren(i) && (st->getExpandState(i) & 2) == 0) {
                    ItemCursor c;
                    st->setExpanded(c, i, true, false);
                }
            cur()->tree->redraw(-1);
            return;
        }
        const int32_t item = pick(st->itemCount());
        if (st->hasChildren(item)) {
            ItemCursor c;
            st->setExpanded(c, item, true, true);
            cur()->tree->redraw(-1);
        }
    }

    CWString randomKeyAnswer() {
        static const char16_t* const keys[] = {u"新键", u"a", u"a:b", u"x.y", u"\"q\"",
                                               u"k->1", u"",  u"😀",   u"b c"};
        CWString k = keys[pick(int(std::size(keys)))];
        if (!on("gen_colon")) std::replace(k.begin(), k.end(), u':', u'_');
        return k;
    }

    void doMenu() {
        rg_ShuCaoWei* s = cur();
        if (!s) return;
        static const int32_t ids[] = {
            M::kCopyPath,       M::kCopyJson,     M::kCreate,        M::kCreate,         M::kDelete,
            M::kDelete,         M::kRenameKey,    M::kRenameKey,     M::kHeading,        M::kSetValue,
            M::kSetValue,       M::kUcs2Encode,   M::kUcs2Decode,    M::kHtmlEncodeHex,  M::kHtmlEncodeDec,
            M::kHtmlDecode,     M::kDecodeOnShow, M::kDecodeOnParse, M::kPathModeArrays, M::kPathModeKorrin,
            M::kPathModeDefault};
        const int32_t id = ids[pick(int(std::size(ids)))];
        Store& st = s->tree->store();
        // Answers for the dialogs it may ask.
        for (int i = 0; i < 2; ++i) {
            if (chance(80))
                platform_->inputAnswers.push_back(randomKeyAnswer());
            else
                platform_->inputAnswers.push_back(std::nullopt);
        }
        // Through a real right-click on a painted item (which selects it) or straight from the
        // window's command entry (as the menu does for the current selection).
        const auto* row = chance(70) ? randomRow() : nullptr;
        if (row) {
            const int32_t item = row->item;
            const QPoint at(row->textX + 3, row->top + 4);
            // The click selects the item first; the menu's answer runs against that selection.
            rg_Korrin_MFCJieMian_KuoZhanZuJian::setPopupHook([](QMenu&, QPoint) { return 0; });
            QTest::mouseClick(s->tree->canvas(), Qt::RightButton, Qt::NoModifier, at);
            Q_UNUSED(item);
        }
        rg_Korrin_MFCJieMian_KuoZhanZuJian::setPopupHook({});
        // The state the command starts from.
        const int32_t sel = st.getSelection();
        selBefore_ = {w_->currentSlot(), st.bufferVersion(), sel};
        const bool aligned = sel >= 0 && w_->pathBox->content() == st.pathOfItem(sel, w_->pathMode());
        const bool treeOk = treeAgrees(w_->currentSlot(), nullptr);
        std::vector<FlatEntry> before;
        std::vector<int32_t> sizes;
        flatten(s->document.root(), before, sizes);
        const bool paneEdited = normPane(s->pane->text()) != normPane(expectedPane());
        const int slot = w_->currentSlot();
        trace(QStringLiteral("command %1 on item %2 \"%3\", path box \"%4\"%5")
                  .arg(id)
                  .arg(sel)
                  .arg(sel >= 0 ? show(st.getText(sel)) : QString(), show(w_->pathBox->content()))
                  .arg(row ? QStringLiteral(" (menu)") : QString()));
        if (row) {
            rg_Korrin_MFCJieMian_KuoZhanZuJian::setPopupHook([id](QMenu&, QPoint) { return id; });
            // Re-open the menu on the selected item; the hook picks the command.
            w_->onTreeRightClick(slot);
            rg_Korrin_MFCJieMian_KuoZhanZuJian::setPopupHook({});
        } else {
            w_->onTreeMenuCommand(id);
        }
        if (((id >= M::kSetValue && id <= M::kHtmlDecode) || id >= M::kPathModeArrays) && w_->current() == s)
            paneTouched_[size_t(slot)] = true;
        if (id == M::kDecodeOnParse && w_->current() == s)
            slots_[size_t(slot)].decodeAtParse = w_->treeMenu().isChecked(M::kDecodeOnParse);
        if (id == M::kDecodeOnParse || w_->current() != s)
            return; // a reparse: nothing to compare node by node
        std::vector<FlatEntry> after;
        std::vector<int32_t> sizesAfter;
        flatten(s->document.root(), after, sizesAfter);
        checkCommandChange(id, sel, aligned && treeOk, paneEdited, before, sizes, after);
    }

    static QString firstDifference(const std::vector<FlatEntry>& a, const std::vector<FlatEntry>& b) {
        size_t i = 0;
        while (i < a.size() && i < b.size() && a[i] == b[i])
            ++i;
        auto one = [](const std::vector<FlatEntry>& v, size_t at) {
            return at < v.size() ? QStringLiteral("{depth %1 type %2 key \"%3\" value \"%4\"}")
                                       .arg(v[at].depth)
                                       .arg(v[at].type)
                                       .arg(show(v[at].key), show(v[at].value))
                                 : QStringLiteral("{none}");
        };
        return QStringLiteral(" (node %1 was %2, now %3)").arg(i).arg(one(a, i), one(b, i));
    }

    // What a command may change: nothing, the selected node's key, its subtree, or the node itself.
    void checkCommandChange(int32_t id, int32_t sel, bool aligned, bool paneEdited,
                            const std::vector<FlatEntry>& before, const std::vector<int32_t>& sizes,
                            const std::vector<FlatEntry>& after) {
        const QString name = QStringLiteral("command %1 on item %2").arg(id).arg(sel);
        const bool editing =
            id == M::kCreate || id == M::kDelete || id == M::kRenameKey || id == M::kSetValue;
        if (!editing || sel < 0) {
            if (before != after)
                fail("inv_change",
                     name + QStringLiteral(" changed the document") + firstDifference(before, after));
            return;
        }
        if (!aligned) return; // the path box names something else on purpose; the tree checks still apply
        const size_t b = sel == 0 ? 0 : size_t(sel - 1);
        const size_t e = sel == 0 ? before.size() : b + size_t(sizes[b]);
        const size_t tail = before.size() - e;
        // The part before the node and the part after its subtree are unchanged.
        bool ok = after.size() >= b + tail;
        for (size_t i = 0; ok && i < b; ++i)
            ok = before[i] == after[i];
        for (size_t i = 0; ok && i < tail; ++i)
            ok = before[e + i] == after[after.size() - tail + i];
        if (!ok) {
            fail("inv_change", name +
                                   QStringLiteral(" changed nodes outside the selected one (%1 → %2 entries)")
                                       .arg(before.size())
                                       .arg(after.size()) +
                                   firstDifference(before, after));
            return;
        }
        if (id == M::kDelete && after.size() != before.size() - (e - b) && after != before)
            fail("inv_change", name + QStringLiteral(" left part of the deleted node"));
        if (id == M::kRenameKey && after.size() != before.size())
            fail("inv_change", name + QStringLiteral(" changed more than the key"));
        if (id == M::kSetValue && !paneEdited && !w_->treeMenu().isChecked(M::kDecodeOnShow) &&
            after != before)
            fail("inv_change", name + QStringLiteral(" with the pane as shown changed the value") +
                                   firstDifference(before, after));
        if (id == M::kSetValue && !paneEdited && w_->treeMenu().isChecked(M::kDecodeOnShow) &&
            after != before)
            fail("inv_change", name + QStringLiteral(" with the decoded pane as shown changed the value") +
                                   firstDifference(before, after));
    }

    void doPaneEdit() {
        rg_ShuCaoWei* s = cur();
        if (!s) return;
        JsonGen gen(rng_, !on("gen_colon"));
        switch (pick(3)) {
        case 0:
            s->pane->setText(gen.value(0));
            break;
        case 1:
            s->pane->setText(s->pane->text() + u"x");
            break;
        default:
            s->pane->setText(gen.scalar());
            break;
        }
        paneTouched_[size_t(w_->currentSlot())] = true;
    }

    void doInplaceEdit() {
        rg_ShuCaoWei* s = cur();
        if (!s) return;
        const auto* row = randomRow();
        if (!row) return;
        QTest::mouseClick(s->tree->canvas(), Qt::LeftButton, Qt::NoModifier,
                          QPoint(row->textX + 3, row->top + 4));
        QTest::keyClick(s->tree->canvas(), Qt::Key_F2);
        if (!s->tree->isEditing()) return;
        auto* box = s->tree->editBox();
        if (chance(50))
            box->setContent(randomKeyAnswer());
        else
            QTest::keyClicks(box, QStringLiteral("z"));
        QTest::keyClick(box, chance(70) ? Qt::Key_Return : Qt::Key_Escape);
    }

    void doFind() {
        Store* st = store();
        static const char16_t* const texts[] = {u"a",  u"level", u"*b*", u"^\\[\\d+\\]", u"名",  u"😀",
                                                u"中", u"",      u"1",   u"Tolvar·JSON", u"x.y", u"[",
                                                u"(",  u"?"};
        CWString text = texts[pick(int(std::size(texts)))];
        if (st && st->itemCount() > 0 && chance(40)) {
            const CWString t = st->getText(pick(st->itemCount()));
            text = t.substr(0, 1 + size_t(pick(int(std::max<size_t>(1, t.size())))));
        }
        w_->findTextBox->setContent(text);
        w_->matchModeList->setCurrentIndex(pick(3));
        if (chance(15)) w_->onFindMenuCommand(chance(50) ? F::kIgnoreCase : F::kRetryEncoded);
        if (chance(10)) w_->onFindMenuCommand(F::kUcs2Encode + pick(8));
        const int how = pick(4);
        if (how == 0)
            app_test::click(w_->findButton);
        else if (how == 1)
            app_test::click(w_->findButton, Qt::RightButton);
        else if (how == 2)
            QTest::keyClick(w_->findTextBox, Qt::Key_Return);
        else
            w_->findInTree(chance(50));
    }

    void doSlot() {
        const int to = chance(70) ? pick(4) : pick(Window::kSlotCount);
        app_test::click(w_->slotBar->tab(to));
    }

    void doRemark() {
        if (!cur()) return;
        static const char16_t* const remarks[] = {u"订单", u"", u"x", u"a b", u"😀 名", u"Tolvar·JSON", u"  "};
        std::optional<CWString> answer;
        if (chance(80)) answer = CWString(remarks[pick(int(std::size(remarks)))]);
        QTimer answerer;
        answerer.setInterval(2);
        QObject::connect(&answerer, &QTimer::timeout, [&answerer, answer] {
            auto& box = rg_TolvarMingLingJi_ChuangKouZuJian::rg_TolvarShuRuKuangLei::instance();
            if (!box.isRunning()) return;
            answerer.stop();
            if (answer) {
                box.inputBox()->setText(*answer);
                app_test::click(box.okButton());
            } else {
                app_test::click(box.cancelButton());
            }
        });
        answerer.start();
        const int tab = w_->currentSlot();
        QTest::mousePress(w_->slotBar->tab(tab)->canvas(), Qt::RightButton, Qt::NoModifier, QPoint(8, 8));
        QTest::mouseRelease(w_->slotBar->tab(tab)->canvas(), Qt::RightButton, Qt::NoModifier, QPoint(8, 8));
        answerer.stop();
    }

    void doOption() {
        const int which = pick(16);
        trace(QStringLiteral("option %1").arg(which));
        switch (which) {
        case 0:
            if (on("option_format"))
                w_->outputFormatList->setCurrentIndex(1 - std::max(0, w_->outputFormatList->currentIndex()));
            break;
        case 1:
            app_test::click(w_->textIconCheck->button());
            break;
        case 2:
            app_test::click(w_->topMostCheck->button());
            break;
        case 3:
            app_test::click(w_->findToggle);
            break;
        case 4:
            app_test::click(w_->streamToggle);
            break;
        case 5:
            w_->encodingList->setCurrentIndex(pick(4));
            break;
        case 6:
            w_->popupOnlyCheck->setChecked(!w_->popupOnlyCheck->isChecked());
            break;
        case 7:
            w_->onTreeMenuCommand(M::kDecodeOnShow);
            break;
        case 8:
            w_->onTreeMenuCommand(M::kDecodeOnParse);
            if (cur())
                slots_[size_t(w_->currentSlot())].decodeAtParse = w_->treeMenu().isChecked(M::kDecodeOnParse);
            break;
        case 9:
            w_->onTreeMenuCommand(M::kPathModeArrays + pick(3));
            break;
        case 10:
            w_->jumpIcon->rightDown.raise(0, 0, 0);
            break;
        case 11: {
            const int32_t id = chance(50) ? F::kIgnoreCase : F::kRetryEncoded;
            rg_Korrin_MFCJieMian_KuoZhanZuJian::setPopupHook([id](QMenu&, QPoint) { return id; });
            QTest::mouseClick(w_->findOptionsButton, Qt::LeftButton);
            rg_Korrin_MFCJieMian_KuoZhanZuJian::setPopupHook({});
            break;
        }
        case 12:
            w_->matchModeList->setCurrentIndex(pick(3));
            break;
        case 13: {
            static const char16_t* const texts[] = {u"\\json.txt", u"", u"名 称", u"a=b", u"x\r\ny"};
            w_->filePathBox->setContent(texts[pick(int(std::size(texts)))]);
            break;
        }
        case 14:
            w_->streamPathBox->setContent(chance(50) ? u"data.items.[180]" : u"a.b");
            break;
        default:
            w_->findTextBox->setContent(chance(50) ? u"level" : u"找");
            break;
        }
    }

    Settings settingsNow() {
        Window& w = *w_;
        return Settings{w.findToggle->checked(),
                        w.streamToggle->checked(),
                        w.topMostCheck->checked(),
                        w.textIconCheck->checked(),
                        w.outputFormatList->currentIndex(),
                        w.encodingList->currentIndex(),
                        w.matchModeList->currentIndex(),
                        w.popupOnlyCheck->isChecked(),
                        w.filePathBox->content(),
                        w.streamPathBox->content(),
                        w.findTextBox->content(),
                        w.findMenu().isChecked(F::kIgnoreCase),
                        w.findMenu().isChecked(F::kRetryEncoded),
                        w.treeMenu().isChecked(M::kDecodeOnShow),
                        w.treeMenu().isChecked(M::kDecodeOnParse),
                        w.pathMode(),
                        w.remarkNames(),
                        w.currentSlot()};
    }

    static QString describe(const Settings& s) {
        QString r =
            QStringLiteral("find %1 stream %2 top %3 icons %4 format %5 enc %6 match %7 popup %8 file '%9'")
                .arg(s.findToggle)
                .arg(s.streamToggle)
                .arg(s.topMost)
                .arg(s.textIcon)
                .arg(s.outputFormat)
                .arg(s.encoding)
                .arg(s.matchMode)
                .arg(s.popupOnly)
                .arg(show(s.filePath));
        r += QStringLiteral(
                 " spath '%1' ftext '%2' ic %3 retry %4 dshow %5 dparse %6 mode %7 current %8 remarks")
                 .arg(show(s.streamPath), show(s.findText))
                 .arg(s.ignoreCase)
                 .arg(s.retry)
                 .arg(s.decodeOnShow)
                 .arg(s.decodeOnParse)
                 .arg(s.pathMode)
                 .arg(s.current);
        for (const CWString& x : s.remarks)
            r += QLatin1Char('|') + show(x);
        return r;
    }

    // Close, optionally plant files, start again; every slot must show what it showed.
    void doRestart() {
        // A text typed with a CR LF cannot come back from a one-line box; keep the settings comparable.
        const Settings before = settingsNow();
        const bool decode = before.decodeOnParse;
        std::array<std::optional<CWString>, Window::kSlotCount> docs{};
        for (int i = 0; i < Window::kSlotCount; ++i) {
            const rg_ShuCaoWei& s = w_->slot(i);
            // A folder in the file's place cannot be written: closing warns, the edits are lost.
            if (s.loaded && !slots_[size_t(i)].alien && slots_[size_t(i)].decodeAtParse == decode &&
                !QFileInfo(slotPath(i)).isDir())
                docs[size_t(i)] = compactOf(s.document);
        }
        trace(QStringLiteral("restart"));
        bool unwritableSlot = false;
        for (int i = 0; i < Window::kSlotCount; ++i)
            unwritableSlot = unwritableSlot || QFileInfo(slotPath(i)).isDir();
        // A settings file that cannot be written (a folder in its place) keeps the old settings.
        const bool unwritableSettings = QFileInfo(iniPath()).isDir();
        platform_->messageBoxes.clear();
        w_->close();
        w_.reset();
        // Closing warns of unsaved edits only when a slot file could not be written.
        for (const auto& box : platform_->messageBoxes)
            if (box.text.starts_with(u"以下树的数据未能写入文件") && !unwritableSlot)
                fail("inv_files", QStringLiteral("closing warned although every slot file can be written: %1")
                                      .arg(show(box.text)));
        bool settingsPlanted = false;
        if (on("plant") && !finalRestart_ && chance(35)) {
            const int what = pick(10);
            if (what < 6) {
                plantSlotFile(pick(4), docs);
            } else {
                plantSettings();
                settingsPlanted = true;
            }
        }
        recordFileSizes();
        startWindow();
        paneTouched_.fill(true);
        const Settings after = settingsNow();
        if (!settingsPlanted && !unwritableSettings && !(after == before))
            fail("inv_settings", QStringLiteral("settings after a restart differ:\n  was %1\n  now %2")
                                     .arg(describe(before), describe(after)));
        if (settingsPlanted)
            return; // another current slot or options: the documents are checked at the next restart
        // Every slot that had a document shows it again (visiting it loads it); one parsed with the
        // other 20014 setting (lost with an unwritable settings file) reads differently.
        for (int i = 0; i < Window::kSlotCount; ++i)
            if (slots_[size_t(i)].decodeAtParse != after.decodeOnParse) docs[size_t(i)].reset();
        const int current = w_->currentSlot();
        for (int i = 0; i < Window::kSlotCount && failure_.empty(); ++i) {
            if (!docs[size_t(i)]) continue;
            if (w_->currentSlot() != i) app_test::click(w_->slotBar->tab(i));
            if (w_->currentSlot() != i) continue;
            const CWString got = compactOf(w_->slot(i).document);
            // An emptied root ("" from a deleted top-level scalar) is read back as an empty object.
            const bool bothEmpty =
                (got.empty() || got == u"{}") && (docs[size_t(i)]->empty() || *docs[size_t(i)] == u"{}");
            if (got != *docs[size_t(i)] && !bothEmpty)
                fail("inv_restart", QStringLiteral("slot %1 after a restart shows %2, before %3")
                                        .arg(i + 1)
                                        .arg(show(got), show(*docs[size_t(i)])));
            else
                treeAgrees(i, "inv_tree");
        }
        if (current >= 0 && w_->currentSlot() != current) app_test::click(w_->slotBar->tab(current));
        // The slots were read again under the 20014 setting in force now.
        for (auto& slot : slots_)
            slot.decodeAtParse = after.decodeOnParse;
    }

    void plantSlotFile(int slot, std::array<std::optional<CWString>, Window::kSlotCount>& docs) {
        const QString path = slotPath(slot);
        JsonGen gen(rng_, !on("gen_colon"));
        const CWString text = gen.value(0);
        QFile::remove(path);
        QDir(path).removeRecursively();
        const int kind = pick(7);
        trace(QStringLiteral("planted slot file %1 of kind %2 (\"%3\")")
                  .arg(slot + 1)
                  .arg(kind)
                  .arg(show(text)));
        switch (kind) {
        case 0: { // a folder where the file should be: cannot be read (nor written)
            QDir().mkpath(path);
            app_test::writeAll(path + QStringLiteral("/inside.txt"), "keep me");
            slots_[size_t(slot)].alien = QByteArray("<dir>keep me");
            docs[size_t(slot)].reset();
            return;
        }
        case 1: // hand-edited, UTF-8 without a mark
            app_test::writeAll(path, toQString(text).toUtf8());
            break;
        case 2: // hand-edited, UTF-16LE with its mark
            app_test::writeAll(path, app_test::utf16File(text));
            break;
        case 3: { // corrupt bytes
            QByteArray junk;
            for (int i = 0, n = 1 + pick(64); i < n; ++i)
                junk.append(char(pick(256)));
            app_test::writeAll(path, junk);
            docs[size_t(slot)].reset();
            slots_[size_t(slot)].alien.reset();
            return;
        }
        case 4: { // huge-ish (a few MiB); the tree checks cover what it shows
            std::u16string big = u"[";
            for (int i = 0; i < 200000; ++i)
                big += (i ? u",\"" : u"\"") + JsonGen::num(i) + u"\"";
            big += u"]";
            app_test::writeAll(path, app_test::utf16File(big));
            docs[size_t(slot)].reset();
            slots_[size_t(slot)].alien.reset();
            return;
        }
        case 5: { // too large to read whole (sparse, so it costs no disk)
            QFile big(path);
            if (big.open(QIODevice::WriteOnly)) {
                big.write("[1,2,3");
                big.resize(qint64(0x7FFFFFFF) + 4096);
            }
            big.close();
            slots_[size_t(slot)].alien = fileState(path);
            docs[size_t(slot)].reset();
            return;
        }
        default: // emptied by hand
            app_test::writeAll(path, QByteArray());
            break;
        }
        // The slot shows the file's text once read.
        slots_[size_t(slot)].alien.reset();
        rg_Tolvar_JSON::rg_TolvarJSONLei d;
        const bool decode = slotsDecodeSetting();
        d.parseText(decode ? rg_Tolvar_MingLingJi::unescapeText(text, rg_Tolvar_MingLingJi::kUnescapeUcs2)
                           : text);
        const bool empty = QFileInfo(path).size() == 0;
        if (empty) {
            rg_Tolvar_JSON::rg_TolvarJSONLei e;
            e.parseText(u"");
            docs[size_t(slot)] = compactOf(e);
        } else {
            docs[size_t(slot)] = compactOf(d);
        }
        slots_[size_t(slot)].decodeAtParse = decode;
    }

    bool lastDecode_ = false;
    bool slotsDecodeSetting() const { return lastDecode_; }

    void plantSettings() {
        static const char* const inis[] = {
            "[主界面]\r\n当前组件序号=1",
            "[主界面]\r\n组合框输出格式=0\r\n当前组件序号=2",
            "[主界面]\r\n组合框匹配模式=7\r\n当前组件序号=25",
            "[主界面]\r\n当前组件序号=-3\r\n顶级节点备注组=|||||||||||||||||||||||||",
            "[主界面]\r\n菜单JSON路径模式:默认=假\r\n菜单JSON路径模式:KorrinJSON=真\r\n菜单JSON路径模式:"
            "独立数组分隔=真",
            "[主界面\r\n==\r\n[\r\n",
            "",
        };
        const int which = pick(int(std::size(inis)) + 2);
        QFile::remove(iniPath());
        QDir(iniPath()).removeRecursively();
        // The output format stored as 1 or -1 (a crash at start once).
        const char* const formats[] = {"[主界面]\r\n组合框输出格式=1", "[主界面]\r\n组合框输出格式=-1"};
        if (on("option_format") && chance(25)) {
            app_test::writeAll(iniPath(),
                               app_test::utf16File(fromQString(QString::fromUtf8(formats[pick(2)]))));
            trace(QStringLiteral("planted an output-format settings file"));
            return;
        }
        trace(QStringLiteral("planted settings file %1").arg(which));
        if (which < int(std::size(inis))) {
            app_test::writeAll(iniPath(), app_test::utf16File(fromQString(QString::fromUtf8(inis[which]))));
        } else if (which == int(std::size(inis))) {
            QByteArray junk;
            for (int i = 0, n = 1 + pick(200); i < n; ++i)
                junk.append(char(pick(256)));
            app_test::writeAll(iniPath(), junk);
        } else {
            QDir().mkpath(iniPath()); // a folder: neither read nor written
        }
    }

    // ---- invariants ------------------------------------------------------------------------
    void checkAfterStep(const Step& step) {
        Q_UNUSED(step);
        lastDecode_ = w_->treeMenu().isChecked(M::kDecodeOnParse);
        if (w_->currentSlot() >= 0 && cur()->loaded) {
            if (treeAgrees(w_->currentSlot(), "inv_tree")) {
                checkView();
                checkPath();
                checkPane();
            }
        }
        if (stepNo_ % 16 == 0)
            for (int i = 0; i < Window::kSlotCount && failure_.empty(); ++i)
                if (w_->slot(i).loaded && i != w_->currentSlot()) treeAgrees(i, "inv_tree");
        checkFiles();
    }

    // The slot's items against a fresh fill from its document; reports under `inv` when given.
    bool treeAgrees(int slot, const char* inv) {
        rg_ShuCaoWei& s = w_->slot(slot);
        if (!s.loaded) return true;
        Store& st = s.tree->store();
        Store ref;
        const CWString& remark = w_->remarkNames()[size_t(slot)];
        const Node& root = s.document.root();
        ref.appendTopItem(remark.empty() ? CWStringView(u"Tolvar·JSON") : CWStringView(remark),
                          root.nodeType() == rg_Tolvar_JSON::Object ? Store::kImageObject
                                                                    : Store::kImageArray);
        ref.fillFromNode(root, 0, false);
        auto report = [&](const QString& what) {
            if (inv)
                fail(inv, QStringLiteral("slot %1: %2 (document %3)")
                              .arg(slot + 1)
                              .arg(what, show(compactOf(s.document))));
            return false;
        };
        if (const Node* broken = brokenParentLink(root))
            return report(QStringLiteral("the node keyed \"%1\" (value \"%2\") has a wrong parent link")
                              .arg(show(broken->keyText()), show(broken->valueText())));
        if (st.itemCount() != ref.itemCount())
            return report(QStringLiteral("the tree has %1 items, the document %2")
                              .arg(st.itemCount())
                              .arg(ref.itemCount()));
        ItemCursor a, b;
        for (int32_t i = 0; i < st.itemCount(); ++i) {
            ItemCursor na = a, nb = b;
            if (!st.locateItem(i, na, i - 1) || !ref.locateItem(i, nb, i - 1))
                return report(QStringLiteral("item %1 cannot be located").arg(i));
            a = na;
            b = nb;
            const CWString ta = st.getText(i, a), tb = ref.getText(i, b);
            const int32_t la = st.getLevel(i, a), lb = ref.getLevel(i, b);
            const int32_t ia = st.getImage(i, a), ib = ref.getImage(i, b);
            if (ta != tb || la != lb || ia != ib)
                return report(
                    QStringLiteral(
                        "item %1 is \"%2\" level %3 image %4, the document gives \"%5\" level %6 image %7")
                        .arg(i)
                        .arg(show(ta))
                        .arg(la)
                        .arg(ia)
                        .arg(show(tb))
                        .arg(lb)
                        .arg(ib));
        }
        return true;
    }

    // What is painted is a run of visible items from the top item on.
    void checkView() {
        rg_ShuCaoWei* s = cur();
        if (!s || !s->tree->isVisible()) return;
        Store& st = s->tree->store();
        s->tree->redraw(-1);
        QCoreApplication::processEvents();
        s->tree->redraw(-1);
        const auto& rows = s->tree->paintedRows();
        if (st.itemCount() == 0) return;
        if (rows.empty()) {
            fail("inv_view", QStringLiteral("the tree has %1 items but paints none (top item %2)")
                                 .arg(st.itemCount())
                                 .arg(st.properties().topItem));
            return;
        }
        st.ensureRowList();
        if (st.rowOfItem(rows[0].item) < 0) {
            fail("inv_view", QStringLiteral("the first painted item %1 is not visible").arg(rows[0].item));
            return;
        }
        for (size_t r = 1; r < rows.size(); ++r) {
            ItemCursor c;
            const int32_t next = st.nextVisibleItem(rows[r - 1].item, c);
            if (rows[r].item != next) {
                fail("inv_view", QStringLiteral("painted row %1 shows item %2, the next visible item is %3")
                                     .arg(r)
                                     .arg(rows[r].item)
                                     .arg(next));
                return;
            }
        }
        // Rows left empty although items follow: the tree is scrolled past its end.
        const int32_t fit = s->tree->rowsThatFit();
        if (int32_t(rows.size()) < fit && st.rowCount() > int32_t(rows.size()) &&
            st.rowOfItem(rows[0].item) + int32_t(rows.size()) < st.rowCount())
            fail("inv_view", QStringLiteral("only %1 of %2 rows painted while later items exist")
                                 .arg(rows.size())
                                 .arg(fit));
    }

    // The selected item's generated path names its own node in every mode, and leads the path
    // bar back to it.
    void checkPath() {
        rg_ShuCaoWei* s = cur();
        Store& st = s->tree->store();
        const int32_t sel = st.getSelection();
        if (sel <= 0) return;
        std::vector<const Node*> nodes;
        preorder(s->document.root(), nodes);
        if (size_t(sel) > nodes.size()) return;
        const Node* node = nodes[size_t(sel - 1)];
        if (!nodeNameable(node, &s->document.root())) return;
        for (int mode = 0; mode < (on("path_korrin") ? 3 : 2); ++mode) {
            const CWString path = st.pathOfItem(sel, mode);
            Node* holder = nullptr;
            CWString timing;
            s->document.readAtPath(path, holder, true, true, timing);
            if (holder != node) {
                fail("inv_path",
                     QStringLiteral("item %1 \"%2\" has the path \"%3\" (mode %4), which names %5")
                         .arg(sel)
                         .arg(show(st.getText(sel)), show(path))
                         .arg(mode)
                         .arg(holder == nullptr
                                  ? QStringLiteral("nothing")
                                  : QStringLiteral("the node keyed \"%1\"").arg(show(holder->keyText()))));
                return;
            }
            const int32_t back = st.findItemByPath(CWStringView(path));
            if (back != sel) {
                fail("inv_path", QStringLiteral("item %1's path \"%2\" leads the path bar to item %3")
                                     .arg(sel)
                                     .arg(show(path))
                                     .arg(back));
                return;
            }
        }
    }

    // A step that moved the selection in an unchanged tree shows the new item's node; until the
    // pane is touched again it keeps showing what the path box names.
    void checkPane() {
        rg_ShuCaoWei* s = cur();
        const size_t slot = size_t(w_->currentSlot());
        Store& st = s->tree->store();
        if (st.getSelection() < 0 || s->tree->isEditing()) return;
        if (st.getSelection() > 0) {
            // A key no path can name (renamed to one, say) leaves the path box naming something else.
            std::vector<const Node*> nodes;
            preorder(s->document.root(), nodes);
            if (size_t(st.getSelection()) <= nodes.size() &&
                !nodeNameable(nodes[size_t(st.getSelection() - 1)], &s->document.root())) {
                paneTouched_[slot] = true;
                return;
            }
        }
        const bool moved = int(slot) == selBefore_.slot && st.bufferVersion() == selBefore_.version &&
                           st.getSelection() != selBefore_.item;
        if (moved) paneTouched_[slot] = false;
        if (paneTouched_[slot]) return;
        if (normPane(s->pane->text()) != normPane(expectedPane()))
            fail("inv_pane",
                 QStringLiteral("the pane shows \"%1\", the path box \"%2\" names \"%3\"")
                     .arg(show(s->pane->text()), show(w_->pathBox->content()), show(expectedPane())));
    }

    void checkOtherSlots(int before) {
        const int now = w_ ? w_->currentSlot() : -1;
        for (int i = 0; i < Window::kSlotCount && failure_.empty(); ++i) {
            if (i == before || i == now || !otherDocs_[size_t(i)] || !w_->slot(i).loaded) continue;
            const CWString got = compactOf(w_->slot(i).document);
            if (got != *otherDocs_[size_t(i)])
                fail("inv_others", QStringLiteral("slot %1 changed from %2 to %3 while slot %4 was current")
                                       .arg(i + 1)
                                       .arg(show(*otherDocs_[size_t(i)]), show(got))
                                       .arg(before + 1));
        }
    }

    static QByteArray fileState(const QString& path) {
        QFileInfo fi(path);
        if (fi.exists() && fi.size() > (qint64(1) << 30)) {
            // A huge file: its size, time and first bytes stand for its content.
            QFile f(path);
            const QByteArray head = f.open(QIODevice::ReadOnly) ? f.read(4096) : QByteArray();
            return QByteArray("<big>") + QByteArray::number(fi.size()) + ' ' +
                   QByteArray::number(fi.lastModified().toMSecsSinceEpoch()) + ' ' + head;
        }
        if (fi.isDir()) return QByteArray("<dir>") + app_test::readAll(path + QStringLiteral("/inside.txt"));
        return app_test::readAll(path);
    }

    void recordFileSizes() {
        for (int i = 0; i < Window::kSlotCount; ++i) {
            QFileInfo fi(slotPath(i));
            fileSizes_[size_t(i)] = fi.exists() && !fi.isDir() ? fi.size() : -1;
        }
    }

    void checkFiles() {
        for (int i = 0; i < Window::kSlotCount && failure_.empty(); ++i) {
            const QString path = slotPath(i);
            if (slots_[size_t(i)].alien && i != explicitParseSlot_) {
                const QByteArray now = fileState(path);
                if (now != *slots_[size_t(i)].alien)
                    fail("inv_files",
                         QStringLiteral("slot file %1, which was not read, was changed (now %2 bytes)")
                             .arg(i + 1)
                             .arg(now.size()));
            }
            QFileInfo fi(path);
            const int64_t size = fi.exists() && !fi.isDir() ? fi.size() : -1;
            // Emptied by a parse into it, or by deleting everything, is what the user asked for.
            const CWString doc = w_->slot(i).loaded ? compactOf(w_->slot(i).document) : CWString(u"?");
            const bool docEmpty = doc.empty() || doc == u"{}" || doc == u"[]";
            if (fileSizes_[size_t(i)] > 2 && size <= 2 && i != explicitParseSlot_ && !docEmpty)
                fail("inv_files",
                     QStringLiteral("slot file %1 went from %2 bytes to %3 without a parse into it")
                         .arg(i + 1)
                         .arg(fileSizes_[size_t(i)])
                         .arg(size));
            fileSizes_[size_t(i)] = size;
        }
    }
};

// ---------------------------------------------------------------------------------------------
// Drawing steps, child processes and shrinking

std::vector<Step> drawSteps(uint64_t seed, int count) {
    std::mt19937_64 rng(seed);
    const std::set<std::string> skip = skipped();
    int total = 0;
    for (const ActionKind& a : kActions)
        if (!skip.count(a.key)) total += a.weight;
    std::vector<Step> out;
    if (total == 0) return out;
    for (int i = 0; i < count; ++i) {
        int r = int(rng() % uint64_t(total));
        const ActionKind* chosen = &kActions[0];
        for (const ActionKind& a : kActions) {
            if (skip.count(a.key)) continue;
            if (r < a.weight) {
                chosen = &a;
                break;
            }
            r -= a.weight;
        }
        out.push_back({chosen->key, rng()});
    }
    return out;
}

// The child's side: runs the steps in QUELIX_JOURNEY_STEPFILE, logging each before it runs.
int childMain() {
    QFile in(QString::fromLocal8Bit(qgetenv("QUELIX_JOURNEY_STEPFILE")));
    if (!in.open(QIODevice::ReadOnly)) return 2;
    const std::vector<Step> steps = parseSteps(in.readAll().trimmed().toStdString());
    in.close();
    const QString logPath = QString::fromLocal8Bit(qgetenv("QUELIX_JOURNEY_LOG"));
    FILE* log = std::fopen(logPath.toLocal8Bit().constData(), "w");
    Journey journey;
    const std::string failure = journey.run(steps, [log](size_t i, const Step&) {
        if (log) {
            std::fprintf(log, "step %zu\n", i);
            std::fflush(log);
        }
    });
    if (log) {
        if (!failure.empty()) std::fprintf(log, "FAIL %s\n", failure.c_str());
        std::fclose(log);
    }
    return failure.empty() ? 0 : 3;
}

struct Outcome {
    bool failed = false;
    std::string kind;    // the invariant key, or "crash"
    std::string message; // the failure line or the process output
    long lastStep = -1;
};

Outcome runChild(const std::vector<Step>& steps, const QString& work) {
    const QString stepFile = work + QStringLiteral("/steps.txt"), logFile = work + QStringLiteral("/log.txt");
    app_test::writeAll(stepFile, QByteArray::fromStdString(formatSteps(steps)));
    QFile::remove(logFile);
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QUELIX_JOURNEY_CHILD"), QStringLiteral("1"));
    env.insert(QStringLiteral("QUELIX_JOURNEY_STEPFILE"), stepFile);
    env.insert(QStringLiteral("QUELIX_JOURNEY_LOG"), logFile);
    if (!env.contains(QStringLiteral("QT_QPA_PLATFORM")))
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QCoreApplication::applicationFilePath(), {});
    p.waitForFinished(-1);
    Outcome o;
    const QByteArray output = p.readAll();
    if (qEnvironmentVariableIsSet("QUELIX_JOURNEY_TRACE")) std::fprintf(stderr, "%s", output.constData());
    const QList<QByteArray> lines = app_test::readAll(logFile).split('\n');
    for (const QByteArray& line : lines) {
        if (line.startsWith("step ")) o.lastStep = line.mid(5).toLong();
        if (line.startsWith("FAIL ")) {
            o.failed = true;
            o.message = line.mid(5).toStdString();
            o.kind = o.message.substr(0, o.message.find(':'));
        }
    }
    if (p.exitStatus() != QProcess::NormalExit || (p.exitCode() != 0 && !o.failed)) {
        o.failed = true;
        o.kind = "crash";
        o.message = "the process ended abnormally (exit " + std::to_string(p.exitCode()) + "):\n" +
                    output.right(4000).toStdString();
    }
    return o;
}

// Delta debugging: the shortest step list found that fails the same way.
// A failure's message without its numbers and quoted texts: what "fails the same way" compares.
std::string signature(const std::string& message) {
    std::string out;
    bool quoted = false;
    for (char c : message.substr(0, std::min<size_t>(message.size(), 120))) {
        if (c == '"')
            quoted = !quoted;
        else if (!quoted && !(c >= '0' && c <= '9'))
            out += c;
    }
    return out;
}

std::vector<Step> shrink(std::vector<Step> steps, const std::string& kind, const std::string& message,
                         const QString& work, int budgetSeconds) {
    const auto start = std::chrono::steady_clock::now();
    auto outOfTime = [&] {
        return std::chrono::steady_clock::now() - start > std::chrono::seconds(budgetSeconds);
    };
    auto fails = [&](const std::vector<Step>& candidate) {
        const Outcome o = runChild(candidate, work);
        return o.failed && o.kind == kind && signature(o.message) == signature(message);
    };
    size_t n = 2;
    while (steps.size() >= 2 && !outOfTime()) {
        const size_t chunk = (steps.size() + n - 1) / n;
        bool reduced = false;
        for (size_t i = 0; i < n && !outOfTime(); ++i) {
            const size_t from = i * chunk, to = std::min(steps.size(), from + chunk);
            if (from >= to) break;
            std::vector<Step> complement(steps.begin(), steps.begin() + long(from));
            complement.insert(complement.end(), steps.begin() + long(to), steps.end());
            if (!complement.empty() && fails(complement)) {
                steps = std::move(complement);
                n = std::max<size_t>(n - 1, 2);
                reduced = true;
                break;
            }
        }
        if (!reduced) {
            if (n >= steps.size()) break;
            n = std::min(steps.size(), n * 2);
        }
    }
    return steps;
}

std::vector<uint64_t> seeds(bool soak) {
    const QByteArray one = qgetenv("QUELIX_JOURNEY_SEED");
    if (!one.isEmpty()) return {one.toULongLong(nullptr, 0)};
    std::vector<uint64_t> out{1, 2, 3, 5, 8, 13, 21, 34};
    if (soak)
        for (uint64_t s = 100; s < 140; ++s)
            out.push_back(s);
    return out;
}

} // namespace journey

class JourneyTest : public QObject {
    Q_OBJECT

private slots:
    void journey() {
        using namespace journey;
        QTemporaryDir work;
        QVERIFY(work.isValid());
        const bool soak = qgetenv("QUELIX_JOURNEY_SOAK") == "1";
        const QByteArray stepsEnv = qgetenv("QUELIX_JOURNEY_STEPS");
        const int perSeed = !stepsEnv.isEmpty() ? stepsEnv.toInt() : (soak ? 3000 : 400);
        const QByteArray replay = qgetenv("QUELIX_JOURNEY_REPLAY");
        std::vector<std::pair<QString, std::vector<Step>>> runs;
        if (!replay.isEmpty()) {
            runs.push_back({QStringLiteral("replay"), parseSteps(replay.toStdString())});
        } else {
            for (uint64_t seed : seeds(soak))
                runs.push_back({QStringLiteral("seed %1").arg(seed), drawSteps(seed, perSeed)});
        }
        QStringList failures;
        // Shrinking gets a budget over all failing seeds, so that a broken build still ends soon.
        const auto shrinkDeadline =
            std::chrono::steady_clock::now() + std::chrono::seconds(soak ? 1800 : 240);
        for (const auto& [name, steps] : runs) {
            const auto t0 = std::chrono::steady_clock::now();
            const Outcome o = runChild(steps, work.path());
            const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
            qInfo("%s: %zu steps, %.1f s%s", qPrintable(name), steps.size(), secs,
                  o.failed ? ", FAILED" : "");
            if (!o.failed) continue;
            std::string report =
                name.toStdString() + " failed at step " + std::to_string(o.lastStep) + " (" +
                (o.lastStep >= 0 && size_t(o.lastStep) < steps.size() ? steps[size_t(o.lastStep)].key
                                                                      : std::string("final restart")) +
                "): " + o.message + "\n  steps: " + formatSteps(steps) + "\n";
            const int left = int(std::chrono::duration_cast<std::chrono::seconds>(
                                     shrinkDeadline - std::chrono::steady_clock::now())
                                     .count());
            if (qgetenv("QUELIX_JOURNEY_NOSHRINK") != "1" && left > 5) {
                std::vector<Step> prefix(
                    steps.begin(),
                    steps.begin() + long(std::min(steps.size(), size_t(std::max(0L, o.lastStep + 1)))));
                const std::vector<Step> shortest =
                    shrink(prefix, o.kind, o.message, work.path(), std::min(left, soak ? 600 : 90));
                const Outcome again = runChild(shortest, work.path());
                report += "  shortest (" + std::to_string(shortest.size()) +
                          " steps): QUELIX_JOURNEY_REPLAY='" + formatSteps(shortest) +
                          "'\n  which gives: " + again.message + "\n";
            }
            std::fprintf(stderr, "%s", report.c_str());
            failures << QString::fromStdString(name.toStdString() + ": " + o.message.substr(0, 300));
        }
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join(QLatin1Char('\n'))));
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (qEnvironmentVariableIsSet("QUELIX_JOURNEY_CHILD")) return journey::childMain();
    // A soak runs far past Qt Test's five-minute limit for one test function.
    if (qgetenv("QUELIX_JOURNEY_SOAK") == "1" && !qEnvironmentVariableIsSet("QTEST_FUNCTION_TIMEOUT"))
        qputenv("QTEST_FUNCTION_TIMEOUT", "86400000");
    JourneyTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_journey.moc"
