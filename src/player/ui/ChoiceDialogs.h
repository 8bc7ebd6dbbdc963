#pragma once
// Two small modal dialogs of one layout: the video compressor for an AVI
// export (TvideoCodecChoose) and the video server whose picture the tray's
// "Show video" opens (TvideoWaehl). A title strip, the picture column on the
// left, a prompt, a combo box, OK and Cancel; texts in the user's language.

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>

#include <optional>
#include <string>
#include <vector>

#include "config/ui/BrandDialog.h"

namespace oculon::player::ui {

// The layout both share.
class ChoiceDialog : public QDialog {
    Q_OBJECT

protected:
    // What tells the two apart: names, places and texts.
    struct Parts {
        const char* panel;
        const char* ok;
        const char* cancel;
        const char* label;
        QRect labelAt;
        const char* box;
        QRect boxAt;
        config::ui::PromptTexts texts;
        // Opens in the middle of the screen.
        bool centred = false;
    };

    ChoiceDialog(QWidget* parent, const Parts& parts);
    // Caption, the strip's text (two blanks before it) and the prompt.
    void showEvent(QShowEvent* event) override;

    QLabel panel_;
    config::ui::BrandFrame frame_;
    QLabel label_;
    QComboBox box_;
    QPushButton ok_;
    QPushButton cancel_;

private:
    config::ui::PromptTexts texts_;
    bool centred_;
};

// The compressor choice; the caller fills ComboBox1 and reads its index.
class TvideoCodecChoose : public ChoiceDialog {
    Q_OBJECT

public:
    explicit TvideoCodecChoose(QWidget* parent = nullptr);
    QComboBox& ComboBox1() { return box_; }
    // The picked entry, or the one whose name the user typed (whatever its
    // case); -1 for a name that is none of the list.
    int selectedIndex() const;

    // OK with a name that is none of the list says that no such compressor
    // is installed and keeps the dialog open.
    void done(int result) override;
};

// The server choice; the caller fills serverBox with the shown texts (each
// item's data is the station's name) and reads the chosen index after OK.
class TvideoWaehl : public ChoiceDialog {
    Q_OBJECT

public:
    explicit TvideoWaehl(QWidget* parent = nullptr);
    QComboBox& serverBox() { return box_; }

    // Shows the choice of `items` with the first selected: the chosen index
    // after OK, nothing otherwise.
    static std::optional<int> choose(const std::vector<std::string>& items, QWidget* parent = nullptr);
};

}  // namespace oculon::player::ui
