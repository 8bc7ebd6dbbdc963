#pragma once
// The language choice of the first start: four radio buttons (German first
// and preselected), OK and Cancel. Storing the answer is the caller's job.

#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QWidget>

#include <array>
#include <optional>

#include "config/sprachen.h"
#include "config/ui/BrandDialog.h"

namespace oculon::config::ui {

class Tsprachwahl : public QDialog {
    Q_OBJECT

public:
    explicit Tsprachwahl(QWidget* parent = nullptr);

    // Shows the choice modally: the language on OK, nothing on Cancel or close.
    static std::optional<TSprachenTyp> ask(QWidget* parent = nullptr);

    // The chosen language as its index 0..3; set when OK is pressed.
    int lng() const { return lng_; }

    // OK takes the checked language.
    void done(int result) override;

private:
    // Parents are declared before their children, so that the children are
    // destroyed first and no widget is deleted twice.
    QLabel sprachPanel;
    BrandFrame frame_;
    QWidget Panel2;
    QLabel Label1;
    QFrame Panel1;
    std::array<QRadioButton, kLanguageCount> radioButtons;
    QPushButton BitBtn1;
    QPushButton BitBtn2;
    int lng_ = 0;
};

}  // namespace oculon::config::ui
