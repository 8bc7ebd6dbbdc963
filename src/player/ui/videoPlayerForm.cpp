#include "player/ui/videoPlayerForm.h"

#include <QFocusEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPainter>
#include <QPointer>
#include <QPolygonF>
#include <QRegularExpression>
#include <QScopedValueRollback>
#include <QStyle>
#include <QToolTip>
#include <QTreeWidgetItemIterator>

#include "config/SavePath.h"
#include "config/cfgUnit.h"
#include "config/ui/BrandDialog.h"
#include "config/sprachen.h"
#include "platform/ui/OwnDialogs.h"
#include "platform/ui/PlainMessageBox.h"
#include "platform/ShownText.h"
#include "platform/ui/PlainText.h"
#include "platform/ui/WindowRoom.h"
#include "config/ui/brandPictures.h"
#include "player/Preview.h"

namespace oculon::player::ui {

namespace {

constexpr int kPlaySymbolSize = 40;

// The window's first size and its panes: tree, previews, splitter handles;
// the viewer takes the rest.
constexpr int kWidth = 870;
constexpr int kHeight = 640;
constexpr int kTreeWidth = 129;
constexpr int kListWidth = 185;
constexpr int kSplitterHandle = 6;
constexpr int kViewerWidth = kWidth - kTreeWidth - kListWidth - 2 * kSplitterHandle;

// The play symbol over the previews of recordings: a white triangle in a
// dark, half-transparent disc, so that it shows on light and dark pictures.
QPixmap playSymbol() {
    QPixmap symbol(kPlaySymbolSize, kPlaySymbolSize);
    symbol.fill(Qt::transparent);
    QPainter painter(&symbol);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(255, 255, 255, 220), 2));
    painter.setBrush(QColor(0, 0, 0, 130));
    painter.drawEllipse(QRectF(1.5, 1.5, kPlaySymbolSize - 3, kPlaySymbolSize - 3));
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawPolygon(QPolygonF{{15.0, 11.0}, {15.0, 29.0}, {30.0, 20.0}});
    return symbol;
}

std::string configuredRoot() {
    return config::videoConfig != nullptr ? config::videoConfig->firstPictpath() : std::string();
}

QString catalogue(const config::TText& text) { return QString::fromStdString(config::tr(text)); }

// What the empty tree says: where recordings will be, or, with no folder
// set, where one is set.
QString noRecordingsNote(const std::string& folder) {
    const QString intro = catalogue(config::txtNoRecordingsYet) + QLatin1Char(' ');
    if (folder.empty()) return intro + catalogue(config::txtRecordingsFolderNotSet);
    return intro + catalogue(config::txtRecordingsKeptBelow) + QLatin1Char('\n') + platform::ui::shown(folder);
}

// The lines that name the folders the tree leaves out and why.
QString leftOutLines(const std::vector<LeftOutFolder>& folders) {
    QStringList lines;
    for (const LeftOutFolder& folder : folders) {
        const config::TText& why = folder.kind == platform::LevelKind::link     ? config::txtNotListedLink
                                   : folder.kind == platform::LevelKind::others ? config::txtNotListedOthers
                                                                                : config::txtNotListedClosed;
        lines << catalogue(why).arg(platform::ui::shown(folder.dir));
    }
    return lines.join(QLatin1Char('\n'));
}

// A note in the middle of an empty pane; the folder in it comes from the
// settings, so it is plain text.
void setUpNote(QLabel& note, QAbstractScrollArea& pane, const QString& text) {
    auto* layout = new QVBoxLayout(pane.viewport());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(&note);
    note.setTextFormat(Qt::PlainText);
    note.setWordWrap(true);
    note.setAlignment(Qt::AlignCenter);
    note.setMargin(8);
    note.setForegroundRole(QPalette::PlaceholderText);
    note.setText(text);
}

// The width a word-wrapped note needs so that no word of it is cut.
int widestWord(const QLabel& note) {
    int widest = 0;
    for (const QString& word : note.text().split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts))
        widest = std::max(widest, note.fontMetrics().horizontalAdvance(word));
    return widest + 2 * note.margin() + 2;
}

void setUpCaption(QLabel& label, const QString& text) {
    label.setText(text);
    label.setAlignment(Qt::AlignCenter);
    label.setFrameShape(QFrame::StyledPanel);
    label.setFrameShadow(QFrame::Raised);
    label.setMinimumHeight(label.sizeHint().height() + 6);
}

QPointer<TplayerForm>& openPlayer() {
    static QPointer<TplayerForm> player;
    return player;
}

}  // namespace

TplayerForm::TplayerForm(QWidget* parent) : TplayerForm(configuredRoot(), parent) {}

TplayerForm::TplayerForm(const std::string& root, QWidget* parent)
    : QDialog(parent),
      splitter_(Qt::Horizontal),
      FPlay(playSymbol()),
      formLayout_(this),
      panel1Layout_(&Panel1),
      panel2Layout_(&Panel2),
      worker_("Recordings"),
      alive_(std::make_shared<int>(0)) {
    setObjectName(QStringLiteral("playerForm"));
    setWindowIcon(config::ui::korvatWeissIcon());
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);

    for (QVBoxLayout* layout : {&formLayout_, &panel1Layout_, &panel2Layout_}) {
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
    }
    formLayout_.addWidget(&splitter_);
    panel1Layout_.addWidget(&Label1);
    panel1Layout_.addWidget(&DirTree);
    panel1Layout_.addWidget(&leftOutNote_);
    panel2Layout_.addWidget(&Label2);
    panel2Layout_.addWidget(&FileList);

    nameControls({{&Panel1, "Panel1"},
                  {&Label1, "Label1"},
                  {&DirTree, "DirTree"},
                  {&Panel2, "Panel2"},
                  {&Label2, "Label2"},
                  {&FileList, "FileList"}});

    DirTree.setHeaderHidden(true);
    DirTree.setColumnCount(1);
    DirTree.setIndentation(19);
    // long folder names scroll sideways instead of being cut short
    DirTree.header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    DirTree.header()->setStretchLastSection(false);
    DirTree.setEditTriggers(QAbstractItemView::NoEditTriggers);
    DirTree.installEventFilter(this);
    DirTree.viewport()->installEventFilter(this);

    FileList.setViewMode(QListView::IconMode);
    FileList.setIconSize(QSize(kPreviewSize, kPreviewSize));
    FileList.setMovement(QListView::Static);
    FileList.setResizeMode(QListView::Adjust);
    FileList.setSelectionMode(QAbstractItemView::SingleSelection);
    FileList.setEditTriggers(QAbstractItemView::NoEditTriggers);
    FileList.setWordWrap(true);
    FileList.setUniformItemSizes(true);
    // Room for a dated name's three lines (previewCaption).
    FileList.setGridSize(QSize(kPreviewSize + 16, kPreviewSize + 3 * FileList.fontMetrics().lineSpacing() + 10));
    FileList.viewport()->installEventFilter(this);

    for (QWidget* pane : {&Panel1, &Panel2, static_cast<QWidget*>(&VideoViewerFrame1_)}) {
        pane->setMinimumWidth(20);  // narrower panes are refused
        splitter_.addWidget(pane);
    }
    splitter_.setHandleWidth(kSplitterHandle);
    splitter_.setChildrenCollapsible(false);
    splitter_.setStretchFactor(2, 1);

    prefix_ = folderPrefix(root);
    treeNote_.setObjectName(QStringLiteral("treeNote"));
    listNote_.setObjectName(QStringLiteral("listNote"));
    leftOutNote_.setObjectName(QStringLiteral("leftOutNote"));
    // Folder names are the user's and the disk's: plain text.
    leftOutNote_.setTextFormat(Qt::PlainText);
    leftOutNote_.setWordWrap(true);
    leftOutNote_.setMargin(4);
    leftOutNote_.setFrameShape(QFrame::StyledPanel);
    leftOutNote_.hide();
    setUpNote(treeNote_, DirTree, noRecordingsNote(prefix_));
    setUpNote(listNote_, FileList, catalogue(config::txtPreviewsAppearHere));
    updateNotes();
    resize(kWidth, std::min(kHeight, platform::ui::roomToOpenIn(*this).height()));
    fitToTree();
    config::ui::centerOnScreen(*this);
    noAnswer_.setInterval(500);
    connect(&noAnswer_, &QTimer::timeout, this, [this] { tellNotAnswering(); });
    readTree();

    setWindowTitle(catalogue(config::txtRecordings));
    setUpCaption(Label1, catalogue(config::txtCameras));
    setUpCaption(Label2, catalogue(config::txtPreview));

    connect(&DirTree, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current) { DirTreeChange(current); });
    connect(&FileList, &QListWidget::itemSelectionChanged, this, [this] { FileListSelectItem(); });
    connect(&VideoViewerFrame1_, &TVideoViewerFrame::videoExportStarted, this, [this] { setBrowsingEnabled(false); });
    connect(&VideoViewerFrame1_, &TVideoViewerFrame::videoExportEnded, this, [this] { setBrowsingEnabled(true); });
}

TplayerForm::~TplayerForm() { VideoViewerFrame1_.closeVideo(); }

void TplayerForm::onWorker(Step step, std::function<void(const Report&, std::uint64_t run)> read) {
    const std::uint64_t run = ++runs_;
    waiting_[step] = {run, platform::FolderWorker::Clock::now()};
    noAnswer_.start();
    const std::weak_ptr<int> alive = alive_;
    const Report report = [alive](std::function<void()> shown) {
        platform::FolderWorker::report([alive, shown = std::move(shown)] {
            if (!alive.expired()) shown();
        });
    };
    // `read` runs on the worker: it owns what it reads and reaches this
    // window only through `report`.
    if (!worker_.post([read = std::move(read), report, run] { read(report, run); })) tellNotAnswering();
}

bool TplayerForm::done(Step step, std::uint64_t run) {
    const auto found = waiting_.find(step);
    if (found == waiting_.end() || found->second.first != run) return false;
    waiting_.erase(found);
    if (waiting_.empty()) noAnswer_.stop();
    // What its pane said while it waited goes.
    if (step == Step::tree) treeNote_.setText(noRecordingsNote(prefix_));
    else listNote_.setText(catalogue(config::txtPreviewsAppearHere));
    return true;
}

void TplayerForm::tellNotAnswering() {
    const auto now = platform::FolderWorker::Clock::now();
    const QString text = catalogue(config::txtFolderNotAnswering) + QLatin1Char('\n') + platform::ui::shown(prefix_);
    for (const auto& [step, waited] : waiting_) {
        if (now - waited.second <= platform::FolderWorker::kNoAnswer) continue;
        if (step == Step::tree) treeNote_.setText(text);
        else listNote_.setText(text);
    }
}

void TplayerForm::readTree() {
    const std::string prefix = prefix_;
    onWorker(Step::tree, [this, prefix](const Report& report, std::uint64_t run) {
        if (!prefix.empty()) config::makeSaveFolder(prefix, prefix);
        auto leftOut = std::make_shared<std::vector<LeftOutFolder>>();
        auto folders = std::make_shared<std::vector<FolderNode>>(scanFolderTree(prefix, leftOut.get()));
        report([this, folders, leftOut, run] {
            if (!done(Step::tree, run)) return;
            leftOut_ = std::move(*leftOut);
            showTree(*folders);
        });
    });
}

void TplayerForm::showTree(const std::vector<FolderNode>& folders) {
    AddDirectory(nullptr, folders);
    leftOutNote_.setText(leftOutLines(leftOut_));
    leftOutNote_.setVisible(!leftOut_.empty());
    updateNotes();
    const int before = width();
    fitToTree();
    if (width() != before) config::ui::centerOnScreen(*this);
}

void TplayerForm::fitToTree() {
    // The tree is as wide as its longest folder name needs, or, empty, as
    // its note's longest word; the window grows for it as far as the screen
    // allows. On a screen too small for that, the tree gives up width where
    // the viewer would not show its controls whole.
    const int names =
        DirTree.topLevelItemCount() > 0 ? treeWidthForNames() : widestWord(treeNote_) + 2 * DirTree.frameWidth();
    const int tree = std::max(kTreeWidth, names);
    const QSize room = platform::ui::roomToOpenIn(*this);
    const int width = std::min(std::max(kWidth, tree + kListWidth + 2 * kSplitterHandle + kViewerWidth), room.width());
    resize(width, height());
    const int panes = width - kListWidth - 2 * kSplitterHandle;  // the tree's and the viewer's
    const int viewer = std::max(panes - tree, std::min(VideoViewerFrame1_.controlsWidth(), panes - kTreeWidth));
    splitter_.setSizes({panes - viewer, kListWidth, viewer});
}

void TplayerForm::done(int result) {
    VideoViewerFrame1_.closeVideo();
    QDialog::done(result);
}

bool TplayerForm::eventFilter(QObject* watched, QEvent* event) {
    // Greyed while a video export runs, the tree and the previews say why
    // rather than naming the folder or file under the pointer.
    if (event->type() == QEvent::ToolTip && VideoViewerFrame1_.exporting() &&
        (watched == DirTree.viewport() || watched == FileList.viewport())) {
        QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(),
                           platform::ui::plainToolTip(catalogue(config::txtBrowsingWaitsForExport)),
                           static_cast<QWidget*>(watched));
        return true;
    }
    if (watched == &DirTree && event->type() == QEvent::FocusIn) {
        // Entering the tree from another control, not the window coming back.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason && !focusHandedOn_) DirTreeEnter();
    }
    return QDialog::eventFilter(watched, event);
}

bool TplayerForm::focusNextPrevChild(bool next) {
    const QWidget* holder = focusWidget();
    const QScopedValueRollback handedOn(focusHandedOn_,
                                        focusHandedOn_ || (holder && (!holder->isEnabled() || !holder->isVisible())));
    return QDialog::focusNextPrevChild(next);
}

void TplayerForm::setBrowsingEnabled(bool enabled) {
    DirTree.setEnabled(enabled);
    FileList.setEnabled(enabled);
}

void TplayerForm::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Cancel) && VideoViewerFrame1_.exporting()) {
        VideoViewerFrame1_.CancelBtnClick();
        return;
    }
    QDialog::keyPressEvent(event);
}

int TplayerForm::treeWidthForNames() const {
    // What the tree's own column sizing adds to a name: the indentation of
    // its level and of the branch sign, and the item's margins.
    const QFontMetrics metrics = DirTree.fontMetrics();
    const int margins = 2 * (DirTree.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &DirTree) + 1);
    int widest = 0;
    for (QTreeWidgetItemIterator it(const_cast<QTreeWidget*>(&DirTree)); *it; ++it) {
        int depth = 1;
        for (const QTreeWidgetItem* p = (*it)->parent(); p != nullptr; p = p->parent()) ++depth;
        widest = std::max(widest, depth * DirTree.indentation() + metrics.horizontalAdvance((*it)->text(0)) + margins);
    }
    // The frame, and the scroll bar a long tree shows.
    return widest + 2 * DirTree.frameWidth() +
           DirTree.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &DirTree);
}

void TplayerForm::AddDirectory(QTreeWidgetItem* parent, const std::vector<FolderNode>& folders) {
    for (const FolderNode& folder : folders) {
        QTreeWidgetItem* node = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(&DirTree);
        node->setText(0, platform::ui::shown(folder.name));
        node->setToolTip(0, platform::ui::plainToolTip(node->text(0)));
        node->setData(0, Qt::UserRole, static_cast<qulonglong>(directories_.size()));
        directories_.push_back(folder.data);
        AddDirectory(node, folder.children);
    }
}

void TplayerForm::DirTreeChange(QTreeWidgetItem* node) {
    FileList.clear();
    previews_.clear();
    waiting_.erase(Step::file);
    if (node != nullptr) {
        const TDirectory folder = directories_.at(node->data(0, Qt::UserRole).toULongLong());
        onWorker(Step::previews, [this, folder](const Report& report, std::uint64_t run) {
            // A few at a time, so that a slow folder shows its first ones soon.
            constexpr std::size_t kBatch = 8;
            auto batch = std::make_shared<std::vector<Preview>>();
            const auto hand = [&](bool last) {
                report([this, batch, run, last] {
                    if (waiting_.count(Step::previews) == 0 || waiting_[Step::previews].first != run) return;
                    for (const Preview& preview : *batch) addPreview(preview);
                    if (last) done(Step::previews, run);
                    updateNotes();
                });
                batch = std::make_shared<std::vector<Preview>>();
            };
            for (const TPreviewItem& item : listPreviewFiles(folder)) {
                try {
                    batch->push_back({item, loadPreviewPicture(item.dir, item.isVideo)});
                } catch (const std::exception&) {
                    // a file that does not show is left out, without a word
                }
                if (batch->size() == kBatch) hand(false);
            }
            hand(true);
        });
    } else {
        waiting_.erase(Step::previews);
    }
    if (VideoViewerFrame1_.open()) {
        VideoViewerFrame1_.closeVideo();
        VideoViewerFrame1_.cameraName.clear();
    }
    updateNotes();
}

// A change of language after the window was built.
void TplayerForm::showTexts() {
    setWindowTitle(catalogue(config::txtRecordings));
    Label1.setText(catalogue(config::txtCameras));
    Label2.setText(catalogue(config::txtPreview));
    treeNote_.setText(noRecordingsNote(prefix_));
    listNote_.setText(catalogue(config::txtPreviewsAppearHere));
    leftOutNote_.setText(leftOutLines(leftOut_));
}

void TplayerForm::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) showTexts();
    QDialog::changeEvent(event);
}

void TplayerForm::updateNotes() {
    treeNote_.setVisible(DirTree.topLevelItemCount() == 0);
    listNote_.setVisible(FileList.count() == 0);
}

void TplayerForm::addPreview(const Preview& shown) {
    const TPreviewItem& item = shown.item;
    try {
        const QPixmap preview = resizeBmp(wrapImage(shown.picture), kPreviewSize, item.isVideo);
        const std::size_t slash = item.dir.rfind(config::kPathDelimiter);
        const std::string name = item.dir.substr(slash + 1);
        // Each line within the preview's width: a long station name ends in an
        // ellipsis (the tool tip has it whole) instead of wrapping past the room.
        QStringList lines = QString::fromStdString(previewCaption(platform::shownText(name))).split(QLatin1Char('\n'));
        for (QString& line : lines)
            line = FileList.fontMetrics().elidedText(line, Qt::ElideRight, FileList.gridSize().width() - 8);
        FileList.addItem(lines.join(QLatin1Char('\n')));
        QListWidgetItem* entry = FileList.item(FileList.count() - 1);
        entry->setToolTip(platform::ui::plainToolTip(platform::ui::shown(name)));
        // A one-line caption right under its picture, not in the middle of the room for three.
        entry->setTextAlignment(Qt::AlignHCenter | Qt::AlignTop);
        entry->setIcon(QIcon(preview));
        entry->setData(Qt::UserRole, static_cast<qulonglong>(previews_.size()));
        previews_.push_back(item);
    } catch (const std::exception&) {
        // a file that does not show is left out, without a word
    }
}

QPixmap TplayerForm::resizeBmp(const QImage& picture, int size, bool isVideo) const {
    QPixmap square(size, size);
    square.fill(Qt::transparent);
    QPainter painter(&square);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const PreviewLayout layout = previewLayout(picture.width(), picture.height(), size, FPlay.width(), FPlay.height());
    const Rect& r = layout.picture;
    // A wide picture sits on the square's lower edge, right above its
    // caption, so that the free room parts it from the preview above.
    const int down = std::max(0, size - r.height);
    painter.drawImage(QRect(r.left, r.top + down, r.width, r.height), picture);
    if (isVideo) painter.drawPixmap(layout.playLeft, layout.playTop + down, FPlay);
    return square;
}

void TplayerForm::FileListSelectItem() {
    const QList<QListWidgetItem*> selected = FileList.selectedItems();
    if (selected.isEmpty()) return;
    const TPreviewItem item = previews_.at(selected.front()->data(Qt::UserRole).toULongLong());
    TVideoViewerFrame& frame = VideoViewerFrame1_;
    frame.closeVideo();
    frame.cameraName.clear();
    // Opening repairs a damaged recording: all of it on the worker.
    onWorker(Step::file, [this, item](const Report& report, std::uint64_t run) {
        auto recording = std::make_shared<OpenedRecording>();
        std::shared_ptr<video::Image> picture;
        std::string error;
        try {
            if (item.isVideo) *recording = openRecording(item.dir);
            else picture = std::make_shared<video::Image>(video::decodeJpeg(readPictureFile(item.dir)));
        } catch (const std::exception& e) {
            error = e.what();
        }
        report([this, item, run, recording, picture, error] {
            if (!done(Step::file, run)) return;
            TVideoViewerFrame& viewer = VideoViewerFrame1_;
            if (!error.empty()) {
                // From the event loop itself, not from within this report.
                QTimer::singleShot(0, this, [this, error] {
                    platform::ui::execPlainMessage(QMessageBox::Critical, QGuiApplication::applicationDisplayName(),
                                                   QString::fromStdString(platform::shownText(error)), this);
                });
            } else if (picture) {
                viewer.Image1().setPicture(picture);
            } else {
                viewer.openVideo(std::move(*recording), item.dir);
                viewer.cameraName = item.camName;
            }
        });
    });
}

void TplayerForm::DirTreeEnter() {
    if (VideoViewerFrame1_.open()) {
        VideoViewerFrame1_.closeVideo();
        VideoViewerFrame1_.cameraName.clear();
    } else {
        VideoViewerFrame1_.Image1().clearPicture();
    }
    FileList.clearSelection();
    FileList.setCurrentItem(nullptr);
}

TplayerForm& showRecordingsPlayer() {
    if (TplayerForm* open = openPlayer()) {
        open->raise();
        open->activateWindow();
        return *open;
    }
    auto* form = new TplayerForm;
    openPlayer() = form;
    // Modal without a loop of its own: a blocking loop here would hold the
    // tray menu's handler, and with it the menu, until the player closes.
    form->setWindowModality(Qt::ApplicationModal);
    QObject::connect(form, &QDialog::finished, form, [form] {
        openPlayer() = nullptr;
        // The program's end closes it also while one of its dialogs is open.
        platform::ui::deleteLaterOnceItsDialogsHaveReturned(form);
    });
    form->show();
    return *form;
}

TplayerForm* recordingsPlayer() { return openPlayer(); }

}  // namespace oculon::player::ui
