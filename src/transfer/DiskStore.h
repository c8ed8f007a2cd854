// Received files on disk, all inside one directory: created with O_EXCL on a
// unique name and O_NOFOLLOW, relative to a descriptor of the directory, so
// no name, link or racing writer can put a file anywhere else or overwrite one.
#pragma once

#include "transfer/ReceiveStore.h"

#include <functional>

namespace kestrelon {

class CDiskStore : public CReceiveStore {
public:
    // directory: where YModem files go. fileName: the XModem file the user
    // chose inside it (empty for YModem).
    CDiskStore(std::string directory, std::string fileName);
    ~CDiskStore() override;
    CDiskStore(const CDiskStore&) = delete;
    CDiskStore& operator=(const CDiskStore&) = delete;

    bool Prepare() override;
    bool Create(const std::string& name, std::string& path) override;
    bool Write(const std::uint8_t* data, std::size_t size) override;
    void Close() override;

    // Splits a full file path into the two constructor arguments.
    static CDiskStore ForFile(const std::string& path);

    // How a free name is found for a wanted full path (MakeUniqueFileName by
    // default). Whatever lies under the name once it is chosen, the create
    // neither follows nor replaces it.
    using NameChooser = std::function<std::string(const std::string& path)>;
    void SetNameChooser(NameChooser chooser) { m_chooser = std::move(chooser); }

    // Why nothing can be received into the directory (it is missing, not a
    // directory, or not writable): the system's text; empty when it is fine.
    static std::string DirectoryProblem(const std::string& directory);

private:
    std::string m_directory;
    std::string m_fileName;
    NameChooser m_chooser;
    int m_dirFd = -1;
    int m_fd = -1;
};

} // namespace kestrelon
