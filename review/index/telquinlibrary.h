// Telquin bound at run time, the way an integrator loads a vendor library:
// dlopen, then its two exported entries.
#pragma once

#include "ISQLiteSystem.h"

#include <QString>

class TelquinLibrary {
public:
    // libTelquin.so beside the running program.
    static QString defaultPath();

    explicit TelquinLibrary(const QString& path = defaultPath());
    // Deletes the instance and unloads the library.
    ~TelquinLibrary();
    TelquinLibrary(const TelquinLibrary&) = delete;
    TelquinLibrary& operator=(const TelquinLibrary&) = delete;

    // Null when the library or its entries could not be had; see error().
    ISQLiteSystem* system() const { return m_system; }
    const QString& error() const { return m_error; }

private:
    void* m_library = nullptr;
    void (*m_delete)() = nullptr;
    ISQLiteSystem* m_system = nullptr;
    QString m_error;
};
