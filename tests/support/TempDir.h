#pragma once

#include <QTemporaryDir>

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace liedspur::testing {

// Writes a whole file as bytes.
void writeFileBytes(const std::string& path, std::string_view bytes);

// A directory that is gone after the test, with helpers for byte-exact files in it.
class TempDir {
public:
    TempDir();
    // Removes by bytes what Qt could not name: names that are not UTF-8.
    ~TempDir();

    const std::string& path() const { return m_path; }
    std::string file(std::string_view name) const { return m_path + "/" + std::string(name); }

    void write(std::string_view name, std::string_view bytes) const {
        writeFileBytes(file(name), bytes);
    }
    std::string read(std::string_view name) const;
    bool exists(std::string_view name) const { return std::filesystem::exists(file(name)); }
    void makeDirectory(std::string_view name) const {
        std::filesystem::create_directories(file(name));
    }
    // Puts `content` in the place of `name`, whatever was there. "<missing>", "<FIFO>",
    // "<socket>", "<folder>" and "</dev/zero>" (a link to it) stand for what no text can be.
    void put(std::string_view name, std::string_view content) const;
    void remove(std::string_view name) const { std::filesystem::remove(file(name)); }
    // Removes every file in the directory.
    void clear() const;
    // The names in the directory, sorted.
    std::vector<std::string> names() const;
    // The four index files for these song and folder lines, with their counts.
    void writeIndex(const std::vector<std::string>& songs,
                    const std::vector<std::string>& folders = {}) const;

private:
    QTemporaryDir m_dir;
    std::string m_path;
};

// The lines as the program writes them, each ended by CR LF.
std::string lines(const std::vector<std::string>& items);

} // namespace liedspur::testing
