// Read-out of the crawler's measurements and of the wireless remote-control
// unit. The console writes the labels and the lamp directly.
#pragma once

#include <QWidget>

class LightButton;
class QLabel;

class DisplayPanle : public QWidget {
    Q_OBJECT
public:
    explicit DisplayPanle(QWidget* parent = nullptr);

    QLabel* m_pBodyAirPressure;
    QLabel* m_pLensAirPressure;
    QLabel* m_pBodyTemperature;
    QLabel* m_pLensTemperature;
    QLabel* m_pCableLength;
    QLabel* m_pRollAngle;
    QLabel* m_pPitchAngle;
    QLabel* m_pHeadingAngle;
    QLabel* m_pCrawlDistance;
    QLabel* m_pRemainingCable;
    LightButton* m_pRemoteLamp;
    QLabel* m_pRemoteStatus;
    QLabel* m_pRemotePicture;
};
