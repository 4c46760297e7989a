// The telemetry of one recording: a CSV file beside the video with one row
// per status record received while it ran, and the text of the subtitle cue
// of each second. Used by the recording's writer thread only.
#pragma once

#include "inspectionrecord.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <chrono>
#include <deque>
#include <string>

class TelemetrySidecar {
public:
    static const char* const kHeader;

    // Rows go to a new file at path (UTF-8, header first). A file that cannot
    // be created or written is reported once in the log; the recording goes
    // on without it.
    explicit TelemetrySidecar(const QString& path);
    // Flushes, forces the rows to the disk and closes the file.
    ~TelemetrySidecar();
    TelemetrySidecar(const TelemetrySidecar&) = delete;
    TelemetrySidecar& operator=(const TelemetrySidecar&) = delete;

    // A record received videoTime into the recording.
    void add(const TelemetrySample& sample, std::chrono::microseconds videoTime);
    // Hands the rows so far to the system: a crash of the program keeps them.
    void flush();
    // Flushes and forces them to the disk: a power loss keeps them.
    void sync();
    // The cue of the second that starts at `at`: the newest record received
    // at or before it; empty before the first. Ask in time order.
    std::string cueAt(std::chrono::microseconds at);

    // One CSV line (with its line end) of the record at videoTimeS.
    static QByteArray row(const TelemetrySample& sample, double videoTimeS);
    // "12.35 M  横滚 -0.08°  俯仰 0.05°": shown distance, roll, pitch.
    static QString cueText(const TelemetrySample& sample);

private:
    void broken(const QString& reason);

    QFile m_file;
    bool m_writing = false;
    QByteArray m_pending;
    struct Cue {
        std::chrono::microseconds at;
        std::string text;
    };
    // Records the video has not reached yet, and the cue of the newest it has.
    std::deque<Cue> m_ahead;
    std::string m_current;
};
