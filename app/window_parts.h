// Small window parts of the main window: the drop-down list with a control name, the status bar
// with columns, the picture box of the jump icon and the brand banner across the top.
// All are Qt widgets owned by their Qt parent; UI thread only.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include <QComboBox>
#include <QImage>
#include <QWidget>

#include "runtime/event.h"
#include "runtime/types.h"
#include "runtime/ui/window.h"

namespace rg_Korrin_ChengXu {

// rg_XiaLaLieBiaoKuang: a non-editable drop-down list that carries the control name under which
// the settings file stores its selection. `selectionChanged` is raised after the user (or the
// program) picked another item.
class rg_XiaLaLieBiaoKuang : public QComboBox {
    Q_OBJECT
public:
    explicit rg_XiaLaLieBiaoKuang(QWidget* parent = nullptr);
    const CWString& controlName() const { return controlName_; }
    void setControlName(CWStringView name) { controlName_ = CWString(name); }
    // Replaces the items; no item event is raised.
    void setItems(const std::vector<CWString>& items);

    rg_Korrin_JiBen::Event<rg_XiaLaLieBiaoKuang, int32_t> selectionChanged{this};

private:
    CWString controlName_;
    bool filling_ = false;
};

// rg_ZhuangTaiTiao: a status bar with columns of fixed width (the last takes the rest) and an
// image at its left end. Column texts are set by number; painting reads only these texts.
class rg_ZhuangTaiTiao : public QWidget {
    Q_OBJECT
public:
    explicit rg_ZhuangTaiTiao(QWidget* parent = nullptr);

    // Widths of all columns but the last, left to right.
    void setColumns(std::vector<int> widths);
    int columnCount() const { return static_cast<int>(widths_.size()) + 1; }
    // Column c's left edge and width at the current size.
    QRect columnRect(int column) const;
    void setColumnText(int column, CWStringView text);
    CWString columnText(int column) const;
    void setImage(const QImage& image) {
        image_ = image;
        update();
    }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<int> widths_;
    std::vector<CWString> texts_;
    QImage image_;
};

// rg_TuPianKuang: a picture box that draws one image centred and reports clicks through the
// window base's events (leftDown, rightDown ...).
class rg_TuPianKuang : public rg_Korrin_ChuangKou::WindowBase {
    Q_OBJECT
public:
    explicit rg_TuPianKuang(QWidget* parent = nullptr);
    void setImage(const QImage& image) {
        image_ = image;
        update();
    }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage image_;
};

// rg_PinPaiHengFu: the brand banner, a quiet strip across the top of the main window that shows
// the program's display name and version. It has no links and takes no input.
class rg_PinPaiHengFu : public rg_Korrin_ChuangKou::WindowBase {
    Q_OBJECT
public:
    explicit rg_PinPaiHengFu(QWidget* parent = nullptr);
    void setDisplayName(CWStringView name) {
        name_ = CWString(name);
        update();
    }
    const CWString& displayName() const { return name_; }
    void setVersionText(CWStringView text) {
        version_ = CWString(text);
        update();
    }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    CWString name_;
    CWString version_;
};

} // namespace rg_Korrin_ChengXu
