// The console's video pipeline: the overlay drawn into every processed
// frame, the frame path from the camera thread to the large view, and the
// recording and snapshot keys. The video classes own the overlay texts and
// the distance; the console forwards to them.
#include "mainwidgets.h"

#include "framepath.h"
#include "functionkeys.h"
#include "recording.h"
#include "videolabel.h"

#include <QMessageBox>

void mainWidgets::buildVideoPipeline()
{
    m_pFramePath = std::make_unique<FramePath>(m_overlay, m_pViewMain);
    m_pRecording = std::make_unique<Recording>(*m_pFramePath, m_overlay,
                                               [this] { return m_saveFolder.path(); });
    m_pFunctionKeys->connectVideoKeys(*m_pRecording, *m_pFramePath, m_overlay, m_saveFolder);
    connect(m_pRecording.get(), &Recording::recordingMessage, this,
            &mainWidgets::showRecordingMessage);
}

// Modeless: the camera frames and the link keep flowing while it is shown.
void mainWidgets::showRecordingMessage(const QString& message)
{
    auto* box = new QMessageBox(QMessageBox::Warning, tr("录像"), message, QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("recordingMessage"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
}

void mainWidgets::GetImage(Mat image)
{
    m_pFramePath->GetImage(image);
}

void mainWidgets::SaveMatInfoFromQueue()
{
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
