// rg_BianJiKuang: the single-line edit box.
//
// A QLineEdit with left and right text margins (room for buttons laid over its ends), a cue
// banner shown while it is empty, a background colour, an optional thin one-pixel border in
// place of the normal frame, and a control name under which owners persist its text. It reports
// key presses (virtual-key code, modifier bits, raised before the box handles the key), the
// Enter key, focus changes and text edits through bindable events. UI thread.
#pragma once

#include <cstdint>

#include <QLineEdit>

#include "runtime/event.h"
#include "runtime/types.h"
#include "runtime/ui/font.h"

namespace rg_Korrin_ChuangKou {

class rg_BianJiKuang : public QLineEdit {
    Q_OBJECT
public:
    explicit rg_BianJiKuang(QWidget* parent = nullptr);

    CWString content() const;
    void setContent(CWStringView text);
    void setMargins(int left, int right);
    void setCueBanner(CWStringView text);
    void setBackColour(int32_t ref); // -1: the normal background
    void setThinBorder(bool thin);
    void setScreenFont(const ScreenFont& font);
    const CWString& controlName() const { return controlName_; }
    void setControlName(CWStringView name) { controlName_ = CWString(name); }

    rg_Korrin_JiBen::Event<rg_BianJiKuang, int32_t, int32_t> keyDown{this}; // key code, modifiers
    rg_Korrin_JiBen::Event<rg_BianJiKuang> enterPressed{this};
    rg_Korrin_JiBen::Event<rg_BianJiKuang> focusGained{this};
    rg_Korrin_JiBen::Event<rg_BianJiKuang> focusLost{this};
    rg_Korrin_JiBen::Event<rg_BianJiKuang> edited{this}; // the user changed the text

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void applyStyle();

    CWString controlName_;
    int32_t backColour_ = -1;
    bool thinBorder_ = false;
};

} // namespace rg_Korrin_ChuangKou
