#include "TempDir.h"

#include <QFile>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace liedspur::testing {

TempDir::TempDir() : m_path(QFile::encodeName(m_dir.path()).toStdString()) {
    if (!m_dir.isValid())
        throw std::runtime_error("no temporary directory");
}

void TempDir::write(std::string_view name, std::string_view bytes) const { writeFileBytes(file(name), bytes); }

std::string TempDir::read(std::string_view name) const { return readFileBytes(file(name)); }

bool TempDir::exists(std::string_view name) const { return std::filesystem::exists(file(name)); }

void TempDir::makeDirectory(std::string_view name) const {
    std::filesystem::create_directories(file(name));
}

std::string readFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFileBytes(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

} // namespace liedspur::testing
