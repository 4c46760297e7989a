// What one status record shows: the texts of the telemetry panel, the
// cable length for the distance read-out and the attitude instruments'
// values. Pure, so it can be computed on any thread.
#pragma once

#include "LinkRecords.h"

#include <QString>

class DisplayPanle;

struct StatusReadout {
    static StatusReadout fromRecord(const LinkStatusRecord& record);

    // Paid-out cable in metres, at single precision: the current distance reading.
    double cableLength = 0;

    QString bodyAirPressure;
    QString lensAirPressure;
    QString bodyTemperature;
    QString lensTemperature;
    QString cableLengthText;
    QString rollAngle;
    QString pitchAngle;
    QString headingAngle;
    QString crawlDistance;
    QString remainingCable;

    // The instruments take the negated angles crosswise; they ignore values
    // that are not finite.
    double rollInstrument = 0;  // -Angle_Pitch
    double pitchInstrument = 0; // -Angle_Roll
};

// Writes the ten texts to the panel's labels.
void showReadout(DisplayPanle& panel, const StatusReadout& readout);
