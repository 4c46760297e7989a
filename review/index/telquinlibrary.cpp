#include "telquinlibrary.h"

#include <QCoreApplication>

#include <dlfcn.h>

namespace {
using CreateEntry = ISQLiteSystem* (*)(void*);
using DeleteEntry = void (*)();
} // namespace

QString TelquinLibrary::defaultPath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/libTelquin.so");
}

TelquinLibrary::TelquinLibrary(const QString& path)
{
    m_library = dlopen(path.toLocal8Bit().constData(), RTLD_NOW | RTLD_LOCAL);
    if (m_library == nullptr) {
        m_error = QString::fromLocal8Bit(dlerror());
        return;
    }
    auto create = reinterpret_cast<CreateEntry>(dlsym(m_library, "CreateISQLiteSystem"));
    m_delete = reinterpret_cast<DeleteEntry>(dlsym(m_library, "DeleteISQLiteSystem"));
    if (create == nullptr || m_delete == nullptr) {
        m_error = QStringLiteral("%1: no CreateISQLiteSystem/DeleteISQLiteSystem").arg(path);
        return;
    }
    // The owner token only has to be non-null; Telquin never calls it.
    m_system = create(this);
    if (m_system == nullptr) {
        m_error = QStringLiteral("%1: CreateISQLiteSystem failed").arg(path);
    }
}

TelquinLibrary::~TelquinLibrary()
{
    if (m_system != nullptr) {
        m_system->CloseDB();
    }
    if (m_delete != nullptr) {
        m_delete();
    }
    if (m_library != nullptr) {
        dlclose(m_library);
    }
}
