#pragma once
// The toolkit's own texts (the file dialogs' buttons and labels, the
// standard buttons of message boxes) in the program's language, from the
// toolkit's translations where they are installed; without them those texts
// stay English and the program goes on.

#include <QString>
#include <QTranslator>

#include <memory>

#include "config/sprachen.h"

namespace oculon::app::ui {

class ToolkitLanguage {
public:
    // `folder` holds the toolkit's catalogues (qtbase_de.qm, ...); by
    // default the folder the toolkit was installed with.
    explicit ToolkitLanguage(QString folder = defaultFolder());
    ~ToolkitLanguage();
    ToolkitLanguage(const ToolkitLanguage&) = delete;
    ToolkitLanguage& operator=(const ToolkitLanguage&) = delete;

    // Puts the toolkit's texts into `language`. False when they stay
    // English: English asked for, or no catalogue for it in the folder.
    bool follow(config::TSprachenTyp language);

    static QString defaultFolder();

private:
    QString folder_;
    std::unique_ptr<QTranslator> translator_;
};

}  // namespace oculon::app::ui
