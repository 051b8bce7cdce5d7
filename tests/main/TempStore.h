#pragma once
// A registry store of the test's own in a temporary folder, open for the
// whole process while the object lives, and helpers that write applications
// into it as the operations do.
#include "RegistryStore.h"
#include "modRegistry.h"
#include "modStoreLayout.h"

#include <QTemporaryDir>
#include <QTest>

#include <initializer_list>
#include <string>

class TempStore final {
public:
    TempStore() {
        // Nothing of the user's is ever looked at, should a test slip.
        qputenv("XDG_DATA_HOME", m_dir.filePath("xdg-home").toUtf8());
        qputenv("XDG_DATA_DIRS", m_dir.filePath("xdg-dirs").toUtf8());
        m_path = m_dir.filePath("registry.db").toStdString();
        qputenv("TAVISK_REGISTRY", QByteArray::fromStdString(m_path));
        m_opened = tavisk::registry::openStore(m_path).status;
    }
    ~TempStore() { tavisk::registry::closeStore(); }
    TempStore(const TempStore&) = delete;
    TempStore& operator=(const TempStore&) = delete;

    bool ok() const {
        return m_opened == tavisk::registry::OpenStatus::Created ||
               m_opened == tavisk::registry::OpenStatus::Opened;
    }
    const std::string& path() const { return m_path; }
    QString folder() const { return m_dir.path(); }

    /// An application key with its command and date, and for each file type
    /// its verb (command, marker, date) and its association record.
    static void AddApplication(const std::string& caption, const std::string& command,
                               const std::string& created,
                               std::initializer_list<std::string> fileTypes = {}) {
        const std::string key = modStoreLayout::ApplicationKey(caption);
        Write(modRegistry::HKLM, key, modStoreLayout::PathValue, command);
        Write(modRegistry::HKLM, key, modStoreLayout::CreatedValue, created);
        for (const std::string& type : fileTypes) {
            AddAssociation(caption, command, type, created);
        }
    }

    static void AddAssociation(const std::string& caption, const std::string& command,
                               const std::string& type, const std::string& created) {
        const std::string verb = modStoreLayout::CommandKey(type, caption);
        Write(modRegistry::HKCR, verb, "", command);
        Write(modRegistry::HKCR, verb, modStoreLayout::MarkerName, modStoreLayout::MarkerData);
        Write(modRegistry::HKCR, verb, modStoreLayout::CreatedValue, created);
        Write(modRegistry::HKLM, modStoreLayout::AssociationKey(caption, type),
              modStoreLayout::FileTypeValue, type);
    }

    static void Write(std::uint32_t root, const std::string& key, const std::string& value,
                      const std::string& data) {
        modRegistry::WriteRegValue(root, key, value, modRegistry::REG_SZ_TYPE, data);
    }

    static std::string Read(std::uint32_t root, const std::string& key, const std::string& value) {
        return modRegistry::ReadRegValue(root, key, value);
    }

private:
    QTemporaryDir m_dir;
    std::string m_path;
    tavisk::registry::OpenStatus m_opened = tavisk::registry::OpenStatus::Failed;
};
