#include "TempDir.h"

#include <QFile>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <sys/stat.h>

namespace liedspur::testing {

TempDir::TempDir() : m_path(QFile::encodeName(m_dir.path()).toStdString()) {
    if (!m_dir.isValid())
        throw std::runtime_error("no temporary directory");
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

void TempDir::put(std::string_view name, std::string_view content) const {
    remove(name);
    const bool fifo = content == "<FIFO>";
    if ((fifo || content == "<socket>") &&
        ::mknod(file(name).c_str(), (fifo ? S_IFIFO : S_IFSOCK) | 0644, 0) != 0)
        throw std::runtime_error("cannot make " + std::string(content));
    if (content == "<folder>")
        makeDirectory(name);
    else if (content == "</dev/zero>")
        std::filesystem::create_symlink("/dev/zero", file(name));
    else if (!content.starts_with('<'))
        write(name, content);
}

void TempDir::clear() const {
    for (const std::string& name : names())
        remove(name);
}

std::vector<std::string> TempDir::names() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(m_path))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

void TempDir::writeIndex(const std::vector<std::string>& songs,
                         const std::vector<std::string>& folders) const {
    write("index.dat", lines(songs));
    write("files.dat", " " + std::to_string(songs.size()) + " \r\n");
    write("index1.dat", lines(folders));
    write("ordner.dat", " " + std::to_string(folders.size()) + " \r\n");
}

std::string lines(const std::vector<std::string>& items) {
    std::string bytes;
    for (const auto& item : items)
        bytes += item + "\r\n";
    return bytes;
}

std::string TempDir::read(std::string_view name) const {
    std::ifstream in(file(name), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFileBytes(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

} // namespace liedspur::testing
