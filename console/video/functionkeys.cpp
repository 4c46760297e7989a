#include "functionkeys.h"

#include "ColorButton.h"
#include "framepath.h"
#include "overlay.h"
#include "recording.h"
#include "savefolder.h"
#include "snapshot.h"

#include <QDateTime>
#include <QDebug>
#include <QFileDialog>
#include <QGridLayout>
#include <QKeyEvent>
#include <QPixmap>

namespace {

QString normalPicture(int number)
{
    return QStringLiteral(":/images/Button_normal/F%1.png").arg(number);
}

QString pressedPicture(int number)
{
    return QStringLiteral(":/images/Button_keydown/F%1_1.png").arg(number);
}

} // namespace

FunctionKeys::FunctionKeys(QWidget* parent)
    : QObject(parent), m_pSnapshots(new SnapshotWriter(this))
{
    connect(m_pSnapshots, &SnapshotWriter::failed, this, &FunctionKeys::snapshotFailed);
    for (int number = 1; number <= kKeyCount; ++number) {
        auto* button = new ColorButton(parent, number == kSnapshotKey);
        button->setPixmaps(QPixmap(normalPicture(number)), QPixmap(pressedPicture(number)));
        m_keys[static_cast<size_t>(number - 1)] = button;
    }
}

ColorButton* FunctionKeys::key(int number) const
{
    if (number < 1 || number > kKeyCount) {
        return nullptr;
    }
    return m_keys[static_cast<size_t>(number - 1)];
}

void FunctionKeys::placeIn(QGridLayout* bottomLayout) const
{
    for (int column = 0; column < kKeyCount; ++column) {
        bottomLayout->addWidget(m_keys[static_cast<size_t>(column)], kBandRow, column);
        bottomLayout->setColumnStretch(column, 1);
    }
}

bool FunctionKeys::isFunctionKey(const QKeyEvent& event)
{
    return event.key() >= Qt::Key_F1 && event.key() <= Qt::Key_F7;
}

bool FunctionKeys::keyPressed(const QKeyEvent& event)
{
    if (!isFunctionKey(event)) {
        return false;
    }
    // One physical press, one recording, snapshot or dialog: a chorded
    // press counts as a press too, so its repeats stay repeats.
    const bool newPress = m_presses.pressed(event);
    // Alt+F4 and the like belong to the window system: without a window
    // manager Alt+F4 would otherwise open the folder picker.
    if (event.modifiers() & (Qt::AltModifier | Qt::ControlModifier | Qt::MetaModifier)) {
        return false;
    }
    if (!newPress) {
        return true;
    }
    const int number = event.key() - Qt::Key_F1 + 1;
    ColorButton* button = key(number);
    if (number == kSnapshotKey) {
        // As after a mouse click: pressed now, released 200 ms later.
        button->updataStatus(true);
        button->restartPressLookTimer();
    }
    emit button->clicked();
    return true;
}

bool FunctionKeys::keyReleased(const QKeyEvent& event)
{
    if (!isFunctionKey(event)) {
        return false;
    }
    m_presses.released(event);
    return true;
}

QString FunctionKeys::systemFolderPicker()
{
    return QFileDialog::getExistingDirectory(nullptr, QString(), QString(),
                                             QFileDialog::ShowDirsOnly);
}

void FunctionKeys::chooseSaveFolder(ColorButton* key, SaveFolder& saveFolder,
                                    const FolderPicker& picker)
{
    key->updataStatus(true);
    const QString chosen = picker();
    qDebug() << "选择目录 dirpath" << chosen;
    saveFolder.setSaveVideoPath(withFinalSlash(chosen));
    key->updataStatus(false);
}

void FunctionKeys::connectVideoKeys(Recording& recording, const FramePath& framePath,
                                    const Overlay& overlay, SaveFolder& saveFolder,
                                    FolderPicker picker)
{
    ColorButton* record = key(kRecordKey);
    connect(record, &ColorButton::clicked, &recording, [&recording] { recording.recordAction(); });
    connect(&recording, &Recording::recordingChanged, record, &ColorButton::updataStatus);
    connect(key(kSnapshotKey), &ColorButton::clicked, this,
            [this, &recording, &framePath, &overlay, &saveFolder] {
                m_pSnapshots->take(framePath.lastFrame(), saveFolder.path(), overlay.projectInfo(),
                                   overlay.distanceText(),
                                   recording.snapshotRecord(QDateTime::currentDateTime()));
            });
    ColorButton* folder = key(kFolderKey);
    connect(folder, &ColorButton::clicked, this, [folder, &saveFolder, picker = std::move(picker)] {
        chooseSaveFolder(folder, saveFolder, picker);
    });
}
