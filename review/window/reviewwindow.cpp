#include "reviewwindow.h"

#include "observationcsv.h"
#include "observationeditor.h"
#include "reportwriter.h"
#include "snapshottree.h"
#include "snapshotview.h"
#include "telquinlibrary.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemWatcher>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QSplitter>
#include <QStandardPaths>
#include <QStatusBar>
#include <QToolBar>

#include <iostream>

namespace {

constexpr int kStatusMessageMs = 8000;
constexpr int kDefaultWidth = 1400;
constexpr int kDefaultHeight = 900;
constexpr int kTreeStretch = 1;
constexpr int kDetailStretch = 3;

// Keeps a wait cursor while long work runs.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

} // namespace

ReviewWindow::ReviewWindow(ISQLiteSystem* sql, CodeTables codes, QWidget* parent)
    : QMainWindow(parent), m_folder(sql), m_codes(std::move(codes)), m_tree(new SnapshotTree(this)),
      m_view(new SnapshotView(this)), m_editor(new ObservationEditor(m_codes, this)),
      m_problems(new QListWidget(this)), m_watcher(new QFileSystemWatcher(this))
{
    setObjectName(QStringLiteral("reviewWindow"));
    setWindowTitle(tr("检测回看"));
    resize(kDefaultWidth, kDefaultHeight);

    auto* detail = new QSplitter(Qt::Vertical, this);
    detail->addWidget(m_view);
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
    main->setSizes({kDefaultWidth / (kTreeStretch + kDetailStretch) * kTreeStretch,
                    kDefaultWidth / (kTreeStretch + kDetailStretch) * kDetailStretch});
    setCentralWidget(main);

    buildActions();
    connect(m_tree, &SnapshotTree::currentSnapshotChanged, this, &ReviewWindow::showSnapshot);
    connect(m_tree, &SnapshotTree::activated, m_editor, &ObservationEditor::startNew);
    connect(m_editor, &ObservationEditor::observationsChanged, this,
            [this](const QString& file, const QVector<Observation>& observations) {
                m_tree->refreshLabel(file, observations);
                updateStatus();
            });
    connect(m_editor, &ObservationEditor::storeFailed, this, [this] {
        QMessageBox::warning(this, tr("检测回看"),
                             tr("无法保存到索引 %1，这次修改没有保存。")
                                 .arg(QDir::toNativeSeparators(m_folder.folder() + "/" +
                                                               IndexDatabase::fileName())));
    });
    connect(m_editor, &ObservationEditor::editingDone, m_tree,
            [this] { m_tree->setFocus(Qt::ShortcutFocusReason); });

    m_rescanTimer.setSingleShot(true);
    m_rescanTimer.setInterval(kRescanDelayMs);
    connect(&m_rescanTimer, &QTimer::timeout, this, &ReviewWindow::rescan);
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, &m_rescanTimer,
            QOverload<>::of(&QTimer::start));
}

ReviewWindow::~ReviewWindow() = default;

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
          action(tr("生成报告"), QKeySequence(Qt::CTRL | Qt::Key_P), &ReviewWindow::saveReport),
          action(tr("导出 CSV"), QKeySequence(Qt::CTRL | Qt::Key_E), &ReviewWindow::saveCsv)}) {
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
}

bool ReviewWindow::openFolder(const QString& path)
{
    if (!m_folder.folder().isEmpty()) {
        m_watcher->removePath(m_folder.folder());
    }
    m_editor->setIndex(nullptr);
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
        QMessageBox::warning(this, tr("检测回看"), error);
        return false;
    }
    setWindowTitle(tr("检测回看 — %1").arg(QDir::toNativeSeparators(m_folder.folder())));
    m_watcher->addPath(m_folder.folder());
    m_editor->setIndex(&m_folder.index());
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
    if (file.isEmpty()) {
        m_view->clear();
    } else {
        m_view->showSnapshot(m_tree->snapshot(file), QDir(m_folder.folder()).filePath(file));
    }
    updateStatus();
}

void ReviewWindow::updateStatus()
{
    const qint64 project = m_tree->currentProject();
    if (project == 0) {
        statusBar()->showMessage(m_folder.isOpen() ? tr("文件夹中没有录像或抓图") : QString());
        return;
    }
    const WorstGrades worst = worstGrades(m_folder.index().projectObservations(project));
    statusBar()->showMessage(
        tr("%n 张抓图　结构性缺陷最高等级：%1　功能性缺陷最高等级：%2", nullptr,
           m_tree->snapshotCount())
            .arg(ReportTexts::worst(worst.structural), ReportTexts::worst(worst.functional)));
}

void ReviewWindow::chooseFolder()
{
    const QString chosen =
        QFileDialog::getExistingDirectory(this, tr("选择保存文件夹"), m_folder.folder());
    if (!chosen.isEmpty()) {
        openFolder(chosen);
    }
}

QString ReviewWindow::suggestedName(const QString& suffix)
{
    QStringList parts{tr("检测报告")};
    for (const Project& p : m_folder.index().projects()) {
        if (p.id == m_tree->currentProject()) {
            parts << p.fields.value("location") << p.fields.value("startwellno")
                  << p.fields.value("endwellno");
        }
    }
    parts.removeAll(QString());
    // Slashes in a field must not lead the name into another folder.
    const QString name = parts.join(QLatin1Char('-')).replace(QLatin1Char('/'), QLatin1Char('_'));
    return QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
        .filePath(name + suffix);
}

bool ReviewWindow::writeReport(const QString& path)
{
    return exportProject(path, tr("生成报告"), tr("报告已保存：%1"), &ReportWriter::write);
}

bool ReviewWindow::writeCsv(const QString& path)
{
    return exportProject(path, tr("导出 CSV"), tr("观察记录已导出：%1"), &ObservationCsv::write);
}

bool ReviewWindow::exportProject(const QString& path, const QString& title, const QString& done,
                                 ProjectWriter write)
{
    const qint64 project = m_tree->currentProject();
    if (project == 0) {
        return false;
    }
    QString error;
    const WaitCursor wait;
    if (!write(gatherReport(m_folder.index(), project, m_folder.folder()), path, &error)) {
        QMessageBox::warning(this, title, error);
        return false;
    }
    statusBar()->showMessage(done.arg(QDir::toNativeSeparators(path)), kStatusMessageMs);
    return true;
}

void ReviewWindow::saveReport()
{
    const QString path = QFileDialog::getSaveFileName(this, tr("生成报告"), suggestedName(".pdf"),
                                                      tr("PDF 文件 (*.pdf)"));
    if (!path.isEmpty()) {
        writeReport(path);
    }
}

void ReviewWindow::saveCsv()
{
    const QString path = QFileDialog::getSaveFileName(this, tr("导出 CSV"), suggestedName(".csv"),
                                                      tr("CSV 文件 (*.csv)"));
    if (!path.isEmpty()) {
        writeCsv(path);
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
