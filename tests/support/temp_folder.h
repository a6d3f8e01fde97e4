#pragma once
// A fresh folder below the system's temporary folder, removed with its contents.

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <stdlib.h>

namespace testing_support {

class TempFolder {
  public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "tervanil-XXXXXX").native();
        if (::mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("cannot create a temporary folder");
        m_root = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::permissions(m_root, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(m_root, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& root() const { return m_root; }
    std::string path(const std::string& name) const { return (m_root / name).native(); }

    void write(const std::string& name, const std::string& bytes) const {
        std::ofstream file(path(name), std::ios::binary);
        file << bytes;
        if (!file)
            throw std::runtime_error("cannot write " + name);
    }
    std::string read(const std::string& name) const {
        std::ifstream file(path(name), std::ios::binary);
        if (!file)
            throw std::runtime_error("cannot read " + name);
        std::stringstream contents;
        contents << file.rdbuf();
        return contents.str();
    }
    bool exists(const std::string& name) const {
        std::error_code ignored;
        return std::filesystem::exists(std::filesystem::symlink_status(m_root / name, ignored));
    }
    /// The names in `folder` (relative to the root), sorted.
    std::vector<std::string> names(const std::string& folder = "") const {
        std::vector<std::string> found;
        for (const auto& entry : std::filesystem::directory_iterator(m_root / folder))
            found.push_back(entry.path().filename().native());
        std::sort(found.begin(), found.end());
        return found;
    }

  private:
    std::filesystem::path m_root;
};

} // namespace testing_support
