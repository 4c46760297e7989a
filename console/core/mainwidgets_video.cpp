// The console's video pipeline: the overlay drawn into every processed
// frame, the frame path from the camera thread to the large view, and the
// recording and snapshot keys. The video classes own the overlay texts and
// the distance; the console forwards to them.
#include "mainwidgets.h"

#include "consolelog.h"
#include "framepath.h"
#include "functionkeys.h"
#include "recording.h"
#include "videolabel.h"

#include <QFontMetrics>
#include <QMessageBox>
#include <QStringList>

#include <string>

namespace {

const QString kMessageName = QStringLiteral("recordingMessage");
// A message stays a few lines of at most this many pixels: a long line
// (a path, a field of thousands of characters) loses its middle.
constexpr int kMessageLineWidth = 560;
constexpr int kMessageLines = 4;

QString shortMessage(const QString& text, const QFontMetrics& metrics)
{
    QStringList lines = text.split(QLatin1Char('\n')).mid(0, kMessageLines);
    for (QString& line : lines)
        line = metrics.elidedText(line, Qt::ElideMiddle, kMessageLineWidth);
    return lines.join(QLatin1Char('\n'));
}

} // namespace

void mainWidgets::buildVideoPipeline()
{
    m_pFramePath = std::make_unique<FramePath>(m_overlay, m_pViewMain);
    m_pRecording = std::make_unique<Recording>(*m_pFramePath, m_overlay,
                                               [this] { return m_saveFolder.path(); });
    m_pFunctionKeys->connectVideoKeys(*m_pRecording, *m_pFramePath, m_overlay, m_saveFolder);
    connect(m_pRecording.get(), &Recording::recordingMessage, this,
            [this](const QString& message) { showRecordingMessage(tr("录像"), message); });
    connect(m_pFunctionKeys, &FunctionKeys::snapshotFailed, this,
            [this](const QString& message) { showRecordingMessage(tr("抓图"), message); });
}

// Modeless: the camera frames and the link keep flowing while it is shown.
// Plain text: project fields in a file name are never taken for markup.
void mainWidgets::showRecordingMessage(const QString& title, const QString& message)
{
    const std::wstring wideTitle = title.toStdWString();
    const std::wstring wideMessage =
        QString(message).replace(QLatin1Char('\n'), QLatin1Char(' ')).toStdWString();
    MORAVEL_LOG(L"[Moravel] showRecordingMessage [%s] [%s]", wideTitle.c_str(),
                wideMessage.c_str());
    auto* box = findChild<QMessageBox*>(kMessageName, Qt::FindDirectChildrenOnly);
    if (box == nullptr) {
        box = new QMessageBox(QMessageBox::Warning, QString(), QString(), QMessageBox::Ok, this);
        box->setObjectName(kMessageName);
        box->setTextFormat(Qt::PlainText);
        box->setModal(false);
    }
    box->setWindowTitle(title);
    box->setText(shortMessage(message, box->fontMetrics()));
    box->show();
    box->raise();
}

void mainWidgets::GetImage(Mat image)
{
    m_pFramePath->GetImage(image);
}

void mainWidgets::SaveMatInfoFromQueue()
{
    if (m_pRecording) // gone once the console has shut down
        m_pRecording->SaveMatInfoFromQueue();
}

void mainWidgets::WriteInfoBefore(Mat& Image)
{
    m_overlay.WriteInfoBefore(Image);
}

void mainWidgets::WriteInfoAfter(Mat& Image)
{
    m_overlay.WriteInfoAfter(Image);
}

OverlayFields mainWidgets::overlayFields() const
{
    return m_overlay.overlayFields();
}

void mainWidgets::setOverlayFields(const OverlayFields& fields)
{
    m_overlay.setOverlayFields(fields);
}

QString mainWidgets::customText() const
{
    return m_overlay.customText();
}

void mainWidgets::setCustomText(const QString& text)
{
    m_overlay.setCustomText(text);
}

DistanceCalibration mainWidgets::distanceCalibration() const
{
    return m_overlay.distanceCalibration();
}

void mainWidgets::setDistanceCorrection(double dZeroReference, double dStartDistance)
{
    m_overlay.changeDistance([dZeroReference, dStartDistance](DistanceCalibration& d) {
        d.m_dZeroReference = dZeroReference;
        d.m_dStartDistance = dStartDistance;
    });
}

void mainWidgets::setDistanceOverlaySwitch(const QString& text)
{
    m_overlay.changeDistance([&text](DistanceCalibration& d) { d.m_strOverlaySwitch = text; });
}
