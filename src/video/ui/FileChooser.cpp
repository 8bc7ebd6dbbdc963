#include "video/ui/FileChooser.h"

#include <QApplication>
#include <QDateTime>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLocale>
#include <QRegularExpression>
#include <QScreen>
#include <QStyle>

#include <cstring>
#include <utility>

#include "config/sprachen.h"
#include "platform/FolderWorker.h"
#include "platform/PrivateFiles.h"
#include "platform/ui/PlainMessageBox.h"
#include "platform/ui/PlainText.h"
#include "platform/ui/WindowRoom.h"

namespace oculon::video::ui {

namespace {

constexpr int kWidth = 680;
constexpr int kHeight = 440;
// Where an entry keeps its name as the file system has it, and its kind.
constexpr int kNameRole = Qt::UserRole;
constexpr int kFolderRole = Qt::UserRole + 1;

// The toolkit's own file dialog's words, in the toolkit's language.
QString toolkit(const char* text) { return QCoreApplication::translate("QFileDialog", text); }
QString column(const char* text) { return QCoreApplication::translate("QFileSystemModel", text); }
QString catalogue(const config::TText& text) { return QString::fromStdString(config::tr(text)); }

QString systemReason(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

// The patterns of a filter "Description (*.a *.b)".
QList<QRegularExpression> patternsOf(const QString& filter) {
    const qsizetype open = filter.lastIndexOf(QLatin1Char('('));
    const qsizetype close = filter.lastIndexOf(QLatin1Char(')'));
    QList<QRegularExpression> patterns;
    if (open < 0 || close < open) return patterns;
    for (const QString& p : filter.mid(open + 1, close - open - 1).split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        patterns << QRegularExpression(QRegularExpression::wildcardToRegularExpression(p),
                                       QRegularExpression::CaseInsensitiveOption);
    }
    return patterns;
}

bool matches(const QList<QRegularExpression>& patterns, const QString& name) {
    if (patterns.isEmpty()) return true;
    for (const QRegularExpression& p : patterns)
        if (p.match(name).hasMatch()) return true;
    return false;
}

// `name` with the first of `types` where its own type is none of them.
std::string withType(const std::string& name, const QStringList& types) {
    if (types.isEmpty()) return name;
    const std::string base = name.substr(name.find_last_of('/') + 1);
    const std::size_t dot = base.find_last_of('.');
    const QString own = dot == std::string::npos ? QString() : QString::fromStdString(base.substr(dot + 1)).toLower();
    return types.contains(own) ? name : name + "." + types.front().toStdString();
}

}  // namespace

QStringList dialogFilters(const std::string& pairs) {
    const QStringList parts = QString::fromStdString(pairs).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i].trimmed();
        if (description.endsWith(QLatin1Char(')')) && description.contains(QLatin1Char('(')))
            description = description.left(description.lastIndexOf(QLatin1Char('('))).trimmed();
        QString patterns = parts[i + 1];
        filters << description + " (" + patterns.replace(QLatin1Char(';'), QLatin1Char(' ')) + ")";
    }
    return filters;
}

FileChooser::FileChooser(QWidget* parent, FileQuestion question, Chosen chosen)
    : QDialog(parent),
      question_(std::move(question)),
      chosen_(std::move(chosen)),
      listings_("Folder listing"),
      looks_("Folder look"),
      home_(platform::homeFolder()) {
    if (home_.empty()) home_ = "/";
    build();
    lookIn(question_.folder.empty() ? home_ : question_.folder, true);
}

FileChooser::~FileChooser() = default;

FileChooser* FileChooser::holding(QWidget& window, FileQuestion question, Chosen chosen) {
    QWidget* held = window.window();
    auto* chooser = new FileChooser(held, std::move(question), std::move(chosen));
    // Over a window that holds up all others (the settings) it takes that
    // place: a call that comes meanwhile answers above it, as above the
    // settings; one modal to that window alone would hold the call up.
    chooser->setWindowModality(held->windowModality() == Qt::ApplicationModal ? Qt::ApplicationModal : Qt::WindowModal);
    chooser->resize(QSize(kWidth, kHeight).boundedTo(platform::ui::roomToOpenIn(*chooser)));
    platform::ui::centreInRoom(*chooser);
    chooser->showAndTakeKeys();
    return chooser;
}

FileChooser* FileChooser::beside(QWidget* window, FileQuestion question, Chosen chosen) {
    auto* chooser = new FileChooser(nullptr, std::move(question), std::move(chosen));
    // Nothing else frees a window without a parent at the program's end.
    connect(qApp, &QCoreApplication::aboutToQuit, chooser, &QDialog::reject);
    chooser->resize(QSize(kWidth, kHeight).boundedTo(platform::ui::roomToOpenIn(*chooser)));
    if (window != nullptr) platform::ui::placeBeside(*chooser, *window->window());
    else platform::ui::centreInRoom(*chooser);
    chooser->showAndTakeKeys();
    return chooser;
}

void FileChooser::proposeFolder(const std::string& folder) {
    if (!moved_) lookIn(folder, true);
}

void FileChooser::goTo(const std::string& folder) {
    moved_ = true;
    lookIn(folder, false);
}

void FileChooser::build() {
    setObjectName(QStringLiteral("FileChooser"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    using Kind = FileQuestion::Kind;
    const Kind kind = question_.kind;
    QString title = question_.title;
    if (title.isEmpty())
        title = toolkit(kind == Kind::save ? "Save As" : kind == Kind::open ? "Open" : "Find Directory");
    setWindowTitle(platform::ui::plainTitle(title));
    const auto name = [](QObject& o, const char* n) { o.setObjectName(QString::fromLatin1(n)); };

    name(lookIn_, "lookInEdit");
    lookInLabel_.setText(toolkit("Look in:"));
    lookInLabel_.setBuddy(&lookIn_);
    name(up_, "upButton");
    up_.setIcon(style()->standardIcon(QStyle::SP_FileDialogToParent));
    up_.setToolTip(platform::ui::plainToolTip(toolkit("Parent Directory")));
    name(homeButton_, "homeButton");
    homeButton_.setIcon(style()->standardIcon(QStyle::SP_DirHomeIcon));
    homeButton_.setToolTip(platform::ui::plainToolTip(QString::fromStdString(home_)));
    name(newFolder_, "newFolderButton");
    newFolder_.setIcon(style()->standardIcon(QStyle::SP_FileDialogNewFolder));
    newFolder_.setToolTip(platform::ui::plainToolTip(toolkit("Create New Folder")));
    newFolder_.setVisible(kind != Kind::open);

    name(list_, "fileList");
    list_.setColumnCount(3);
    list_.setHeaderLabels({column("Name"), column("Size"), column("Date Modified")});
    list_.setRootIsDecorated(false);
    list_.setUniformRowHeights(true);
    list_.setAllColumnsShowFocus(true);
    list_.setSelectionMode(QAbstractItemView::SingleSelection);
    name(status_, "statusLine");
    status_.setWordWrap(true);
    status_.setTextFormat(Qt::PlainText);
    status_.hide();

    name(name_, "fileNameEdit");
    nameLabel_.setText(toolkit(kind == Kind::folder ? "Directory:" : "File &name:"));
    nameLabel_.setBuddy(&name_);
    name_.setText(question_.name);
    name(types_, "fileTypeCombo");
    typesLabel_.setText(toolkit("Files of type:"));
    typesLabel_.setBuddy(&types_);
    types_.addItems(question_.filters);
    const bool typed = kind != Kind::folder && !question_.filters.isEmpty();
    types_.setVisible(typed);
    typesLabel_.setVisible(typed);
    name(accept_, "acceptButton");
    accept_.setText(toolkit(kind == Kind::save ? "&Save" : kind == Kind::open ? "&Open" : "&Choose"));
    accept_.setDefault(true);
    accept_.setEnabled(kind == Kind::folder || !question_.name.isEmpty());
    name(cancel_, "cancelButton");
    cancel_.setText(QCoreApplication::translate("QPlatformTheme", "Cancel"));

    auto* grid = new QGridLayout(this);
    auto* top = new QHBoxLayout;
    top->addWidget(&lookIn_, 1);
    for (QToolButton* b : {&up_, &homeButton_, &newFolder_}) top->addWidget(b);
    grid->addWidget(&lookInLabel_, 0, 0);
    grid->addLayout(top, 0, 1, 1, 2);
    grid->addWidget(&list_, 1, 0, 1, 3);
    grid->setRowStretch(1, 1);
    grid->addWidget(&status_, 2, 0, 1, 3);
    grid->addWidget(&nameLabel_, 3, 0);
    grid->addWidget(&name_, 3, 1);
    grid->addWidget(&accept_, 3, 2);
    grid->addWidget(&typesLabel_, 4, 0);
    grid->addWidget(&types_, 4, 1);
    grid->addWidget(&cancel_, 4, 2);
    setTabOrder(&name_, &types_);
    setTabOrder(&types_, &accept_);
    setTabOrder(&accept_, &cancel_);
    setTabOrder(&cancel_, &lookIn_);
    setTabOrder(&lookIn_, &list_);

    connect(&accept_, &QPushButton::clicked, this, &FileChooser::acceptClick);
    connect(&cancel_, &QPushButton::clicked, this, &QDialog::reject);
    connect(&up_, &QToolButton::clicked, this, [this] { goTo(folderAbove(folder_)); });
    connect(&homeButton_, &QToolButton::clicked, this, [this] { goTo(home_); });
    connect(&newFolder_, &QToolButton::clicked, this, &FileChooser::newFolderClick);
    connect(&list_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) { entryActivated(*item); });
    connect(&list_, &QTreeWidget::currentItemChanged, this, &FileChooser::entryPicked);
    connect(&types_, &QComboBox::currentIndexChanged, this, &FileChooser::showEntries);
    connect(&name_, &QLineEdit::textChanged, this, [this, kind](const QString& text) {
        accept_.setEnabled(kind == Kind::folder || !text.trimmed().isEmpty());
    });
    watch_.setInterval(200);
    connect(&watch_, &QTimer::timeout, this, &FileChooser::showStatus);
    connect(this, &QDialog::finished, this, &QObject::deleteLater);
}

void FileChooser::showAndTakeKeys() {
    // Opened by the user's click: the keyboard comes with it.
    show();
    raise();
    activateWindow();
    name_.setFocus(Qt::OtherFocusReason);
    name_.selectAll();
}

void FileChooser::lookIn(const std::string& asked, bool orAbove) {
    const std::string folder = typedPath(home_, asked, home_);
    folder_ = folder;
    lookIn_.setText(QString::fromStdString(folder));
    up_.setEnabled(folder != "/");
    list_.clear();
    contents_ = {};
    said_.clear();
    listings_.ask([this, folder, orAbove]() -> std::function<void()> {
        auto contents = std::make_shared<FolderContents>(listFolder(folder, orAbove));
        return [this, contents] { listed(std::move(*contents)); };
    });
    watch_.start();
    showStatus();
}

void FileChooser::listed(FolderContents contents) {
    contents_ = std::move(contents);
    folder_ = contents_.folder;
    // What the user is typing there meanwhile stays.
    if (!lookIn_.isModified()) lookIn_.setText(QString::fromStdString(folder_));
    up_.setEnabled(folder_ != "/");
    if (contents_.error != 0) said_ = platform::ui::shown(folder_) + ": " + systemReason(contents_.error);
    else if (contents_.cut) said_ = catalogue(config::txtFolderListCut).arg(kMaxFolderEntries);
    showEntries();
    showStatus();
}

void FileChooser::showEntries() {
    list_.clear();
    const bool foldersOnly = question_.kind == FileQuestion::Kind::folder;
    const QList<QRegularExpression> patterns = patternsOf(types_.currentText());
    const QIcon folderIcon = style()->standardIcon(QStyle::SP_DirIcon);
    const QIcon fileIcon = style()->standardIcon(QStyle::SP_FileIcon);
    const QLocale locale;
    QList<QTreeWidgetItem*> items;
    for (const FolderEntry& entry : contents_.entries) {
        const QString text = QString::fromStdString(entry.name);
        if (!entry.folder && (foldersOnly || !matches(patterns, text))) continue;
        auto* item = new QTreeWidgetItem;
        item->setText(0, platform::ui::shown(text));
        item->setData(0, kNameRole, QByteArray::fromStdString(entry.name));
        item->setData(0, kFolderRole, entry.folder);
        item->setIcon(0, entry.folder ? folderIcon : fileIcon);
        if (!entry.folder) item->setText(1, locale.formattedDataSize(static_cast<qint64>(entry.size)));
        item->setText(2, locale.toString(QDateTime::fromSecsSinceEpoch(entry.modified), QLocale::ShortFormat));
        items << item;
    }
    list_.addTopLevelItems(items);
    fitColumns();
}

void FileChooser::fitColumns() {
    // Dated names, sizes and dates are shown whole: the dialog grows for its
    // columns as far as the room on its screen allows.
    for (int c = 0; c < list_.columnCount(); ++c) list_.resizeColumnToContents(c);
    const int missing = list_.header()->length() - list_.viewport()->width();
    if (missing <= 0 || !isVisible()) return;
    resize(QSize(width() + missing, height()).boundedTo(platform::ui::roomToOpenIn(*this)));
}

void FileChooser::acceptClick() {
    if (lookIn_.hasFocus()) return goTo(typedPath(folder_, typedIn(lookIn_), home_));
    if (list_.hasFocus() && list_.currentItem() != nullptr) return entryActivated(*list_.currentItem());
    const std::string typed = typedIn(name_);
    if (!typed.empty()) return decide(typedPath(folder_, typed, home_));
    if (question_.kind == FileQuestion::Kind::folder) decide(folder_);
}

void FileChooser::entryActivated(const QTreeWidgetItem& item) {
    const std::string path = pathIn(folder_, item.data(0, kNameRole).toByteArray().toStdString());
    if (item.data(0, kFolderRole).toBool()) return goTo(path);
    name_.setText(QString::fromStdString(item.data(0, kNameRole).toByteArray().toStdString()));
    decide(path);
}

void FileChooser::entryPicked() {
    const QTreeWidgetItem* item = list_.currentItem();
    if (item == nullptr) return;
    // A file names what is saved or opened; a folder what is chosen.
    if (item->data(0, kFolderRole).toBool() == (question_.kind == FileQuestion::Kind::folder))
        name_.setText(QString::fromStdString(item->data(0, kNameRole).toByteArray().toStdString()));
}

void FileChooser::decide(const std::string& typed) {
    const std::string path = question_.kind == FileQuestion::Kind::save ? withType(typed, question_.types) : typed;
    looked_ = typed;
    said_.clear();
    looks_.ask([this, typed, path]() -> std::function<void()> {
        const PathState typedState = lookAtPath(typed);
        const PathState state = path == typed ? typedState : lookAtPath(path);
        return [this, path, state, typed, typedState] { decided(path, state, typed, typedState); };
    });
    watch_.start();
    showStatus();
}

void FileChooser::decided(const std::string& path, const PathState& state, const std::string& typed,
                          const PathState& typedState) {
    using Kind = FileQuestion::Kind;
    const Kind kind = question_.kind;
    if (typedState.kind == PathKind::folder) {
        if (kind == Kind::folder) return choose(typed);
        // A folder typed is gone into, as the toolkit's dialog does.
        name_.clear();
        return goTo(typed);
    }
    if (state.kind == PathKind::unreadable) {
        say(platform::ui::shown(path) + ": " + systemReason(state.error));
    } else if (kind == Kind::folder) {
        say(toolkit("%1\nDirectory not found.\nPlease verify the correct directory name was given.")
                .arg(platform::ui::shown(typed)));
    } else if (kind == Kind::open) {
        if (state.kind == PathKind::file) return choose(path);
        say(toolkit("%1\nFile not found.\nPlease verify the correct file name was given.")
                .arg(platform::ui::shown(typed)));
    } else if (state.kind == PathKind::folder) {
        name_.clear();
        goTo(path);
    } else if (state.kind == PathKind::file) {
        replaceOrNot(path);
    } else if (state.inFolder) {
        choose(path);
    } else {
        say(toolkit("%1\nDirectory not found.\nPlease verify the correct directory name was given.")
                .arg(platform::ui::shown(folderAbove(path))));
    }
}

void FileChooser::replaceOrNot(const std::string& path) {
    if (replace_) return;
    const QString file = platform::ui::shown(path.substr(path.find_last_of('/') + 1));
    replace_ = platform::ui::plainMessageBox(QMessageBox::Warning, windowTitle(),
                                             toolkit("%1 already exists.\nDo you want to replace it?").arg(file),
                                             QMessageBox::Yes | QMessageBox::No, this);
    replace_->setDefaultButton(QMessageBox::No);
    replace_->button(QMessageBox::Yes)->setText(QString::fromStdString(config::tr(config::txtYes)));
    replace_->button(QMessageBox::No)->setText(QString::fromStdString(config::tr(config::txtNo)));
    connect(replace_, &QDialog::finished, this, [this, path](int answer) {
        std::exchange(replace_, nullptr)->deleteLater();
        if (answer == QMessageBox::Yes) choose(path);
    });
    replace_->open();
}

void FileChooser::choose(const std::string& path) {
    Chosen chosen = std::exchange(chosen_, nullptr);
    done(QDialog::Accepted);
    if (chosen) chosen(path);
}

void FileChooser::newFolderClick() {
    if (newFolderName_) return;
    newFolderName_ = new QInputDialog(this);
    newFolderName_->setWindowTitle(platform::ui::plainTitle(toolkit("Create New Folder")));
    newFolderName_->setLabelText(catalogue(config::txtNewFolderName));
    newFolderName_->setTextValue(toolkit("New Folder"));
    newFolderName_->setAttribute(Qt::WA_DeleteOnClose);
    connect(newFolderName_, &QInputDialog::textValueSelected, this, [this](const QString& text) {
        const std::string typed = text.trimmed().toStdString();
        if (!typed.empty()) makeNewFolder(typedPath(folder_, typed, home_));
    });
    newFolderName_->open();
}

void FileChooser::makeNewFolder(const std::string& path) {
    looked_ = path;
    said_.clear();
    looks_.ask([this, path]() -> std::function<void()> {
        const int error = makeFolder(path);
        return [this, path, error] {
            if (error != 0) return say(platform::ui::shown(path) + ": " + systemReason(error));
            // Made to save into: the dialog goes there.
            goTo(path);
        };
    });
    watch_.start();
    showStatus();
}

void FileChooser::say(const QString& text) {
    said_ = text;
    showStatus();
}

void FileChooser::showStatus() {
    const auto overdue = [](const FolderQuestions& q) {
        return q.waiting() && FolderQuestions::Clock::now() - q.askedAt() > platform::FolderWorker::kNoAnswer;
    };
    const QString silent = QStringLiteral(": ") + catalogue(config::txtChosenFolderNotAnswering);
    QString text = said_;
    if (overdue(looks_)) text = platform::ui::shown(looked_) + silent;
    else if (overdue(listings_)) text = platform::ui::shown(folder_) + silent;
    else if (listings_.waiting()) text = catalogue(config::txtReadingFolder);
    if (!listings_.waiting() && !looks_.waiting()) watch_.stop();
    status_.setText(text);
    status_.setVisible(!text.isEmpty());
}

std::string FileChooser::typedIn(const QLineEdit& field) const { return field.text().trimmed().toStdString(); }

}  // namespace oculon::video::ui
