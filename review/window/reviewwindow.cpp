#include "reviewwindow.h"

#include "assessmenttexts.h"
#include "observationeditor.h"
#include "reportprogress.h"
#include "sectionform.h"
#include "snapshottree.h"
#include "snapshotview.h"
#include "telquinlibrary.h"
#include "waitcursor.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDockWidget>
#include <QFileDialog>
#include <QFileSystemWatcher>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QToolBar>

#include <iostream>

namespace {

constexpr int kDefaultWidth = 1400;
constexpr int kDefaultHeight = 900;
constexpr int kTreeStretch = 1;
constexpr int kDetailStretch = 3;
constexpr int kSectionWidth = 330; // the section dock, of kDefaultWidth

} // namespace

ReviewWindow::ReviewWindow(ISQLiteSystem* sql, CodeTables codes, QWidget* parent)
    : QMainWindow(parent), m_folder(sql), m_codes(std::move(codes)), m_tree(new SnapshotTree(this)),
      m_view(new SnapshotView(this)), m_player(new PlayerView(this)),
      m_pictures(new QStackedWidget(this)), m_editor(new ObservationEditor(m_codes, this)),
      m_section(new SectionForm(this)), m_problems(new QListWidget(this)),
      m_watcher(new QFileSystemWatcher(this)), m_readOnlyNote(new QLabel(this))
{
    setObjectName(QStringLiteral("reviewWindow"));
    setWindowTitle(tr("检测回看"));
    resize(kDefaultWidth, kDefaultHeight);

    m_pictures->addWidget(m_view);
    m_pictures->addWidget(m_player);
    auto* detail = new QSplitter(Qt::Vertical, this);
    detail->addWidget(m_pictures);
    detail->addWidget(m_editor);
    detail->setStretchFactor(0, kDetailStretch);
    detail->setStretchFactor(1, kTreeStretch);
    // The files that could not be read in full, under the list, only when there are any.
    m_problems->setObjectName(QStringLiteral("problemList"));
    m_problems->hide();
    auto* files = new QSplitter(Qt::Vertical, this);
    files->addWidget(m_tree);
    files->addWidget(m_problems);
    files->setStretchFactor(0, kDetailStretch);
    files->setStretchFactor(1, kTreeStretch);
    auto* main = new QSplitter(Qt::Horizontal, this);
    main->addWidget(files);
    main->addWidget(detail);
    const int shared = kDefaultWidth - kSectionWidth;
    main->setSizes({shared / (kTreeStretch + kDetailStretch) * kTreeStretch,
                    shared / (kTreeStretch + kDetailStretch) * kDetailStretch});
    setCentralWidget(main);
    auto* dock = new QDockWidget(tr("管段"), this);
    dock->setObjectName(QStringLiteral("sectionDock"));
    dock->setFeatures(QDockWidget::DockWidgetMovable);
    dock->setWidget(m_section);
    addDockWidget(Qt::RightDockWidgetArea, dock);
    resizeDocks({dock}, {kSectionWidth}, Qt::Horizontal);
    m_readOnlyNote->setObjectName(QStringLiteral("readOnlyNote"));
    m_readOnlyNote->setStyleSheet(QStringLiteral("color: #a05000; font-weight: bold;"));
    m_readOnlyNote->hide();
    statusBar()->addPermanentWidget(m_readOnlyNote);

    buildActions();
    connect(m_tree, &SnapshotTree::currentSnapshotChanged, this, &ReviewWindow::showSnapshot);
    connect(m_tree, &SnapshotTree::activated, m_editor, &ObservationEditor::startNew);
    // Enter on a recording's row: on to its player.
    connect(m_tree, &SnapshotTree::activated, this, [this] {
        if (playerShown() && m_tree->currentFile().isEmpty()) {
            m_player->setFocus(Qt::ShortcutFocusReason);
        }
    });
    connect(m_editor, &ObservationEditor::observationsChanged, this,
            [this](const QString& file, const QVector<Observation>& observations) {
                m_tree->refreshLabel(file, observations);
                updateStatus();
                updateMarks();
            });
    connect(m_editor, &ObservationEditor::storeFailed, this, &ReviewWindow::storeFailed);
    connect(m_section, &SectionForm::storeFailed, this, &ReviewWindow::storeFailed);
    connect(m_section, &SectionForm::changed, this, &ReviewWindow::updateStatus);
    // Coding done: back to where the picture came from.
    connect(m_editor, &ObservationEditor::editingDone, this, [this] {
        (playerShown() ? static_cast<QWidget*>(m_player) : m_tree)
            ->setFocus(Qt::ShortcutFocusReason);
    });
    connect(m_player, &PlayerView::leave, this, [this] {
        if (!m_tree->currentFile().isEmpty()) {
            m_pictures->setCurrentWidget(m_view);
        }
        m_tree->setFocus(Qt::ShortcutFocusReason);
    });
    connect(m_player, &PlayerView::grabRequested, this, &ReviewWindow::grabFrame);
    connect(m_player, &PlayerView::grabbed, this, &ReviewWindow::grabbed);

    m_rescanTimer.setSingleShot(true);
    m_rescanTimer.setInterval(kRescanDelayMs);
    connect(&m_rescanTimer, &QTimer::timeout, this, &ReviewWindow::rescan);
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, &m_rescanTimer,
            QOverload<>::of(&QTimer::start));
}

ReviewWindow::~ReviewWindow() = default;

void ReviewWindow::storeFailed()
{
    QMessageBox::warning(this, tr("检测回看"),
                         tr("无法保存到索引 %1，这次修改没有保存。")
                             .arg(QDir::toNativeSeparators(m_folder.index().database().path())));
}

void ReviewWindow::buildActions()
{
    const auto action = [this](const QString& text, const QKeySequence& key, auto slot) {
        auto* a = new QAction(text, this);
        a->setShortcut(key);
        a->setShortcutContext(Qt::WindowShortcut);
        connect(a, &QAction::triggered, this, slot);
        addAction(a);
        return a;
    };
    QMenu* file = menuBar()->addMenu(tr("文件"));
    QToolBar* tools = addToolBar(tr("工具"));
    tools->setObjectName(QStringLiteral("tools"));
    for (QAction* a :
         {action(tr("打开文件夹"), QKeySequence::Open, &ReviewWindow::chooseFolder),
          action(tr("刷新"), QKeySequence(Qt::Key_F5), &ReviewWindow::rescan),
          action(tr("生成报告"), QKeySequence(Qt::CTRL | Qt::Key_P), [this] { saveReport(true); }),
          action(tr("当前管段报告"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P),
                 [this] { saveReport(false); }),
          action(tr("导出 CSV"), QKeySequence(Qt::CTRL | Qt::Key_E), &ReviewWindow::saveCsv),
          action(tr("导入 CSV"), QKeySequence(Qt::CTRL | Qt::Key_I), &ReviewWindow::openCsv)}) {
        file->addAction(a);
        tools->addAction(a);
    }
    file->addSeparator();
    file->addAction(action(tr("退出"), QKeySequence::Quit, &QWidget::close));

    QMenu* code = menuBar()->addMenu(tr("编码"));
    code->addAction(action(tr("下一张抓图"), QKeySequence(Qt::Key_PageDown),
                           [this] { m_tree->nextSnapshot(); }));
    code->addAction(action(tr("上一张抓图"), QKeySequence(Qt::Key_PageUp),
                           [this] { m_tree->previousSnapshot(); }));
    code->addAction(
        action(tr("新建观察"), QKeySequence(Qt::Key_Insert), [this] { m_editor->startNew(); }));
    code->addAction(action(tr("删除观察"), QKeySequence(Qt::CTRL | Qt::Key_Delete),
                           [this] { m_editor->removeCurrent(); }));
    code->addAction(action(tr("标记连续缺陷起点"), QKeySequence(Qt::Key_F7), [this] {
        if (playerShown()) {
            grabFrame(PlayerView::kContinuousStart);
        } else {
            markContinuousStart();
        }
    }));
    code->addAction(action(tr("标记连续缺陷终点"), QKeySequence(Qt::Key_F8), [this] {
        if (playerShown()) {
            grabFrame(PlayerView::kContinuousEnd);
        } else {
            markContinuousEnd();
        }
    }));
    QMenu* video = menuBar()->addMenu(tr("录像"));
    video->addAction(action(tr("截取画面"), QKeySequence(Qt::Key_F2),
                            [this] { grabFrame(PlayerView::kSnapshot); }));
    video->addAction(
        action(tr("到录像中的此刻"), QKeySequence(Qt::Key_F6), &ReviewWindow::goToMoment));
    code->addAction(action(tr("管段信息"), QKeySequence(Qt::CTRL | Qt::Key_L),
                           [this] { m_section->startEditing(); }));
}

bool ReviewWindow::openFolder(const QString& path)
{
    if (!m_folder.folder().isEmpty()) {
        m_watcher->removePath(m_folder.folder());
    }
    m_editor->setIndex(nullptr);
    m_section->setIndex(nullptr);
    QString notice;
    QString error;
    bool opened = false;
    {
        const WaitCursor wait;
        opened = m_folder.open(path, &notice, &error);
    }
    if (!notice.isEmpty()) {
        showNotice(notice);
    }
    if (!opened) {
        m_tree->clear();
        m_view->clear();
        m_readOnlyNote->hide();
        QMessageBox::warning(this, tr("检测回看"), error);
        return false;
    }
    setWindowTitle(tr("检测回看 — %1").arg(QDir::toNativeSeparators(m_folder.folder())));
    // Stays in sight: what is coded here is not written to the folder.
    m_readOnlyNote->setText(m_folder.readOnlyNote());
    m_readOnlyNote->setVisible(!m_readOnlyNote->text().isEmpty());
    m_watcher->addPath(m_folder.folder());
    m_editor->setIndex(&m_folder.index());
    m_section->setIndex(&m_folder.index());
    refresh();
    m_tree->setFocus();
    return true;
}

void ReviewWindow::rescan()
{
    if (!m_folder.isOpen()) {
        return;
    }
    QString error;
    {
        const WaitCursor wait;
        if (!m_folder.rescan(&error)) {
            statusBar()->showMessage(error, kStatusMessageMs);
            return;
        }
    }
    if (m_folder.lastScan().read > 0 || m_folder.lastScan().removed > 0) {
        refresh();
    }
}

void ReviewWindow::refresh()
{
    m_tree->load(m_folder.index());
    m_problems->clear();
    for (const FileEntry& file : m_folder.index().problems()) {
        m_problems->addItem(
            (file.usable ? tr("注意 %1：%2") : tr("已跳过 %1：%2")).arg(file.name, file.problem));
    }
    m_problems->setVisible(m_problems->count() > 0);
    updateStatus();
}

void ReviewWindow::showSnapshot(const QString& file)
{
    // The list is rebuilt after a scan; an observation being typed for the
    // same snapshot stays in the form.
    if (file != m_editor->snapshot() || file.isEmpty()) {
        m_editor->setSnapshot(file);
    }
    const QString recording = m_tree->currentRecording();
    if (file.isEmpty()) {
        m_view->clear();
    } else {
        m_view->showSnapshot(m_tree->snapshot(file), QDir(m_folder.folder()).filePath(file));
    }
    if (!recording.isEmpty()) {
        showRecording(recordingOf(m_tree->currentProject(), recording), kUnknown);
    } else if (!m_keepPlayer && (file != m_shownFile || file.isEmpty())) {
        m_pictures->setCurrentWidget(m_view);
    }
    m_shownFile = file;
    updateStatus();
}

void ReviewWindow::updateStatus()
{
    const qint64 project = m_tree->currentProject();
    const AssessedSection section =
        project != 0 ? assessSection(m_folder.index().sectionRecords(project), m_codes)
                     : AssessedSection();
    m_section->showSection(section);
    if (project == 0) {
        statusBar()->showMessage(m_folder.isOpen() ? tr("文件夹中没有录像或抓图") : QString());
        return;
    }
    const ConditionAssessment& s = section.assessment.structural;
    const ConditionAssessment& f = section.assessment.functional;
    QString text =
        tr("%n 张抓图　结构性 F = %1 %2　功能性 G = %3 %4", nullptr, m_tree->snapshotCount())
            .arg(AssessmentTexts::figure(s.value), AssessmentTexts::grade(s.grade),
                 AssessmentTexts::figure(f.value), AssessmentTexts::grade(f.grade));
    if (section.unfinished > 0) {
        text += tr("　%n 个连续缺陷未标终点", nullptr, section.unfinished);
    }
    statusBar()->showMessage(text);
}

void ReviewWindow::markContinuousEnd()
{
    const QString file = m_tree->currentFile();
    const Snapshot here = m_tree->snapshot(file);
    if (file.isEmpty()) {
        return;
    }
    if (!known(here.distanceM)) {
        statusBar()->showMessage(tr("这张抓图没有距离：请在起点观察的终点栏输入终点距离"),
                                 kStatusMessageMs);
        return;
    }
    QStringList choices;
    const QVector<Observation> open = openBefore(here, &choices);
    if (open.isEmpty()) {
        statusBar()->showMessage(tr("此处之前没有未标终点的连续缺陷"), kStatusMessageMs);
        return;
    }
    int chosen = 0;
    if (open.size() > 1) {
        bool ok = false;
        const QString choice = QInputDialog::getItem(
            this, tr("标记连续缺陷终点"),
            tr("在 %1 m 结束的连续缺陷：").arg(ReportTexts::metres(here.distanceM)), choices, 0,
            false, &ok);
        if (!ok) {
            return;
        }
        chosen = static_cast<int>(choices.indexOf(choice));
    }
    Observation ended = open[chosen];
    ended.endM = here.distanceM;
    ended.endSnapshot = file;
    if (!m_folder.index().updateObservation(ended)) {
        storeFailed();
        return;
    }
    m_tree->refreshLabel(ended.snapshot, m_folder.index().observations(ended.snapshot));
    updateStatus();
    statusBar()->showMessage(tr("%1 的终点已标记在 %2 m")
                                 .arg(ReportTexts::summary(ended), ReportTexts::metres(ended.endM)),
                             kStatusMessageMs);
}

QVector<Observation> ReviewWindow::openBefore(const Snapshot& here, QStringList* choices)
{
    QVector<Observation> open;
    for (const Observation& o : m_folder.index().projectObservations(here.projectId)) {
        const double start = observationStartM(o, m_tree->snapshot(o.snapshot).distanceM);
        if (o.isUnfinished() && o.snapshot != here.file &&
            (!known(start) || start <= here.distanceM)) {
            open << o;
            *choices
                << tr("%1　起点 %2 m").arg(ReportTexts::summary(o), ReportTexts::metres(start));
        }
    }
    return open;
}

void ReviewWindow::markContinuousStart()
{
    if (!m_tree->currentFile().isEmpty()) {
        m_editor->startNewContinuous();
    }
}

void ReviewWindow::chooseFolder()
{
    const QString chosen =
        QFileDialog::getExistingDirectory(this, tr("选择保存文件夹"), m_folder.folder());
    if (!chosen.isEmpty()) {
        openFolder(chosen);
    }
}

void ReviewWindow::showNotice(const QString& text)
{
    // Modeless: the operator reads it while the rebuilt index is shown.
    auto* box =
        new QMessageBox(QMessageBox::Information, tr("检测回看"), text, QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("notice"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
    statusBar()->showMessage(text, kStatusMessageMs);
}

int ReviewWindow::run(const QStringList& arguments)
{
    TelquinLibrary telquin;
    if (telquin.system() == nullptr) {
        std::cerr << tr("无法加载 Telquin：%1").arg(telquin.error()).toStdString() << std::endl;
        QMessageBox::critical(nullptr, tr("检测回看"),
                              tr("无法加载 Telquin：%1").arg(telquin.error()));
        return 1;
    }
    QStringList problems;
    CodeTables codes = CodeTables::loadFolder(CodeTables::defaultFolder(), &problems);
    for (const QString& problem : problems) {
        std::cerr << problem.toStdString() << std::endl;
    }
    ReviewWindow window(telquin.system(), std::move(codes));
    window.show();
    const QString folder = arguments.value(1);
    if (!folder.isEmpty()) {
        window.openFolder(folder);
    } else {
        window.chooseFolder();
    }
    return QApplication::exec();
}
